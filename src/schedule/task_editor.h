#pragma once
// The task editor's decisions, free of any window system: the automatic focus advance of the hour
// and minute fields, the no-time box, the calendar's width, the preset of an edited task, and the
// check of the fields on OK with its messages in their order. The Win32 dialog
// (task_editor_win.cpp) reads and writes the controls.
#include <cstddef>

#include "schedule/schedule.h"

class MessageBoxes;

constexpr int kWeekdayChoiceCount = 8;
// The weekly list: "無し" (a dated task), then "日曜" to "土曜".
extern const char* const kWeekdayChoices[kWeekdayChoiceCount];

// Shown on OK for a task text of more than 255 bytes (the record's slot).
extern const char kTaskTextTooLong[];

// The date field: "%4d/%02d/%02d".
void FormatDateField(const CivilTime& date, char* out, size_t size);

// How many months the calendar shows across: one, and one more for every further month width
// (w + 10) that still leaves the sum below the dialog's outer width, starting from two.
int CalendarMonthsAcross(int monthWidth, int dialogOuterWidth);

// The hour or minute field read as an unsigned number, in half-width or full-width digits; a text
// that is not a number reads as 0.
int TimeFieldValue(const char* text);

// A change of the hour (or minute) field's text. True: move the focus to the next field (the
// remembered value stays); false: the remembered value becomes the field's. Two typed digits jump,
// up-down steps do not.
bool AdvanceFocus(int& remembered, const char* text);

enum class NoTimeChange { None, DisableTime, EnableTime };
// Follows the "時間を指定しない" box: the state becomes 1 when it is checked, 0 when not.
NoTimeChange FollowNoTimeBox(int& noTimeState, bool checked);

// The fields for editing a task, dated or weekly alike.
struct TaskPreset {
    CivilTime date;
    int hour = 0, minute = 0;
    bool noTime = false;
    int weekdayChoice = 0;  // list index: 0 "無し", weekday + 1
    bool dateFieldEnabled = true;
    const char* text = "";
};
TaskPreset PresetFromTask(const ScheduleEntry& task);

// What the dialog holds when OK is pressed.
struct TaskForm {
    CivilTime date;  // the calendar's selection, with its day of week
    const char* hour = "";
    const char* minute = "";
    int noTimeState = 0;  // 1 while the hour and minute fields are disabled
    bool noTimeChecked = false;
    int weekdayChoice = 0;
    const char* text = "";  // Shift_JIS
};
// Checks the form and builds the record: "時刻が不正です。" for a bad hour, then for a bad minute,
// then "タスクが入力されていません。" for an empty text or kTaskTextTooLong for one of more than 255
// bytes (title "入力エラー", warning icon). True when
// the record may be stored; false keeps the dialog open.
bool ReadTaskForm(const TaskForm& form, ScheduleEntry& record, MessageBoxes& messages);

// Mode 0 appends the record, mode 1 replaces the selected task; then the table is sorted. False
// (nothing changed) when the table is full or the selected task does not exist.
bool StoreTask(ScheduleTable& schedule, int editorMode, int selected, const ScheduleEntry& record);
