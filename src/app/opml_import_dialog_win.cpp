#include "app/opml_import_dialog_win.h"

#include <commctrl.h>

#include "platform/platform_win.h"
#include "res/resource.h"

namespace {

class ImportDialog : public ImportView {
  public:
    ImportDialog(App& app, SettingsForm& form, Win32MessageBoxes& messages, ImportView& settingsView,
                 TextView document)
        : session_(app, form, document), messages_(messages), settingsView_(settingsView) {}

    bool nothingToImport() const { return session_.nothingToImport(); }

    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<ImportDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (!self) return FALSE;
        switch (message) {
            case WM_INITDIALOG:
                self->dialog_ = dialog;
                self->OnInit();
                return TRUE;
            case WM_TIMER:
                if (wParam == kImportTimer) self->OnTick();
                return TRUE;
            case WM_COMMAND:
                // "中断", and Escape: the next tick ends the import; what was added stays.
                if (LOWORD(wParam) == IDC_IMPORT_ABORT || LOWORD(wParam) == IDCANCEL) self->session_.Abort();
                return TRUE;
            case WM_CLOSE:
                self->session_.Abort();
                return TRUE;
            case WM_DESTROY:
                KillTimer(dialog, kImportTimer);
                self->dialog_ = nullptr;
                return FALSE;
            default:
                return FALSE;
        }
    }

    void MoveProgress(ProgressMove move) override {
        if (!dialog_) return;
        HWND bar = GetDlgItem(dialog_, IDC_IMPORT_PROGRESS);
        if (move == ProgressMove::Restart) {
            SendMessageW(bar, PBM_SETPOS, 0, 0);
        } else if (move == ProgressMove::Step) {
            SendMessageW(bar, PBM_STEPIT, 0, 0);
        }
    }
    void ShowOutline(const char* site, const char* url) override { settingsView_.ShowOutline(site, url); }
    void ShowAddedFeed(int index) override { settingsView_.ShowAddedFeed(index); }

  private:
    void OnInit() {
        HWND bar = GetDlgItem(dialog_, IDC_IMPORT_PROGRESS);
        SendMessageW(bar, PBM_SETRANGE32, 0, session_.outlineTotal());
        SendMessageW(bar, PBM_SETSTEP, 1, 0);
        SendMessageW(bar, PBM_SETPOS, 0, 0);
        SetTimer(dialog_, kImportTimer, kImportTickMilliseconds, nullptr);
    }

    void OnTick() {
        ImportTick tick;
        {
            // A message box of the tick (the 100-site message) belongs to this dialog.
            ScopedMessageOwner owner(messages_, dialog_);
            tick = session_.Tick(*this);
        }
        // Destroyed meanwhile with its owners (the program is closing): the loop has ended.
        if (tick != ImportTick::Finished || !dialog_) return;
        KillTimer(dialog_, kImportTimer);
        EndDialog(dialog_, 0);
    }

    ImportSession session_;
    Win32MessageBoxes& messages_;
    ImportView& settingsView_;
    HWND dialog_ = nullptr;
};

}  // namespace

void RunOpmlImportDialog(HINSTANCE instance, HWND owner, App& app, SettingsForm& form,
                         Win32MessageBoxes& messages, ImportView& settingsView, TextView document) {
    ImportDialog dialog(app, form, messages, settingsView, document);
    if (dialog.nothingToImport()) return;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_OPML_IMPORT), owner, ImportDialog::Proc,
                    reinterpret_cast<LPARAM>(&dialog));
}
