#pragma once
// The ticker window: the program's only top-level window. It owns the application object and
// every long-lived Win32 resource, turns timer messages into ticks and pointer messages into
// clicks, drags and gestures, and keeps the tray icon.
#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "app/app.h"
#include "net/fetch_win.h"
#include "platform/code_pages_win.h"
#include "platform/platform_win.h"

extern const wchar_t kTickerClassName[];  // "Newsroller", also the window title
extern const char kTrayTip[];             // "Newsroller" and the version

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMilliseconds = 60;
constexpr UINT kTrayCallbackMessage = WM_USER;
constexpr int kBackBufferHeight = 138;  // 2 x 64 + 10: the page-mode height at the largest font
constexpr int kButtonBitmapCount = 4;
// Posted when another window came to the foreground: look for a full-screen program.
constexpr UINT kForegroundChangedMessage = WM_APP + 1;
// Posted by the fetcher when a request has moved on: the update cycle takes the answer at once.
constexpr UINT kFetchWakeMessage = WM_APP + 2;
// Posted after a tick that queued message boxes: they are shown outside the tick, so that the
// ticker keeps moving while they are up.
constexpr UINT kShowNoticesMessage = WM_APP + 3;

class TickerHand;

class TickerWindow {
  public:
    // `folder` is the program's folder (with a trailing backslash) where its files are kept.
    TickerWindow(HINSTANCE instance, HICON icon, SetLayeredWindowAttributesFn setLayered,
                 const std::wstring& folder = ProgramFolder());
    ~TickerWindow();
    TickerWindow(const TickerWindow&) = delete;
    TickerWindow& operator=(const TickerWindow&) = delete;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool RegisterWindowClass(HINSTANCE instance, HICON icon);

    // Creates the window (WM_CREATE sets everything up); null on failure.
    HWND Create();
    // Shows the window, starts the 60 ms tick timer and paints.
    void Show(int showCommand);

    HWND window() const { return window_; }
    HINSTANCE instance() const { return instance_; }
    HICON icon() const { return icon_; }
    App& app() { return *app_; }
    Platform& platform() { return platform_; }
    // The message boxes of the portable code; a dialog makes itself their owner while it acts.
    Win32MessageBoxes& messageBoxes() { return messages_; }

    // The modeless dialog (settings or schedule) that keyboard messages are routed through; the
    // settings dialog also takes the accelerators of its list (Delete, Alt+Up, Alt+Down).
    HWND modelessDialog() const { return modelessDialog_; }
    void SetModelessDialog(HWND dialog, bool withAccelerators = false) {
        modelessDialog_ = dialog;
        dialogAccelerators_ = dialog && withAccelerators;
    }
    // A message of the thread, before it is translated and dispatched (by the main loop or by a
    // pump nested in a fetch): true when the open modeless dialog took it.
    bool RouteDialogKeys(MSG& msg);

    // Drawing resources shared with the painting, the settings dialog and the schedule window.
    HDC backBuffer() const { return backBuffer_; }
    HFONT tickerFont() const { return tickerFont_; }
    // Replaces the ticker font in the back buffer (the settings dialog's live font changes).
    void ReplaceTickerFont(HFONT font);
    HFONT smallFont12() const { return smallFont12_; }  // the settings dialog's colour preview
    HFONT smallFont14() const { return smallFont14_; }  // the schedule window's rows
    // 0 first, 1 last, 2 up, 3 down (resources 128, 129, 130, 131).
    HBITMAP buttonBitmap(int index) const;
    // A length of the settings (96-dpi units) in pixels of the screen.
    int Px(int units) const;
    const NOTIFYICONDATAW& trayIcon() const { return tray_; }

  private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate(const CREATESTRUCTW& create);
    void OnDestroy();
    LRESULT OnPaint();
    void OnTimer();
    void OnCommand(int command);
    void OnMouseMove(LPARAM lParam);
    void OnLeftButtonUp(LPARAM lParam);
    void OnTrayMessage(LPARAM lParam);
    // After a tick or a cycle step: the tray tip, the queued message boxes, the repaint.
    void AfterCycleWork();
    void ShowNotices();
    // At the pointer, or at `at` (screen coordinates) when the menu comes from the keyboard.
    void ShowPopupMenu(UINT trackButton, const POINT* at = nullptr);
    friend class TickerHand;  // the tip, the wheel, the keys and the screen reader (ticker_hand_win.cpp)
    void AddTrayIcon();
    void InvalidateTextArea();

    // The steps of the window's creation, in their order.
    void MeasureScreen();
    void LoadSettingsAtCreation();
    void CreateBackBuffer();
    void LoadButtonBitmaps(HINSTANCE resources);
    void CreateFonts();
    void PlaceWindow();
    void LoadScheduleAtCreation();
    // Call sites for Parts wired by the application; see the comments in the .cpp.
    void OpenSettingsDialog();
    void OpenScheduleWindow();
    void PointerMovedOverTicker(int x);

    // Pause under the pointer, step back for full-screen programs, stay on a monitor
    // (ticker_habits_win.cpp). Sees every message before the handlers above; handles none alone.
    void WatchPointerAndScreen(UINT message, WPARAM wParam);
    bool FullScreenProgramCoversTicker() const;
    void CheckForFullScreenProgram();
    void KeepOnAMonitor();
    HWINEVENTHOOK foregroundHook_ = nullptr;

    HINSTANCE instance_;
    HICON icon_;
    HWND window_ = nullptr;
    HWND modelessDialog_ = nullptr;
    bool dialogAccelerators_ = false;
    HACCEL accelerators_ = nullptr;  // table IDA_SETTINGS, a resource: never destroyed
    UINT taskbarCreated_ = 0;
    NOTIFYICONDATAW tray_ = {};
    bool trayAdded_ = false;
    bool noticesPosted_ = false;
    bool showingNotices_ = false;

    Win32MessageBoxes messages_;
    Win32Shell shell_;
    Win32Clock clock_;
    Win32FileSystem files_;
    Win32MessagePump pump_;
    // Lives as long as this object, not the window: a fetch may still be waiting on the stack when
    // the window is destroyed. Its internet handles are closed when it goes.
    std::unique_ptr<WinInetFetcher> fetcher_;
    Win32TickerHost host_;
    Win32CodePages codePages_;
    Platform platform_;
    std::unique_ptr<App> app_;
    std::unique_ptr<TickerHand> hand_;

    HDC backBuffer_ = nullptr;
    HBITMAP backBitmap_ = nullptr;
    HGDIOBJ originalBitmap_ = nullptr;
    HGDIOBJ originalFont_ = nullptr;
    HFONT tickerFont_ = nullptr;
    HFONT smallFont12_ = nullptr;
    HFONT smallFont14_ = nullptr;
    HBITMAP buttonBitmaps_[kButtonBitmapCount] = {};
};

// The ticker font and the two small fonts: Shift_JIS, fixed pitch and modern family.
HFONT CreateTickerFont(int height, int weight, const char* face);
