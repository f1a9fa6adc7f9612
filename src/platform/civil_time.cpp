#include "platform/civil_time.h"

namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days from 1 January 1601 to the given date (proleptic Gregorian).
int64_t DaysSince1601(int year, int month, int day) {
    // Shift the year so that it starts in March; then leap days fall at the end.
    int64_t y = year - (month <= 2 ? 1 : 0);
    int64_t m = month <= 2 ? month + 9 : month - 3;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yearOfEra = y - era * 400;
    int64_t dayOfYear = (153 * m + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    // 584694 is 1 January 1601 counted the same way, from 1 March of year 0.
    return era * 146097 + dayOfEra - 584694;
}

}  // namespace

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

int WeekdayOf(int year, int month, int day) {
    // 1 January 1601 was a Monday.
    int64_t days = DaysSince1601(year, month, day);
    int64_t weekday = (days + 1) % 7;
    return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

bool FileTimeFromCivil(const CivilTime& t, int64_t& fileTime) {
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 59 ||
        t.milliseconds > 999) {
        return false;
    }
    int64_t days = DaysSince1601(t.year, t.month, t.day);
    int64_t seconds = days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    fileTime = seconds * kFileTimeTicksPerSecond + static_cast<int64_t>(t.milliseconds) * 10000;
    return true;
}

bool CivilFromFileTime(int64_t fileTime, CivilTime& t) {
    if (fileTime < 0) return false;
    int64_t totalMilliseconds = fileTime / 10000;
    int64_t days = totalMilliseconds / 86400000;
    int64_t msOfDay = totalMilliseconds % 86400000;
    // Back from days since 1601-01-01 to a date, with the March-based year.
    int64_t z = days + 584694;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t dayOfEra = z - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t mp = (5 * dayOfYear + 2) / 153;
    int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    int64_t month = mp < 10 ? mp + 3 : mp - 9;
    int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (year > 30827) return false;
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(day);
    t.dayOfWeek = static_cast<uint16_t>((days + 1) % 7);
    t.hour = static_cast<uint16_t>(msOfDay / 3600000);
    t.minute = static_cast<uint16_t>(msOfDay / 60000 % 60);
    t.second = static_cast<uint16_t>(msOfDay / 1000 % 60);
    t.milliseconds = static_cast<uint16_t>(msOfDay % 1000);
    return true;
}
