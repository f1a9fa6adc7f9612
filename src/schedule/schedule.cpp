#include "schedule/schedule.h"

#include <cstring>

#include "platform/platform.h"
#include "config/file_text.h"
#include "config/unread_file.h"
#include "platform/whole_file.h"

const char kScheduleFileName[] = "schedule.dat";
const char* const kWeekdayNames[7] = {"日", "月", "火", "水", "木", "金", "土"};

namespace {

// The largest file the writer produces: 1024 records of a 22-byte number line, a 255-byte text
// and two line ends. (A smaller limit would cut the last tasks of a full schedule.)
constexpr size_t kReadLimit = kScheduleCapacity * (24 + 255 + 2);
constexpr size_t kMinimumFileBytes = 10;

struct FieldRange {
    int low, high;
};
// year, month, day, hour, minute, no-time flag, weekday: the order of the number line.
constexpr FieldRange kRanges[7] = {{2001, 2999}, {1, 12}, {1, 31}, {0, 23}, {0, 59}, {0, 1}, {-1, 6}};

const UnreadNotice kBusyNotice = {
    "schedule.datファイルをほかのプログラムが使用しているため予定を読み込めませんでした。", "OPEN ERROR",
    MessageIcon::Error, false};
const UnreadNotice kFailedNotice = {"schedule.datファイルを読み込めなかったため予定を取得できませんでした。",
                                    "ERROR", MessageIcon::Error, false};
const UnreadNotice kPartNotice = {"schedule.datファイルに読み込めない予定がありました。", "警告",
                                  MessageIcon::Warning, false};

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

void ResetSchedule(ScheduleTable& schedule) {
    for (ScheduleEntry& entry : schedule.entry) entry = ScheduleEntry{};
    schedule.count = 0;
    ++schedule.changes;
}

// Reads one record at `p`; false where reading ends (the record is then not taken). `leftOut` is
// set when a taken record lost text: words after the seventh comma, or a text cut to 255 bytes.
bool ReadRecord(const char*& p, const char* end, ScheduleEntry& record, bool& leftOut) {
    int value[7];
    for (int f = 0; f < 7; ++f) {
        const char* q = p;
        while (q < end && *q != ',' && !IsLineEnd(*q)) ++q;
        if (q >= end || *q != ',') return false;
        value[f] = DecimalValue(p, static_cast<size_t>(q - p));
        if (value[f] < kRanges[f].low || value[f] > kRanges[f].high) return false;
        p = q + 1;
    }
    const char* rest = p;
    while (p < end && !IsLineEnd(*p)) ++p;  // anything after the seventh comma
    bool restLost = !OnlyBlanks(rest, p);
    while (p < end && IsLineEnd(*p)) ++p;  // blank lines before the text line
    if (p >= end) return false;
    const char* textStart = p;
    while (p < end && !IsLineEnd(*p)) ++p;
    size_t whole = static_cast<size_t>(p - textStart);
    size_t length = ShiftJisCutLength(textStart, whole, kSlotSize - 1);
    while (p < end && IsLineEnd(*p)) ++p;
    if (restLost || length < whole) leftOut = true;

    record = ScheduleEntry{};
    record.when.year = static_cast<uint16_t>(value[0]);
    record.when.month = static_cast<uint16_t>(value[1]);
    record.when.day = static_cast<uint16_t>(value[2]);
    record.when.hour = static_cast<uint16_t>(value[3]);
    record.when.minute = static_cast<uint16_t>(value[4]);
    record.noTime = value[5];
    record.weekday = static_cast<int8_t>(value[6]);
    memcpy(record.text, textStart, length);
    record.text[length] = '\0';
    return true;
}

// A text line as written: a line end inside the text would split the record when it is read back
// and end the reading there, and an empty line would make the next record's number line its text.
void AppendTaskText(std::string& out, const char* text) {
    size_t length = strnlen(text, kSlotSize - 1);
    if (length == 0) out += ' ';
    for (size_t i = 0; i < length; ++i) out += IsLineEnd(text[i]) ? ' ' : text[i];
}

}  // namespace

void StampScheduleEntry(ScheduleEntry& entry) {
    CivilTime& when = entry.when;
    when.second = 0;
    when.milliseconds = 0;
    int last = DaysInMonth(when.year, when.month);
    if (last > 0 && when.day > last) when.day = static_cast<uint16_t>(last);
    int64_t stamp = 0;
    if (FileTimeFromCivil(when, stamp)) {
        entry.stamp = stamp;
        CivilFromFileTime(stamp, when);
    }
    if (when.dayOfWeek > 6) when.dayOfWeek = 0;
}

