#include "app/ticker_habits.h"

#include "app/app.h"
#include "platform/platform.h"

namespace {

constexpr int kTimerMessagesPerScreenCheck = 17;  // 17 x 60 ms: about a second

// Window classes of the shell that cover a monitor without being a program in full screen: the
// desktop (and Windows' own desktop window) and the taskbars.
const char* const kShellClasses[] = {"Progman", "WorkerW", "#32769", "Shell_TrayWnd",
                                     "Shell_SecondaryTrayWnd"};

bool Meets(const ScreenRect& a, const ScreenRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool MeetsAMonitor(const ScreenRect& client, const std::vector<ScreenRect>& monitors) {
    for (const ScreenRect& monitor : monitors) {
        if (Meets(client, monitor)) return true;
    }
    return false;
}

// The visible ticker: the client area, inside the dialog frame that the window region cuts away.
ScreenRect ClientArea(const AppSettings& s, const ScreenMetrics& screen) {
    return ScreenRect{s.winX, s.winY, s.winX + s.width - 2 * screen.frameX,
                      s.winY + TickerHeight(s) - 2 * screen.frameY};
}

}  // namespace

bool PointerArrived(App& app) {
    if (app.pointerOver) return false;
    app.pointerOver = true;
    return true;
}

void PointerLeft(App& app) { app.pointerOver = false; }

bool PointerHoldsDisplay(const App& app) {
    // Space on the ticker holds it the same way, until Space again or Esc.
    return ((app.settings.hoverstop != 0 && app.pointerOver) || app.hand.paused) && app.alertIndex < 0;
}

bool CoversMonitor(const ForegroundWindow& window, const ScreenRect& monitor) {
    if (window.ownProcess || !window.shown || window.captionedMaximised) return false;
    for (const char* shell : kShellClasses) {
        if (window.className == shell) return false;
    }
    // An empty monitor rectangle (the system could not tell) is covered by nothing.
    if (monitor.right <= monitor.left || monitor.bottom <= monitor.top) return false;
    return window.rect.left <= monitor.left && window.rect.top <= monitor.top &&
           window.rect.right >= monitor.right && window.rect.bottom >= monitor.bottom;
}

bool FullScreenCheckDue(App& app) {
    if (++app.screenCheckCounter < kTimerMessagesPerScreenCheck) return false;
    app.screenCheckCounter = 0;
    return true;
}

ZOrderChange FullScreenSeen(App& app, bool fullScreen) {
    if (fullScreen == app.steppedBack) return ZOrderChange::None;
    app.steppedBack = fullScreen;
    return fullScreen ? ZOrderChange::StepBack : ZOrderChange::ComeBack;
}

bool BringOntoAMonitor(AppSettings& s, int clientX, int clientY, const ScreenMetrics& screen,
                       const ScreenMetrics& primary, const std::vector<ScreenRect>& monitors) {
    // With no monitor known the system is in the middle of the change: the next message tells.
    if (monitors.empty()) return false;
    AppSettings placed = s;
    placed.winX = clientX;
    placed.winY = clientY;
    if (MeetsAMonitor(ClientArea(placed, screen), monitors)) {
        // The window stays; the place a full repaint puts it (winX, winY) must be on a monitor too.
        if (!MeetsAMonitor(ClientArea(s, screen), monitors)) {
            s.winX = clientX;
            s.winY = clientY;
        }
        return false;
    }
    KeepWindowInScreen(placed, screen);
    // Monitors of different sizes leave corners of the virtual screen that no monitor shows.
    if (!MeetsAMonitor(ClientArea(placed, screen), monitors)) KeepWindowInScreen(placed, primary);
    s.winX = placed.winX;
    s.winY = placed.winY;
    s.width = placed.width;
    return true;
}

void PreviewHoverStop(App& app, bool checked) { app.settings.hoverstop = checked ? 1 : 0; }

bool ApplyStartWithWindows(StartupEntry& startup, bool checked, MessageBoxes& messages) {
    const bool ours = startup.NamesThisProgram();
    if (checked && !ours && !startup.Write()) {
        messages.Show("Windowsの起動時に実行する設定を書き込めませんでした。", "ERROR", MessageIcon::Error);
        return false;
    }
    if (!checked && ours && !startup.Remove()) {
        messages.Show("Windowsの起動時に実行する設定を削除できませんでした。", "ERROR", MessageIcon::Error);
        return false;
    }
    return true;
}
