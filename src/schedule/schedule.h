#pragma once
// The personal schedule: tasks with a date and a time of day, kept in schedule.dat.
#include <cstdint>
#include <string>

#include "platform/civil_time.h"
#include "feed/text.h"
#include "platform/safe_write.h"
#include "platform/whole_file.h"

struct Platform;

constexpr int kScheduleCapacity = 1024;

struct ScheduleEntry {
    CivilTime when;      // the first eight fields have the layout of SYSTEMTIME
    int64_t stamp = 0;   // file time of `when`, taken as local time
    int32_t noTime = 0;  // 1: no time of day; never alerts
    char text[kSlotSize] = {};
    int8_t weekday = -1;  // -1 dated task; 0..6 weekly task on Sunday..Saturday
};

struct ScheduleTable {
    int count = 0;
    // Counts the changes of the table (loads, sorts, removals): an index kept from before a change
    // may name another task now.
    uint32_t changes = 0;
    ScheduleEntry entry[kScheduleCapacity];
};

extern const char kScheduleFileName[];      // "schedule.dat"
extern const char* const kWeekdayNames[7];  // "日" .. "土"

// Resets the table and reads the file into it (without sorting). A missing or read-only file, or one
// of fewer than 10 bytes, gives an empty table; kNotLoaded when an existing file could not be read.
// A file not read whole (one the program could not read, or a malformed record that ends the
// reading) is kept as "schedule.dat.bak" and the user is told.
LoadResult LoadSchedule(ScheduleTable& schedule, Platform& platform);
// Resets the table and parses a schedule text (it ends at the first zero byte or at `length`),
// time-stamping the records read. False when text that is not blank was left out: a record that
// ends the reading and all after it, records after the 1024th, words after a record's seventh
// comma, a task text cut to 255 bytes, text after a zero byte.
bool ParseScheduleText(ScheduleTable& schedule, const char* text, int length);
// Sets the time stamp from the date and time and fills in the day of week. A date that does not
// exist (31 April, 29 February of a common year) becomes the last day of its month.
void StampScheduleEntry(ScheduleEntry& entry);
// The file's text: two lines per valid record.
std::string FormatScheduleText(const ScheduleTable& schedule);
// kNotWritten when the file could not be written (the old file stays whole, the message was shown).
WriteResult SaveSchedule(const ScheduleTable& schedule, Platform& platform);
void SortSchedule(ScheduleTable& schedule);
void RemoveTask(ScheduleTable& schedule, int index);
// The first timed task due strictly within `alerttime` minutes after `now` (file times), or -1.
int FindAlertTask(const ScheduleTable& schedule, int64_t now, int alerttime);
