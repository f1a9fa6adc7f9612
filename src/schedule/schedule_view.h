#pragma once
// The schedule window's decisions, free of any window system: where each row lies, how a row is
// coloured and its three columns written and fitted, what a click, a button or the wheel does, and
// the add, edit and delete commands. The Win32 window (schedule_window_win.cpp) draws and routes.
#include <cstddef>
#include <cstdint>

#include "platform/screen_scale.h"
#include "schedule/schedule.h"

class MessageBoxes;

constexpr int kScheduleMargin = 36;      // the button margin left of the rows and the header
constexpr int kMinimumColumnWidth = 36;  // a column dragged narrower snaps back to this
constexpr int kColumnInset = 8;          // a column's text starts this far right of its edge
constexpr int kScheduleColumnCount = 3;  // date, time, task
constexpr int kMaxTasksForAdd = 1022;    // "追加" is refused above this count

// What the schedule window keeps while the program runs, also between openings. Its pixel values
// are pixels of the screen; the constants above are 96-dpi units, scaled by `dpi`.
struct ScheduleView {
    int selected = -1;     // the selected task, drawn in blue; -1 none
    int firstVisible = 0;  // the task in the top row
    int columnWidth[kScheduleColumnCount] = {111, 62, 0};
    int headerHeight = 0;
    int rowHeight = 16;  // font height + internal leading + 2 (scaled)
    int editorMode = 0;  // 0 add, 1 edit the selected task
    int dpi = kBaseDpi;  // the screen's, set when the window opens
};

// Opening: no selection, the columns 111, 62 and the header layout's width - 101.
void OpenScheduleView(ScheduleView& view, int layoutWidth, int headerHeight);

// After a delete or a load: the top row is at most the last task (0 with none), so the list never
// shows blank with tasks scrolled away above it.
void ClampFirstVisible(ScheduleView& view, int count);

// A column width as the header's divider left it, never below 36 (scaled to `dpi`).
int ClampColumnWidth(int width, int dpi = kBaseDpi);

// ---- Rows ----------------------------------------------------------------------------------------

// y of the task's row: header height + (index - first visible row) x row height + 2.
int RowTop(const ScheduleView& view, int index);
// One past the last task whose row begins above `clientHeight` (rows further down are not drawn).
int RowsEnd(const ScheduleView& view, int count, int clientHeight);
// The task a click at y selects: from the last task towards the first, the first whose row top is
// at or above y, but never a row scrolled away above the top one; task 0 when none; -1 with no
// tasks.
int TaskAtY(const ScheduleView& view, int count, int y);

struct Rgb {
    uint8_t r, g, b;
};
constexpr Rgb kTodayFill = {255, 255, 192};  // light yellow
constexpr Rgb kPastFill = {255, 192, 192};   // light red
constexpr Rgb kSelectedText = {0, 0, 255};
constexpr Rgb kRowText = {0, 0, 0};
constexpr Rgb kSeparatorColour = {64, 128, 192};  // the dotted day separators and the margin line

enum class RowFill { None, Today, Past };
// Dated tasks of today are light yellow, of earlier days light red; weekly tasks and later days white.
RowFill RowFillOf(const ScheduleEntry& task, const CivilTime& today);
// A dotted line below the row: not after the last task; always after a weekly task; else where the
// next task's date differs.
bool SeparatorBelow(const ScheduleTable& schedule, int index);

// "毎週 水曜日" or "2025/ 3/14(金)"; " 9:30" or empty without a time of day; the task text.
void ColumnText(const ScheduleEntry& task, int column, char* out, size_t size);

class TextMeasure {
  public:
    virtual ~TextMeasure() = default;
    // Width in pixels of `length` bytes of Shift_JIS text.
    virtual int Width(const char* text, size_t length) = 0;
};

// Cuts a zero-terminated text in a buffer of `size` bytes until it is at most column width - 8
// pixels wide, ending it in "...": the cut moves from byte (column width / average character width
// - 2) one byte to the left at a time. It never splits a double-byte character, never starts before
// the text, and stops at "..." alone.
void FitColumnText(char* text, size_t size, int columnWidth, int averageCharWidth, TextMeasure& measure,
                   int inset = kColumnInset);

// Everything needed to draw one row.
struct RowPlan {
    int top = 0;
    RowFill fill = RowFill::None;
    bool selected = false;
    bool separator = false;
    char text[kScheduleColumnCount][kSlotSize] = {};
};
void PlanRow(const ScheduleView& view, const ScheduleTable& schedule, int index, const CivilTime& today,
             int averageCharWidth, TextMeasure& measure, RowPlan& plan);

// ---- Buttons and wheel ---------------------------------------------------------------------------

enum class MarginButton { None, First, Up, Down, Last };

struct ButtonPlace {
    MarginButton button;
    int x, y, width, height;
};
// Where the four picture buttons are drawn, top to bottom.
extern const ButtonPlace kMarginButtons[4];

// The click band of the margin at y: below 22, 22-43, 44-62, 63-79; nothing from 80 on.
MarginButton MarginButtonAt(int y);
// The first visible row that makes the last task the bottom row fitting above outer height - 64.
int FirstVisibleForLast(const ScheduleView& view, int count, int outerHeight);
// Moves the first visible row; the window redraws after every button, also when nothing moved.
void PressMarginButton(ScheduleView& view, MarginButton button, int count, int outerHeight);
// One row per wheel message: towards the user (negative delta) down, away up. True when it moved.
bool TurnWheel(ScheduleView& view, int delta, int count);

// ---- Commands ------------------------------------------------------------------------------------

enum class TaskCommand {
    Stopped,    // nothing changed, nothing to save
    RunEditor,  // the editor mode is set: run the task editor, then redraw and save
    Removed,    // the selected task was removed: redraw and save
};
// "追加": refused with "スケジュールが多すぎます。" above 1022 tasks.
TaskCommand BeginAddTask(ScheduleView& view, const ScheduleTable& schedule, MessageBoxes& messages);
// "編集": nothing on an empty table or without a selected task.
TaskCommand BeginEditTask(ScheduleView& view, const ScheduleTable& schedule);
// "削除": removes the selected task; the top row follows when it was the last one.
TaskCommand DeleteSelectedTask(ScheduleView& view, ScheduleTable& schedule);
