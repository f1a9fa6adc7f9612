#pragma once
// The schedule window: a modeless, resizable dialog (IDD_SCHEDULE) that lists the tasks in rows it
// paints itself, under a header control, with four picture buttons in the left margin, and adds,
// edits and deletes tasks through its popup menu (IDM_SCHEDULE_POPUP) and the task editor.
#include <windows.h>

#include <functional>

#include "config/settings.h"
#include "platform/platform.h"
#include "schedule/schedule.h"
#include "schedule/schedule_view.h"

// What the window needs from its opener; the referenced objects outlive the window.
struct ScheduleWindowContext {
    HINSTANCE instance = nullptr;
    HWND owner = nullptr;
    HFONT rowFont = nullptr;  // the 14-pixel schedule font
    HBITMAP buttons[4] = {};  // to first, up, down, to last
    ScheduleTable* schedule = nullptr;
    ScheduleView* view = nullptr;
    AppSettings* settings = nullptr;
    Platform* platform = nullptr;  // its message boxes are replaced by ones owned by the window
    // Called when the window closes by its own commands, before the size is stored: clears the
    // dialog-open flag and the modeless dialog handle.
    std::function<void()> closed;
};

// Creates the window (loading and sorting the schedule, sized from schecx and schecy); null when
// it could not be created.
HWND CreateScheduleWindow(const ScheduleWindowContext& context);
