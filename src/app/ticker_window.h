#pragma once
// The ticker window's decisions that need no window system: the timer's tick and minute counting,
// the press counter that tells a click from a window drag, the click on an article or an alert,
// and the popup menu's commands. The Win32 window (ticker_window_win.cpp) carries them out.
struct App;

constexpr int kTicksPerMinute = 1000;  // 1000 ticks of 60 ms make the nominal minute

// Counts one timer message and starts the automatic update when it is due. Returns false when the
// tick is skipped entirely (a tick is running or the current article is being moved).
bool CountTimerTick(App& app);

// The press counter: 3 after a left press, one less per pointer movement; the third movement
// starts the window drag.
enum class PointerMove {
    StartDrag,  // move the window as if its caption were dragged
    Pointer,    // no press pending: the pointer gesture handling gets the movement
    Counted,    // a movement just after a press
};
void PressStarted(App& app);
PointerMove CountPointerMove(App& app);
// True when the release is a click (at most one movement since the press). Every release ends the
// press (the counter goes to 0).
bool PressReleased(App& app);
void CaptureLost(App& app);

// A left click on the tray icon brings the ticker back into place at the next paint.
void TrayIconClicked(App& app);

enum class ClickResult {
    Ignored,         // the display is busy (not Showing or NothingToShow)
    UpdateStarted,   // nothing to show: a click starts an update
    LinkChosen,      // the link article is set; the next tick opens it
    NoArticleHere,   // scroll mode, but nothing was drawn under the pointer
    AlertDismissed,  // the alerted task was removed from the schedule and the file written
    AlertKept,       // an alert is shown, but a dialog is open
};
// A click at client x on the ticker. Invalidates the ticker through the platform's host when the
// display changes.
ClickResult ClickTicker(App& app, int x);

// What the window must do for a menu command after the portable part is done.
enum class MenuAction {
    None,
    OpenSettings,  // dialog 105
    OpenSchedule,  // dialog 126
    ShowAbout,     // dialog 123
};
// `command` is an IDM_ id of popup menu 120 (res/resource.h). "終了" is taken in every state; every other
// command only while the display is idle. The two reading commands write the article page and open it through
// the shell.
MenuAction MenuCommand(App& app, int command);

// The window was asked to close (Alt+F4, the system menu, another program): the program ends as by
// "終了", after the tick that is running, if any, has returned.
void CloseRequested(App& app);

// Both display states in which the user may act.
bool DisplayIdle(const App& app);
