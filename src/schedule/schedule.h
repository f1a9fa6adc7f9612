#pragma once
// The personal schedule: tasks with a date and a time of day, kept in schedule.dat.
#include <cstdint>
#include <string>

#include "platform/civil_time.h"
#include "feed/text.h"

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
    ScheduleEntry entry[kScheduleCapacity];
};

extern const char kScheduleFileName[];      // "schedule.dat"
extern const char* const kWeekdayNames[7];  // "日" .. "土"

void LoadSchedule(ScheduleTable& schedule, Platform& platform);
// Resets the table and parses a schedule text (it ends at the first zero byte or at `length`),
// time-stamping the records read.
void ParseScheduleText(ScheduleTable& schedule, const char* text, int length);
// Sets the time stamp from the date and time and fills in the day of week. A date that does not
// exist (31 April, 29 February of a common year) becomes the last day of its month.
void StampScheduleEntry(ScheduleEntry& entry);
// The file's text: two lines per valid record.
std::string FormatScheduleText(const ScheduleTable& schedule);
// 0, or -1 when the file could not be written (the old file stays whole).
int SaveSchedule(const ScheduleTable& schedule, Platform& platform);
void SortSchedule(ScheduleTable& schedule);
void RemoveTask(ScheduleTable& schedule, int index);
// The first timed task due strictly within `alerttime` minutes after `now` (file times), or -1.
int FindAlertTask(const ScheduleTable& schedule, int64_t now, int alerttime);
