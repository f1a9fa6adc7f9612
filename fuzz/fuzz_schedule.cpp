// Schedule text: any bytes parse without fault into records with real dates and consistent time
// stamps, and what is written reads back the same, whole (a file the program wrote is never taken
// for one it could not read).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "schedule/schedule.h"

namespace {

bool SameRecord(const ScheduleEntry& a, const ScheduleEntry& b) {
    return memcmp(&a.when, &b.when, sizeof a.when) == 0 && a.stamp == b.stamp && a.noTime == b.noTime &&
           a.weekday == b.weekday && strcmp(a.text, b.text) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 300000) return 0;
    static std::unique_ptr<ScheduleTable> table(new ScheduleTable);
    static std::unique_ptr<ScheduleTable> again(new ScheduleTable);
    std::string text(reinterpret_cast<const char*>(data), size);
    static_cast<void>(ParseScheduleText(*table, text.c_str(), static_cast<int>(text.size())));
    if (table->count < 0 || table->count > kScheduleCapacity) abort();
    for (int i = 0; i < table->count; ++i) {
        const ScheduleEntry& e = table->entry[i];
        int64_t stamp = 0;
        if (!FileTimeFromCivil(e.when, stamp) || stamp != e.stamp) abort();  // a real date, stamped
        if (e.when.dayOfWeek > 6 || e.weekday < -1 || e.weekday > 6 || e.noTime < 0 || e.noTime > 1) abort();
        size_t length = strnlen(e.text, kSlotSize);
        if (length == 0 || length >= kSlotSize) abort();
    }
    std::string written = FormatScheduleText(*table);
    if (!ParseScheduleText(*again, written.c_str(), static_cast<int>(written.size()))) abort();
    if (again->count != table->count) abort();
    for (int i = 0; i < table->count; ++i) {
        if (!SameRecord(table->entry[i], again->entry[i])) abort();
    }
    return 0;
}
