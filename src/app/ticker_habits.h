#pragma once
// What a ticker kept running all day must do beside other programs: stand still under the resting
// pointer (hoverstop), leave the top of the z-order while a full-screen program covers its monitor,
// come back onto a monitor when the displays change, and start with Windows when the user asks.
// The window messages that drive them are handled in ticker_habits_win.cpp.
#include <cstdint>
#include <string>
#include <vector>

#include "config/settings.h"

struct App;
class MessageBoxes;
class StartupEntry;

// ---- Pause under the pointer ------------------------------------------------------------------

// The pointer moved over the ticker; true when it has just arrived (its leaving must be tracked).
bool PointerArrived(App& app);
void PointerLeft(App& app);
// The band does not move and the page does not turn: hoverstop is on, the pointer rests on the
// ticker (or Space paused it) and no schedule alert is shown (an alert keeps blinking).
bool PointerHoldsDisplay(const App& app);

// ---- Full-screen programs ---------------------------------------------------------------------

struct ScreenRect {
    int left, top, right, bottom;
};

// The foreground window as the full-screen decision sees it.
struct ForegroundWindow {
    ScreenRect rect;
    std::string className;            // ASCII; other characters as '?'
    bool ownProcess = false;          // one of the ticker's own windows
    bool shown = true;                // visible and not minimised
    bool captionedMaximised = false;  // a maximised window with a title bar is no full-screen program
};

// True when another program's window covers the whole monitor: its rectangle holds the monitor's.
// The desktop and the taskbar never count.
bool CoversMonitor(const ForegroundWindow& window, const ScreenRect& monitor);

// True on every 17th timer message (about once a second), when the foreground window is looked at.
bool FullScreenCheckDue(App& app);

enum class ZOrderChange { None, StepBack, ComeBack };
// What the ticker does when the foreground window was looked at: StepBack when a full-screen
// program has just come, ComeBack (topmost again when `wintop` is on) when it has gone.
ZOrderChange FullScreenSeen(App& app, bool fullScreen);

// ---- Never lost off screen --------------------------------------------------------------------

// After the displays changed: a ticker whose client area, at (clientX, clientY), meets no monitor
// is placed back by the rule of the start (KeepWindowInScreen over `screen`, the primary monitor
// when that corner of the screen has no monitor either); winX, winY and width then hold the new
// place and the result is true. On a monitor that still exists it stays where it is (false), and
// a stored winX, winY that no monitor shows any more becomes that place.
bool BringOntoAMonitor(AppSettings& settings, int clientX, int clientY, const ScreenMetrics& screen,
                       const ScreenMetrics& primary, const std::vector<ScreenRect>& monitors);

// ---- The settings dialog's check boxes (IDD_SETTINGS) -----------------------------------------

// "マウスを重ねると停止": seen on the ticker as soon as it is clicked; Cancel, like the other
// previews, gives back the value the dialog opened with (RestorePreviewedSettings).
void PreviewHoverStop(App& app, bool checked);

// "Windowsの起動時に実行": checked when the Run entry names this program (StartupEntry::
// NamesThisProgram). On OK the entry is written when the box is checked and it does not name this
// program yet, and removed when the box is cleared and it does; an entry naming another copy of the
// program is left alone. False, with the message shown, when the registry refused.
bool ApplyStartWithWindows(StartupEntry& startup, bool checked, MessageBoxes& messages);
