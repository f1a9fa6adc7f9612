#pragma once
// The real platform behind the portable core's interfaces.
#include <windows.h>

#include <functional>
#include <string>

#include "platform/platform.h"

// CivilTime has the layout of SYSTEMTIME; these copy field by field.
CivilTime CivilFromSystemTime(const SYSTEMTIME& st);
SYSTEMTIME SystemTimeFromCivil(const CivilTime& t);

// The folder of the executable with a trailing backslash, or empty when the path cannot be had
// (the program's files are then taken relative to the current folder).
std::wstring ProgramFolder();

// `path` itself while it is shorter than MAX_PATH; a longer absolute path in its "\\?\" form.
std::wstring WithoutPathLimit(const std::wstring& path);

// The first `limit` bytes of a file named by its full path (another program's file, such as one
// dropped onto a dialog), read while others may read and write it; false when it cannot be read.
bool ReadFileStart(const std::wstring& path, size_t limit, std::string& bytes);

class Win32MessageBoxes : public MessageBoxes {
  public:
    void SetOwner(HWND owner) { owner_ = owner; }
    HWND owner() const { return owner_; }
    // The owner window is gone for good: later messages are not shown.
    void SetClosed() {
        owner_ = nullptr;
        closed_ = true;
    }
    bool closed() const { return closed_; }
    void Show(const char* text, const char* title, MessageIcon icon) override;

  private:
    HWND owner_ = nullptr;
    bool closed_ = false;
};

class Win32Shell : public Shell {
  public:
    explicit Win32Shell(std::wstring folder) : folder_(std::move(folder)) {}
    bool Open(const char* target) override;
    bool OpenProgramFile(const char* name) override;

  private:
    std::wstring folder_;
};

class Win32Clock : public Clock {
  public:
    CivilTime LocalNow() override;
    CivilTime UtcNow() override;
    uint64_t Milliseconds() override { return GetTickCount64(); }
};

class Win32FileSystem : public FileSystem {
  public:
    explicit Win32FileSystem(std::wstring folder) : folder_(std::move(folder)) {}
    std::wstring PathOf(const char* name) const;

    FileProbe Probe(const char* name) override;
    int64_t Read(const char* name, char* dest, size_t capacity) override;
    bool CreateEmptyIfMissing(const char* name) override;
    bool CreateFolder(const char* name) override;
    bool WriteNew(const char* name, const char* data, size_t size) override;
    bool Copy(const char* from, const char* to) override;
    bool Replace(const char* from, const char* to) override;
    bool Remove(const char* name) override;
    void Pause(int milliseconds) override;
    bool LastWriteTime(const char* name, int64_t& utcFileTime) override;
    bool SetLastWriteTime(const char* name, int64_t utcFileTime) override;

  private:
    std::wstring folder_;
};

// Message boxes shown while a window handles a message belong to that window, so that it cannot be
// used (or closed) while one is open; the owner before it comes back afterwards, so a box shown by
// an outer handler of the same or another dialog still belongs to that dialog.
class ScopedMessageOwner {
  public:
    ScopedMessageOwner(Win32MessageBoxes& boxes, HWND owner) : boxes_(boxes), previous_(boxes.owner()) {
        boxes_.SetOwner(owner);
    }
    ~ScopedMessageOwner() { boxes_.SetOwner(previous_); }
    ScopedMessageOwner(const ScopedMessageOwner&) = delete;
    ScopedMessageOwner& operator=(const ScopedMessageOwner&) = delete;

  private:
    Win32MessageBoxes& boxes_;
    HWND previous_;
};

class Win32MessagePump : public MessagePump {
  public:
    // Keyboard messages of an open modeless dialog (its accelerators and navigation) are taken by
    // `router` before the ordinary translation, as in the main loop; true when it took the message.
    using KeyRouter = std::function<bool(MSG&)>;
    void SetKeyRouter(KeyRouter router) { keyRouter_ = std::move(router); }
    void DispatchOne() override;
    bool QuitSeen() override { return quitSeen_; }

  private:
    KeyRouter keyRouter_;
    bool quitSeen_ = false;
};

using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

class Win32TickerHost : public TickerHost {
  public:
    void SetWindow(HWND window) { window_ = window; }
    void SetLayeredFunction(SetLayeredWindowAttributesFn fn) { setLayered_ = fn; }
    bool HasLayeredFunction() const { return setLayered_ != nullptr; }

    void ApplyOpacity(uint8_t alpha) override;
    bool ClientOrigin(int& x, int& y) override;
    void InvalidateTicker() override;
    void DestroyTicker() override;

  private:
    HWND window_ = nullptr;
    SetLayeredWindowAttributesFn setLayered_ = nullptr;
};
