#include "platform/civil_time.h"

#include <gtest/gtest.h>

namespace {

CivilTime At(int y, int mo, int d, int h = 0, int mi = 0) {
    CivilTime t;
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint16_t>(mo);
    t.day = static_cast<uint16_t>(d);
    t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(mi);
    return t;
}

TEST(FileTime, KnownValues) {
    int64_t stamp = -1;
    ASSERT_TRUE(FileTimeFromCivil(At(1601, 1, 1), stamp));
    EXPECT_EQ(0, stamp);
    // The Unix epoch is 11644473600 seconds after 1601-01-01.
    ASSERT_TRUE(FileTimeFromCivil(At(1970, 1, 1), stamp));
    EXPECT_EQ(116444736000000000LL, stamp);
    ASSERT_TRUE(FileTimeFromCivil(At(2025, 3, 14, 9, 30), stamp));
    EXPECT_EQ((11644473600LL + 1741944600LL) * kFileTimeTicksPerSecond, stamp);
}

TEST(FileTime, RefusesDatesThatDoNotExist) {
    int64_t stamp = 0;
    EXPECT_FALSE(FileTimeFromCivil(At(2025, 4, 31), stamp));
    EXPECT_FALSE(FileTimeFromCivil(At(2025, 2, 29), stamp));
    EXPECT_TRUE(FileTimeFromCivil(At(2024, 2, 29), stamp));
    EXPECT_FALSE(FileTimeFromCivil(At(2100, 2, 29), stamp));
    EXPECT_TRUE(FileTimeFromCivil(At(2000, 2, 29), stamp));
    EXPECT_FALSE(FileTimeFromCivil(At(2025, 13, 1), stamp));
    EXPECT_FALSE(FileTimeFromCivil(At(2025, 1, 1, 24), stamp));
}

TEST(FileTime, RoundTripsAndFillsTheWeekday) {
    for (int year : {2001, 2004, 2025, 2100, 2400, 2999}) {
        for (int month = 1; month <= 12; ++month) {
            CivilTime in = At(year, month, DaysInMonth(year, month), 23, 59);
            int64_t stamp = 0;
            ASSERT_TRUE(FileTimeFromCivil(in, stamp));
            CivilTime out;
            ASSERT_TRUE(CivilFromFileTime(stamp, out));
            EXPECT_EQ(in.year, out.year);
            EXPECT_EQ(in.month, out.month);
            EXPECT_EQ(in.day, out.day);
            EXPECT_EQ(23, out.hour);
            EXPECT_EQ(59, out.minute);
            EXPECT_EQ(WeekdayOf(year, month, in.day), out.dayOfWeek);
        }
    }
    // 3 February 2025 was a Monday; 1 January 2000 a Saturday.
    EXPECT_EQ(1, WeekdayOf(2025, 2, 3));
    EXPECT_EQ(6, WeekdayOf(2000, 1, 1));
}

}  // namespace
