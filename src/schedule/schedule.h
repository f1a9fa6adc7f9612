#pragma once
// The personal schedule: tasks with a date and a time of day, kept in schedule.dat.
#include <cstdint>

#include "app/civil_time.h"
#include "feed/text.h"

struct Platform;

constexpr int kScheduleCapacity = 1024;

struct ScheduleEntry {
    CivilTime when;          // the first eight fields have the layout of SYSTEMTIME
    int64_t stamp = 0;       // file time of `when`, taken as local time
    int32_t noTime = 0;      // 1: no time of day; never alerts
    char text[kSlotSize] = {};
    int8_t weekday = -1;     // -1 dated task; 0..6 weekly task on Sunday..Saturday
};

struct ScheduleTable {
    int count = 0;
    ScheduleEntry entry[kScheduleCapacity];
};

extern const char kScheduleFileName[];  // "schedule.dat"
extern const char* const kWeekdayNames[7];  // "日" .. "土"

void LoadSchedule(ScheduleTable& schedule, Platform& platform);
// Parses a schedule text (records end at the first zero byte or at `length`).
void ParseScheduleText(ScheduleTable& schedule, const char* text, int length);
int SaveSchedule(const ScheduleTable& schedule, Platform& platform);
void SortSchedule(ScheduleTable& schedule);
void RemoveTask(ScheduleTable& schedule, int index);
// The first timed task due strictly within `alerttime` minutes after `now` (file times), or -1.
int FindAlertTask(const ScheduleTable& schedule, int64_t now, int alerttime);