bool ParseScheduleText(ScheduleTable& schedule, const char* text, int length) {
    ResetSchedule(schedule);
    if (!text || length <= 0) return true;
    const char* end = text + strnlen(text, static_cast<size_t>(length));
    bool leftOut = !OnlyBlanks(end, text + length);  // bytes after a zero byte
    const char* p = text;
    while (schedule.count < kScheduleCapacity && p < end) {
        const char* recordStart = p;
        ScheduleEntry record;
        if (!ReadRecord(p, end, record, leftOut)) {
            p = recordStart;
            break;
        }
        schedule.entry[schedule.count++] = record;
    }
    // A malformed record and everything after it, or the records after the 1024th.
    if (!OnlyBlanks(p, end)) leftOut = true;
    for (int i = 0; i < schedule.count; ++i) StampScheduleEntry(schedule.entry[i]);
    return !leftOut;
}

LoadResult LoadSchedule(ScheduleTable& schedule, Platform& platform) {
    ResetSchedule(schedule);
    WholeReadRules rules;
    rules.readAtMost = kReadLimit;
    rules.retryWhenBusy = true;
    std::string text;
    WholeRead read = ReadWholeText(platform.files, kScheduleFileName, rules, text);
    switch (read) {
        case WholeRead::Whole:
        case WholeRead::Cut:
            break;
        case WholeRead::Missing:
            ClearUnreadFile(platform, kScheduleFileName);
            return kLoaded;
        case WholeRead::ReadOnly:
            return kNotLoaded;  // it cannot be replaced either: it needs no copy
        case WholeRead::Busy:
            KeepUnreadFile(platform, kScheduleFileName, kBusyNotice);
            return kNotLoaded;
        case WholeRead::TooLarge:
        case WholeRead::NoMemory:
        case WholeRead::Failed:
            KeepUnreadFile(platform, kScheduleFileName, kFailedNotice);
            return kNotLoaded;
    }
    // A file of fewer than 10 bytes holds no task: it is taken as empty.
    bool whole = text.size() < kMinimumFileBytes ||
                 ParseScheduleText(schedule, text.c_str(), static_cast<int>(text.size()));
    if (whole && read == WholeRead::Whole) {
        ClearUnreadFile(platform, kScheduleFileName);
    } else {
        KeepUnreadFile(platform, kScheduleFileName, kPartNotice);
    }
    return kLoaded;
}

std::string FormatScheduleText(const ScheduleTable& schedule) {
    std::string out;
    int count = schedule.count < kScheduleCapacity ? schedule.count : kScheduleCapacity;
    for (int i = 0; i < count; ++i) {
        const ScheduleEntry& e = schedule.entry[i];
        AppendFormat(out, "%d,%d,%d,%d,%d,%d,%d,\r\n", e.when.year, e.when.month, e.when.day, e.when.hour,
                     e.when.minute, e.noTime, e.weekday);
        AppendTaskText(out, e.text);
        out += "\r\n";
    }
    return out;
}

WriteResult SaveSchedule(const ScheduleTable& schedule, Platform& platform) {
    return WriteProgramFile(platform, kScheduleFileName, FormatScheduleText(schedule),
                            "スケジュールファイルをオープンできませんでした。");
}

void SortSchedule(ScheduleTable& schedule) {
    ++schedule.changes;  // also every store of a task, which sorts
    int count = schedule.count < kScheduleCapacity ? schedule.count : kScheduleCapacity;
    for (int i = 0; i + 1 < count; ++i) {
        int m = i;
        for (int j = i + 1; j < count; ++j) {
            if (schedule.entry[j].stamp < schedule.entry[m].stamp) m = j;
        }
        if (m != i) {
            ScheduleEntry swap = schedule.entry[i];
            schedule.entry[i] = schedule.entry[m];
            schedule.entry[m] = swap;
        }
    }
}

void RemoveTask(ScheduleTable& schedule, int index) {
    if (index < 0 || index >= schedule.count || schedule.count > kScheduleCapacity) return;
    for (int i = index; i + 1 < schedule.count; ++i) schedule.entry[i] = schedule.entry[i + 1];
    --schedule.count;
    schedule.entry[schedule.count] = ScheduleEntry{};
    ++schedule.changes;
}

int FindAlertTask(const ScheduleTable& schedule, int64_t now, int alerttime) {
    int count = schedule.count < kScheduleCapacity ? schedule.count : kScheduleCapacity;
    // In units of 100 microseconds: due strictly later than now and strictly sooner than the
    // alert time.
    const int64_t window = int64_t{alerttime} * 600000;
    for (int i = 0; i < count; ++i) {
        const ScheduleEntry& e = schedule.entry[i];
        if (e.noTime != 0) continue;
        int64_t d = (e.stamp - now) / 1000;
        if (d > 0 && d < window) return i;
    }
    return -1;
}
