// The ticker window's habits beside other programs (app/ticker_habits.h): the pointer's leaving is
// tracked, the foreground window is looked at when it changes and about once a second, and the
// displays' changes bring a lost ticker back.
#include <windows.h>

#include <vector>

#include "app/ticker_habits.h"
#include "platform/screen_scale.h"
#include "app/ticker_window_win.h"

namespace {

BOOL CALLBACK FindTickerOfThread(HWND window, LPARAM found) {
    wchar_t name[32];
    if (GetClassNameW(window, name, 32) > 0 && wcscmp(name, kTickerClassName) == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Called from the message loop of the ticker's thread (an out-of-context hook): the check itself
// is left to the window, as a posted message.
void CALLBACK ForegroundChanged(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
    HWND ticker = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindTickerOfThread, reinterpret_cast<LPARAM>(&ticker));
    if (ticker) PostMessageW(ticker, kForegroundChangedMessage, 0, 0);
}

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT rect, LPARAM monitors) {
    reinterpret_cast<std::vector<ScreenRect>*>(monitors)->push_back(
        ScreenRect{rect->left, rect->top, rect->right, rect->bottom});
    return TRUE;
}

std::string AsciiClassName(HWND window) {
    wchar_t wide[256];
    int length = GetClassNameW(window, wide, 256);
    std::string name;
    for (int i = 0; i < length; ++i) name += wide[i] < 0x80 ? static_cast<char>(wide[i]) : '?';
    return name;
}

}  // namespace

void TickerWindow::WatchPointerAndScreen(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_CREATE:
            foregroundHook_ = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                              ForegroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
            break;
        case WM_DESTROY:
            if (foregroundHook_) UnhookWinEvent(foregroundHook_);
            foregroundHook_ = nullptr;
            break;
        case WM_MOUSEMOVE:
            if (PointerArrived(*app_)) {
                TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window_, 0};
                // Without tracking the leaving would never be seen: the display must not stay held.
                if (!TrackMouseEvent(&track)) PointerLeft(*app_);
            }
            break;
        case WM_MOUSELEAVE:
            PointerLeft(*app_);
            break;
        case WM_TIMER:
            if (wParam == kTickTimer && FullScreenCheckDue(*app_)) CheckForFullScreenProgram();
            break;
        case kForegroundChangedMessage:
            CheckForFullScreenProgram();
            break;
        case WM_DISPLAYCHANGE:
            KeepOnAMonitor();
            break;
        case WM_SETTINGCHANGE:
            if (wParam == SPI_SETWORKAREA) KeepOnAMonitor();
            break;
        default:
            break;
    }
}

bool TickerWindow::FullScreenProgramCoversTicker() const {
    HWND foreground = GetForegroundWindow();
    if (!foreground) return false;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) return false;
    ForegroundWindow facts;
    RECT rect = {};
    if (!GetWindowRect(foreground, &rect)) return false;
    facts.rect = ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
    facts.className = AsciiClassName(foreground);
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    facts.ownProcess = process == GetCurrentProcessId();
    facts.shown = IsWindowVisible(foreground) && !IsIconic(foreground);
    facts.captionedMaximised =
        IsZoomed(foreground) && (GetWindowLongW(foreground, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
    const RECT& m = monitor.rcMonitor;
    return CoversMonitor(facts, ScreenRect{m.left, m.top, m.right, m.bottom});
}

void TickerWindow::CheckForFullScreenProgram() {
    if (!window_) return;
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    switch (FullScreenSeen(*app_, FullScreenProgramCoversTicker())) {
        case ZOrderChange::StepBack:
            // Not topmost alone would still be above the full-screen window: to the bottom, until
            // it goes. A ticker that is not kept on top is below the foreground window already.
            if (app_->settings.wintop) SetWindowPos(window_, HWND_BOTTOM, 0, 0, 0, 0, keep);
            break;
        case ZOrderChange::ComeBack:
            if (app_->settings.wintop) SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, keep);
            break;
        case ZOrderChange::None:
            break;
    }
}

void TickerWindow::KeepOnAMonitor() {
    App& app = *app_;
    MeasureScreen();
    const int dpi = app.screen.dpi;
    std::vector<ScreenRect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    // Decided in the settings' units of a 96-dpi screen, as the start places the window.
    for (ScreenRect& m : monitors) {
        m = {ScaleFromDpi(m.left, dpi), ScaleFromDpi(m.top, dpi), ScaleFromDpi(m.right, dpi),
             ScaleFromDpi(m.bottom, dpi)};
    }
    ScreenMetrics primary = app.screen;
    primary.left = 0;
    primary.top = 0;
    primary.width = GetSystemMetrics(SM_CXSCREEN);
    primary.height = GetSystemMetrics(SM_CYSCREEN);
    int x = 0, y = 0;
    if (!host_.ClientOrigin(x, y)) return;
    AppSettings& s = app.settings;
    const int width = s.width;
    if (!BringOntoAMonitor(s, ScaleFromDpi(x, dpi), ScaleFromDpi(y, dpi), ScreenInUnits(app.screen),
                           ScreenInUnits(primary), monitors)) {
        return;
    }
    // The z-order stays as it is (topmost, or behind a full-screen program).
    SetWindowPos(window_, nullptr, Px(s.winX) - app.screen.frameX, Px(s.winY) - app.screen.frameY,
                 Px(s.width), Px(TickerHeight(s)), SWP_NOZORDER | SWP_NOACTIVATE);
    // The paint that the move brings copies the back buffer as it is (a status text is drawn by one
    // redraw only). A narrower screen made the ticker narrower: its region and band are made anew.
    if (s.width == width) return;
    app.fullRepaint = true;
    app.repaintPending = true;
    InvalidateRect(window_, nullptr, FALSE);
}
