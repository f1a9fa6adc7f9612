#include "platform/drop_target_win.h"

#include <new>

#include "platform/drop_effect.h"

namespace {

class DropTarget : public IDropTarget {
  public:
    DropTarget(HWND window, UINT message, std::vector<UINT> formats)
        : window_(window), message_(message), formats_(std::move(formats)) {}
    virtual ~DropTarget() = default;
    DropTarget(const DropTarget&) = delete;
    DropTarget& operator=(const DropTarget&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                        DWORD* effect) override {
        Notify(kDragEnter, data, keyState, point, effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override {
        Notify(kDragOver, nullptr, keyState, point, effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        AddRef();
        record_.point = nullptr;
        record_.keyState = 0;
        record_.format = 0;
        record_.data = nullptr;
        record_.dataObject = nullptr;
        SendMessageW(window_, message_, kDragLeave, reinterpret_cast<LPARAM>(&record_));
        Release();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override {
        Notify(kDrop, data, keyState, point, effect);
        return S_OK;
    }

  private:
    void Notify(DropCall call, IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) {
        // The window may revoke the registration while it handles a drop (it is closed meanwhile).
        AddRef();
        STGMEDIUM medium = {};
        bool obtained = false;
        record_.format = 0;
        if (data) {
            for (UINT format : formats_) {
                FORMATETC wanted = {static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1,
                                    TYMED_HGLOBAL};
                if (data->QueryGetData(&wanted) != S_OK) continue;
                record_.format = format;
                obtained = SUCCEEDED(data->GetData(&wanted, &medium)) && medium.tymed == TYMED_HGLOBAL;
                if (!obtained) {
                    if (medium.tymed != TYMED_NULL) ReleaseStgMedium(&medium);
                    record_.format = 0;
                }
                break;
            }
        }
        record_.point = &point;
        record_.keyState = keyState;
        record_.data = obtained ? medium.hGlobal : nullptr;
        record_.dataObject = data;
        // Sent, not posted: the data is valid only until the window has handled it.
        SendMessageW(window_, message_, call, reinterpret_cast<LPARAM>(&record_));
        if (obtained) ReleaseStgMedium(&medium);
        record_.data = nullptr;
        record_.point = nullptr;
        if (effect) {
            uint32_t accepted = record_.effect;
            *effect = AnsweredDropEffect(*effect, accepted);
            record_.effect = accepted;
        }
        Release();
    }

    LONG references_ = 1;
    HWND window_;
    UINT message_;
    std::vector<UINT> formats_;
    DropNotification record_;
};

}  // namespace

IDropTarget* NewDropTarget(HWND window, UINT message, const std::vector<UINT>& formats) {
    return new (std::nothrow) DropTarget(window, message, formats);
}

bool RegisterDropTarget(HWND window, UINT message, const std::vector<UINT>& formats) {
    IDropTarget* target = NewDropTarget(window, message, formats);
    if (!target) return false;
    // The registration holds its own reference; ours goes, so that revoking frees the object.
    bool registered = SUCCEEDED(RegisterDragDrop(window, target));
    target->Release();
    return registered;
}
