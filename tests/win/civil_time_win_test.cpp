// The portable calendar arithmetic of schedule records against the platform's own conversions.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/civil_time.h"
#include "platform/platform_win.h"

namespace {

// Wine's conversion looks February up in the leap-year table whatever the year, so it accepts
// 29 February of a common year, which Windows refuses.
bool RunningOnWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

bool IsCommonYearLeapDay(int year, int month, int day) {
    return month == 2 && day == 29 && DaysInMonth(year, 2) == 28;
}

int64_t FromFileTime(const FILETIME& ft) {
    return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

// Compares one date and time both ways; returns whether the date exists.
bool CompareWithPlatform(int year, int month, int day, int hour, int minute) {
    CivilTime t;
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(day);
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
    t.dayOfWeek = 5;  // ignored by both
    SYSTEMTIME st = SystemTimeFromCivil(t);
    FILETIME ft;
    bool platformOk = SystemTimeToFileTime(&st, &ft) != 0;
    int64_t stamp = -1;
    bool portableOk = FileTimeFromCivil(t, stamp);
    if (IsCommonYearLeapDay(year, month, day) && RunningOnWine()) {
        EXPECT_FALSE(portableOk) << year;
        return false;
    }
    EXPECT_EQ(platformOk, portableOk) << year << "-" << month << "-" << day;
    if (!platformOk || !portableOk) return false;
    EXPECT_EQ(FromFileTime(ft), stamp) << year << "-" << month << "-" << day << " " << hour << ":" << minute;

    SYSTEMTIME back;
    CivilTime portableBack;
    EXPECT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_TRUE(CivilFromFileTime(stamp, portableBack));
    EXPECT_EQ(back.wYear, portableBack.year);
    EXPECT_EQ(back.wMonth, portableBack.month);
    EXPECT_EQ(back.wDay, portableBack.day);
    EXPECT_EQ(back.wDayOfWeek, portableBack.dayOfWeek) << year << "-" << month << "-" << day;
    EXPECT_EQ(back.wHour, portableBack.hour);
    EXPECT_EQ(back.wMinute, portableBack.minute);
    return true;
}

TEST(CivilTimeAgainstPlatform, EveryMonthEndAndLeapDayFrom2001To2999) {
    int existing = 0;
    for (int year = 2001; year <= 2999; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day : {1, 15, 28, 29, 30, 31}) {
                if (CompareWithPlatform(year, month, day, (year + day) % 24, (month * 7 + day) % 60))
                    ++existing;
            }
        }
        if (HasFailure()) break;
    }
    // 999 years of 12 months with days 1, 15 and 28 always, and 29, 30, 31 where they exist.
    EXPECT_GT(existing, 999 * 12 * 3);
}

TEST(CivilTimeAgainstPlatform, RefusesTheSameImpossibleDates) {
    EXPECT_FALSE(CompareWithPlatform(2025, 4, 31, 9, 0));
    EXPECT_FALSE(CompareWithPlatform(2025, 2, 29, 9, 0));
    EXPECT_FALSE(CompareWithPlatform(2100, 2, 29, 9, 0));
    EXPECT_TRUE(CompareWithPlatform(2400, 2, 29, 9, 0));
    EXPECT_TRUE(CompareWithPlatform(2024, 2, 29, 23, 59));
}

TEST(CivilTimeAgainstPlatform, FileTimesBackToDatesAcrossTheRange) {
    // Every 997th hour from 2001 to 2999, with odd minutes and seconds.
    FILETIME start;
    SYSTEMTIME first = {2001, 1, 1, 1, 0, 0, 0, 0};
    ASSERT_TRUE(SystemTimeToFileTime(&first, &start));
    const int64_t step = 997LL * 3600 * kFileTimeTicksPerSecond + 61LL * kFileTimeTicksPerSecond + 12345;
    for (int64_t stamp = FromFileTime(start);
         stamp < FromFileTime(start) + 999LL * 366 * 86400 * kFileTimeTicksPerSecond; stamp += step) {
        FILETIME ft;
        ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(stamp) & 0xFFFFFFFFu);
        ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(stamp) >> 32);
        SYSTEMTIME st;
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
        CivilTime t;
        ASSERT_TRUE(CivilFromFileTime(stamp, t));
        ASSERT_EQ(st.wYear, t.year);
        ASSERT_EQ(st.wMonth, t.month);
        ASSERT_EQ(st.wDay, t.day);
        ASSERT_EQ(st.wDayOfWeek, t.dayOfWeek);
        ASSERT_EQ(st.wHour, t.hour);
        ASSERT_EQ(st.wMinute, t.minute);
        ASSERT_EQ(st.wSecond, t.second);
        ASSERT_EQ(st.wMilliseconds, t.milliseconds);
    }
}

}  // namespace
