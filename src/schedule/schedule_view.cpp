#include "schedule/schedule_view.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

const ButtonPlace kMarginButtons[4] = {
    {MarginButton::First, 2, 2, 29, 16},
    {MarginButton::Up, 2, 22, 29, 14},
    {MarginButton::Down, 2, 44, 29, 14},
    {MarginButton::Last, 2, 63, 29, 16},
};

namespace {

bool ValidTask(const ScheduleTable& schedule, int index) {
    return index >= 0 && index < schedule.count && index < kScheduleCapacity;
}

bool SameDate(const CivilTime& a, const CivilTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

long DateKey(const CivilTime& t) { return (long{t.year} * 13 + t.month) * 32 + t.day; }

int Px(const ScheduleView& view, int units) { return ScaleToDpi(units, view.dpi); }

int RowStep(const ScheduleView& view) { return view.rowHeight > 0 ? view.rowHeight : 1; }

}  // namespace

void OpenScheduleView(ScheduleView& view, int layoutWidth, int headerHeight) {
    view.selected = -1;
    view.headerHeight = headerHeight;
    view.columnWidth[0] = Px(view, 111);
    view.columnWidth[1] = Px(view, 62);
    view.columnWidth[2] = layoutWidth - Px(view, 101);
}

void ClampFirstVisible(ScheduleView& view, int count) {
    if (count > kScheduleCapacity) count = kScheduleCapacity;
    const int last = count > 0 ? count - 1 : 0;
    if (view.firstVisible > last) view.firstVisible = last;
    if (view.firstVisible < 0) view.firstVisible = 0;
}

int ClampColumnWidth(int width, int dpi) {
    const int minimum = ScaleToDpi(kMinimumColumnWidth, dpi);
    return width < minimum ? minimum : width;
}

int RowTop(const ScheduleView& view, int index) {
    return view.headerHeight + (index - view.firstVisible) * RowStep(view) + 2;
}

int RowsEnd(const ScheduleView& view, int count, int clientHeight) {
    if (count > kScheduleCapacity) count = kScheduleCapacity;
    if (view.firstVisible < 0 || view.firstVisible >= count)
        return view.firstVisible < 0 ? 0 : view.firstVisible;
    int visible = (clientHeight - RowTop(view, view.firstVisible) + RowStep(view) - 1) / RowStep(view);
    if (visible < 0) visible = 0;
    int end = view.firstVisible + visible;
    return end < count ? end : count;
}

int TaskAtY(const ScheduleView& view, int count, int y) {
    if (count > kScheduleCapacity) count = kScheduleCapacity;
    if (count <= 0) return -1;
    int found = 0;
    for (int i = count - 1; i >= 0; --i) {
        if (RowTop(view, i) <= y) {
            found = i;
            break;
        }
    }
    // Rows above the top one are not on the screen: the 2 pixels between the header and the first
    // row belong to the first row.
    if (view.firstVisible > found && view.firstVisible < count) found = view.firstVisible;
    return found;
}

RowFill RowFillOf(const ScheduleEntry& task, const CivilTime& today) {
    if (task.weekday >= 0) return RowFill::None;
    if (SameDate(task.when, today)) return RowFill::Today;
    return DateKey(task.when) < DateKey(today) ? RowFill::Past : RowFill::None;
}

bool SeparatorBelow(const ScheduleTable& schedule, int index) {
    if (!ValidTask(schedule, index) || !ValidTask(schedule, index + 1)) return false;
    const ScheduleEntry& task = schedule.entry[index];
    return task.weekday >= 0 || !SameDate(task.when, schedule.entry[index + 1].when);
}

void ColumnText(const ScheduleEntry& task, int column, char* out, size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    switch (column) {
        case 0:
            if (task.weekday >= 0 && task.weekday <= 6) {
                snprintf(out, size, "毎週 %s曜日", kWeekdayNames[task.weekday]);
            } else {
                int dow = task.when.dayOfWeek <= 6 ? task.when.dayOfWeek : 0;
                snprintf(out, size, "%4d/%2d/%2d(%s)", task.when.year, task.when.month, task.when.day,
                         kWeekdayNames[dow]);
            }
            break;
        case 1:
            if (task.noTime == 0) snprintf(out, size, "%2d:%02d", task.when.hour, task.when.minute);
            break;
        case 2:
            CopyCut(out, size, task.text);
            break;
        default:
            break;
    }
}

void FitColumnText(char* text, size_t size, int columnWidth, int averageCharWidth, TextMeasure& measure,
                   int inset) {
    if (size < 4) return;
    size_t length = strnlen(text, size - 1);
    text[length] = '\0';
    const int limit = columnWidth - inset;
    if (measure.Width(text, length) <= limit) return;
    const int perCharacter = averageCharWidth > 0 ? averageCharWidth : 1;
    size_t lastCut = length + 1;
    for (int m = 2;; ++m) {
        long wanted = static_cast<long>(columnWidth / perCharacter) - m;
        if (wanted < 0) wanted = 0;  // never before the text's start
        size_t cut = static_cast<size_t>(wanted);
        if (cut > size - 4) cut = size - 4;  // "..." and its zero must fit the buffer
        cut = ShiftJisCutLength(text, length, cut);
        // A cut at or after the end, or where the text is already cut, shortens nothing: try further left.
        if (cut >= length || cut >= lastCut) {
            if (cut == 0) return;
            continue;
        }
        memcpy(text + cut, "...", 4);
        length = cut + 3;
        lastCut = cut;
        if (cut == 0 || measure.Width(text, length) <= limit) return;
    }
}

void PlanRow(const ScheduleView& view, const ScheduleTable& schedule, int index, const CivilTime& today,
             int averageCharWidth, TextMeasure& measure, RowPlan& plan) {
    plan = RowPlan{};
    if (!ValidTask(schedule, index)) return;
    const ScheduleEntry& task = schedule.entry[index];
    plan.top = RowTop(view, index);
    plan.fill = RowFillOf(task, today);
    plan.selected = index == view.selected;
    plan.separator = SeparatorBelow(schedule, index);
    for (int c = 0; c < kScheduleColumnCount; ++c) {
        ColumnText(task, c, plan.text[c], sizeof plan.text[c]);
        FitColumnText(plan.text[c], sizeof plan.text[c], view.columnWidth[c], averageCharWidth, measure,
                      Px(view, kColumnInset));
    }
}

MarginButton MarginButtonAt(int y) {
    if (y < 22) return MarginButton::First;
    if (y <= 43) return MarginButton::Up;
    if (y <= 62) return MarginButton::Down;
    if (y <= 79) return MarginButton::Last;
    return MarginButton::None;
}

int FirstVisibleForLast(const ScheduleView& view, int count, int outerHeight) {
    if (count > kScheduleCapacity) count = kScheduleCapacity;
    const int limit = outerHeight - Px(view, 64);
    int y = view.headerHeight + 2;
    int n = 0;
    while (y < limit && n < count - 1) {
        y += RowStep(view);
        ++n;
    }
    int first = count - n - 1;
    return first > 0 ? first : 0;
}

void PressMarginButton(ScheduleView& view, MarginButton button, int count, int outerHeight) {
    switch (button) {
        case MarginButton::First:
            view.firstVisible = 0;
            break;
        case MarginButton::Up:
            if (view.firstVisible >= 1) --view.firstVisible;
            break;
        case MarginButton::Down:
            if (view.firstVisible < count - 1) ++view.firstVisible;
            break;
        case MarginButton::Last:
            view.firstVisible = FirstVisibleForLast(view, count, outerHeight);
            break;
        case MarginButton::None:
            break;
    }
}

bool TurnWheel(ScheduleView& view, int delta, int count) {
    if (delta < 0 && view.firstVisible < count - 1) {
        ++view.firstVisible;
        return true;
    }
    if (delta > 0 && view.firstVisible >= 1) {
        --view.firstVisible;
        return true;
    }
    return false;
}

TaskCommand BeginAddTask(ScheduleView& view, const ScheduleTable& schedule, MessageBoxes& messages) {
    if (schedule.count > kMaxTasksForAdd) {
        messages.Show("スケジュールが多すぎます。", "スケジュール数エラー", MessageIcon::Error);
        return TaskCommand::Stopped;
    }
    view.editorMode = 0;
    return TaskCommand::RunEditor;
}

TaskCommand BeginEditTask(ScheduleView& view, const ScheduleTable& schedule) {
    // A right-click selects before the menu shows; a stale index after a deletion edits nothing.
    if (schedule.count < 1 || !ValidTask(schedule, view.selected)) return TaskCommand::Stopped;
    view.editorMode = 1;
    return TaskCommand::RunEditor;
}

TaskCommand DeleteSelectedTask(ScheduleView& view, ScheduleTable& schedule) {
    if (schedule.count < 1 || !ValidTask(schedule, view.selected)) return TaskCommand::Stopped;
    RemoveTask(schedule, view.selected);
    ClampFirstVisible(view, schedule.count);
    return TaskCommand::Removed;
}
