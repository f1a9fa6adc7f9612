#pragma once
// The task editor (IDD_TASK_EDITOR): a modal dialog with a month calendar for the date, hour and
// minute fields with up-down arrows, the no-time box, the weekly list and the task text.
#include <windows.h>

#include "platform/platform.h"
#include "schedule/schedule.h"
#include "schedule/schedule_view.h"

// Runs the editor owned by `owner`: adds a task (editor mode 0) or edits the selected one (mode 1).
// The table changes only on OK, and is then sorted; saving is left to the caller. `platform` gives
// the clock; the editor's messages are owned by the editor.
void RunTaskEditor(HINSTANCE instance, HWND owner, ScheduleTable& schedule, const ScheduleView& view,
                   Platform& platform);
