#pragma once
#include <cstdint>

// A calendar date and time with the layout of the platform's SYSTEMTIME record, so that
// schedule records convert to and from file times exactly as the platform does.
struct CivilTime {
    uint16_t year = 2009;
    uint16_t month = 1;
    uint16_t dayOfWeek = 0;  // 0 Sunday .. 6 Saturday
    uint16_t day = 1;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

// 100-nanosecond units since 1 January 1601, the platform's file time.
constexpr int64_t kFileTimeTicksPerSecond = 10000000;

// Days in a month of the proleptic Gregorian calendar (month 1..12).
int DaysInMonth(int year, int month);

// Weekday of a Gregorian date, 0 = Sunday.
int WeekdayOf(int year, int month, int day);

// The file time of a date and time taken as is (no time-zone conversion). Fails, like
// SystemTimeToFileTime, when a field is out of range or the date does not exist
// (31 April, 29 February of a common year); the day of week is not examined.
bool FileTimeFromCivil(const CivilTime& time, int64_t& fileTime);

// The inverse, filling in the day of week, as FileTimeToSystemTime does.
bool CivilFromFileTime(int64_t fileTime, CivilTime& time);
