#pragma once
// Schedule records and dates for the schedule's tests.
#include <cstdint>

#include "feed/text.h"
#include "platform/civil_time.h"
#include "schedule/schedule.h"

// A task at a date and time (weekday 0..6 for a weekly task), stamped as the table keeps it.
inline ScheduleEntry Task(int y, int mo, int d, int h, int mi, const char* text, int weekday = -1,
                          int noTime = 0) {
    ScheduleEntry e;
    e.when.year = static_cast<uint16_t>(y);
    e.when.month = static_cast<uint16_t>(mo);
    e.when.day = static_cast<uint16_t>(d);
    e.when.hour = static_cast<uint16_t>(h);
    e.when.minute = static_cast<uint16_t>(mi);
    e.noTime = noTime;
    e.weekday = static_cast<int8_t>(weekday);
    CopyCut(e.text, sizeof e.text, text);
    StampScheduleEntry(e);
    return e;
}

inline CivilTime Date(int y, int mo, int d) {
    CivilTime t;
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint16_t>(mo);
    t.day = static_cast<uint16_t>(d);
    return t;
}
