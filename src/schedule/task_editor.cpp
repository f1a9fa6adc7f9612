#include "schedule/task_editor.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

const char kTaskTextTooLong[] = "タスクが長すぎます。半角255文字（全角127文字）以内で入力してください。";

const char* const kWeekdayChoices[kWeekdayChoiceCount] = {"無し", "日曜", "月曜", "火曜",
                                                          "水曜", "木曜", "金曜", "土曜"};

namespace {

constexpr int kFirstYear = 2001;  // the schedule file holds years 2001 to 2999
constexpr int kLastYear = 2999;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The value of the digit at p, half-width or full-width ("０" to "９", typed with the Japanese input
// method, which ES_NUMBER lets through), and its length in bytes; 0 bytes when p holds no digit.
int DigitAt(const char* p, int& value) {
    if (*p >= '0' && *p <= '9') {
        value = *p - '0';
        return 1;
    }
    if (static_cast<unsigned char>(p[0]) != 0x82) return 0;  // p[1] is read only after a lead byte
    const unsigned char trail = static_cast<unsigned char>(p[1]);
    if (trail >= 0x4F && trail <= 0x58) {
        value = trail - 0x4F;
        return 2;
    }
    return 0;
}

// Characters, not bytes: a double-byte character counts once.
size_t CharacterCount(const char* text) {
    size_t n = 0;
    for (const char* p = text; *p; ++n) p += IsShiftJisLead(static_cast<unsigned char>(*p)) && p[1] ? 2 : 1;
    return n;
}

}  // namespace

void FormatDateField(const CivilTime& date, char* out, size_t size) {
    snprintf(out, size, "%4d/%02d/%02d", date.year, date.month, date.day);
}

int CalendarMonthsAcross(int monthWidth, int dialogOuterWidth) {
    const int step = monthWidth + 10;
    if (step <= 0) return 1;
    int n = 1;
    for (int s = 2 * step; s < dialogOuterWidth; s += step) ++n;
    return n;
}

int TimeFieldValue(const char* text) {
    const char* p = text;
    while (IsBlank(*p)) ++p;
    long value = 0;
    const char* digits = p;
    int digit = 0;
    for (int bytes; (bytes = DigitAt(p, digit)) > 0; p += bytes) {
        if (value < 100000) value = value * 10 + digit;
    }
    if (p == digits) return 0;
    while (IsBlank(*p)) ++p;
    return *p == '\0' ? static_cast<int>(value) : 0;
}

bool AdvanceFocus(int& remembered, const char* text) {
    const size_t length = CharacterCount(text);
    const int value = TimeFieldValue(text);
    if (length == 2 && (value > remembered + 5 || remembered == 0)) return true;
    remembered = value;
    return false;
}

NoTimeChange FollowNoTimeBox(int& noTimeState, bool checked) {
    if (checked && noTimeState == 0) {
        noTimeState = 1;
        return NoTimeChange::DisableTime;
    }
    if (!checked && noTimeState == 1) {
        noTimeState = 0;
        return NoTimeChange::EnableTime;
    }
    return NoTimeChange::None;
}

TaskPreset PresetFromTask(const ScheduleEntry& task) {
    TaskPreset preset;
    preset.date = task.when;
    preset.hour = task.when.hour;
    preset.minute = task.when.minute;
    preset.noTime = task.noTime != 0;
    preset.weekdayChoice = task.weekday >= 0 && task.weekday <= 6 ? task.weekday + 1 : 0;
    preset.dateFieldEnabled = preset.weekdayChoice == 0;
    preset.text = task.text;
    return preset;
}

bool ReadTaskForm(const TaskForm& form, ScheduleEntry& record, MessageBoxes& messages) {
    record = ScheduleEntry{};
    record.when.year = form.date.year;
    record.when.month = form.date.month;
    record.when.day = form.date.day;
    record.when.dayOfWeek = form.date.dayOfWeek;
    bool bad = false;
    if (form.noTimeState == 0) {
        int hour = TimeFieldValue(form.hour);
        if (hour > 23) {
            messages.Show("時刻が不正です。", "入力エラー", MessageIcon::Warning);
            bad = true;
        } else {
            record.when.hour = static_cast<uint16_t>(hour);
        }
        int minute = TimeFieldValue(form.minute);
        if (minute > 59) {
            messages.Show("時刻が不正です。", "入力エラー", MessageIcon::Warning);
            bad = true;
        } else {
            record.when.minute = static_cast<uint16_t>(minute);
        }
    }
    record.noTime = form.noTimeChecked ? 1 : 0;
    int choice = form.weekdayChoice >= 0 && form.weekdayChoice < kWeekdayChoiceCount ? form.weekdayChoice : 0;
    record.weekday = static_cast<int8_t>(choice - 1);

    CopyCut(record.text, sizeof record.text, form.text);
    if (record.text[0] == '\0') {
        messages.Show("タスクが入力されていません。", "入力エラー", MessageIcon::Warning);
        return false;
    }
    // The record holds 255 bytes: a longer text would be cut without a word.
    if (strlen(form.text) >= sizeof record.text) {
        messages.Show(kTaskTextTooLong, "入力エラー", MessageIcon::Warning);
        return false;
    }
    // The file cannot hold other years: such a record would end the reading of every later one.
    if (record.when.year < kFirstYear || record.when.year > kLastYear) {
        messages.Show("2001年から2999年までの日付を選んでください。", "入力エラー", MessageIcon::Warning);
        return false;
    }
    StampScheduleEntry(record);
    return !bad;
}

bool StoreTask(ScheduleTable& schedule, int editorMode, int selected, const ScheduleEntry& record) {
    if (editorMode == 0) {
        if (schedule.count < 0 || schedule.count >= kScheduleCapacity) return false;
        schedule.entry[schedule.count++] = record;
    } else {
        if (selected < 0 || selected >= schedule.count || selected >= kScheduleCapacity) return false;
        schedule.entry[selected] = record;
    }
    SortSchedule(schedule);
    return true;
}
