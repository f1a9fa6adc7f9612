#include "schedule/schedule.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "support/schedule_tasks.h"
#include "support/test_platform.h"

namespace {

std::unique_ptr<ScheduleTable> Parsed(const std::string& text) {
    auto table = std::make_unique<ScheduleTable>();
    ParseScheduleText(*table, text.c_str(), static_cast<int>(text.size()));
    return table;
}

int64_t StampOf(int y, int mo, int d, int h = 0, int mi = 0) {
    CivilTime t;
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint16_t>(mo);
    t.day = static_cast<uint16_t>(d);
    t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(mi);
    int64_t stamp = 0;
    EXPECT_TRUE(FileTimeFromCivil(t, stamp));
    return stamp;
}

TEST(ScheduleText, RecordsAreReadAndTimeStamped) {
    auto t = Parsed("2025,3,14,9,30,0,-1,\r\n会議\r\n2025,3,14,0,0,1,2,\r\nWeekly\r\n");
    ASSERT_EQ(2, t->count);
    const ScheduleEntry& a = t->entry[0];
    EXPECT_EQ(2025, a.when.year);
    EXPECT_EQ(3, a.when.month);
    EXPECT_EQ(14, a.when.day);
    EXPECT_EQ(5, a.when.dayOfWeek);  // a Friday
    EXPECT_EQ(9, a.when.hour);
    EXPECT_EQ(30, a.when.minute);
    EXPECT_EQ(StampOf(2025, 3, 14, 9, 30), a.stamp);
    EXPECT_EQ(0, a.noTime);
    EXPECT_EQ(-1, a.weekday);
    EXPECT_STREQ("会議", a.text);
    EXPECT_EQ(1, t->entry[1].noTime);
    EXPECT_EQ(2, t->entry[1].weekday);
    // Records after the last one keep the empty values.
    EXPECT_EQ(2009, t->entry[2].when.year);
    EXPECT_EQ(0, t->entry[2].stamp);
    EXPECT_EQ(-1, t->entry[2].weekday);
}

TEST(ScheduleText, ReadingEndsAtTheFirstBadRecord) {
    const std::string good = "2025,3,14,9,30,0,-1,\r\nfirst\r\n";
    EXPECT_EQ(1, Parsed(good + "2000,1,1,0,0,0,-1,\r\nold\r\n" + good)->count);
    EXPECT_EQ(1, Parsed(good + "2025,1,1,0,0,0,7,\r\nbad weekday\r\n" + good)->count);
    EXPECT_EQ(1, Parsed(good + "2025,1,1,24,0,0,-1,\r\nbad hour\r\n" + good)->count);
    EXPECT_EQ(1, Parsed(good + "2025,13,1,0,0,0,-1,\r\nbad month\r\n" + good)->count);
    EXPECT_EQ(1, Parsed(good + "2025,1,1,0,0,2,-1,\r\nbad flag\r\n" + good)->count);
    EXPECT_EQ(1, Parsed(good + "2025,1,1,0,0,0\r\n-1,\r\nmissing comma\r\n" + good)->count);
    EXPECT_EQ(1, Parsed(good + "2025,1,1,0,0,0,-1,\r\n\r\n")->count);  // no text line
    EXPECT_EQ(1, Parsed(good + "2025,1,1,0,0,0,-1,")->count);
    EXPECT_EQ(2, Parsed(good + good.substr(0, good.size() - 2))->count);  // a text without line end
    EXPECT_EQ(1, Parsed(good + std::string("\0", 1) + good)->count);      // the text ends at a zero byte
}

TEST(ScheduleText, BlankLinesAndTrailingFieldsAreSkipped) {
    auto t =
        Parsed("  2025, +3,14x,9,30,0,-1,whatever\r\n\r\n\n\rtext line\r\n\r\n2026,1,2,3,4,0,-1,\nsecond\n");
    ASSERT_EQ(2, t->count);
    EXPECT_EQ(3, t->entry[0].when.month);
    EXPECT_EQ(14, t->entry[0].when.day);
    EXPECT_STREQ("text line", t->entry[0].text);
    EXPECT_STREQ("second", t->entry[1].text);
}

TEST(ScheduleText, ATableHoldsAtMost1024Records) {
    std::string text;
    for (int i = 0; i < 1025; ++i) text += "2025,3,14,9,30,0,-1,\r\ntask " + std::to_string(i) + "\r\n";
    auto t = Parsed(text);
    EXPECT_EQ(1024, t->count);
    EXPECT_STREQ("task 1023", t->entry[1023].text);
}

TEST(ScheduleText, DatesThatDoNotExistBecomeTheLastDayOfTheirMonth) {
    auto t = Parsed(
        "2025,4,31,10,0,0,-1,\r\nApril\r\n2025,2,29,8,15,0,-1,\r\nFebruary\r\n"
        "2024,2,29,8,15,0,-1,\r\nLeap day\r\n2100,2,30,0,0,1,-1,\r\nCentury\r\n");
    ASSERT_EQ(4, t->count);
    EXPECT_EQ(30, t->entry[0].when.day);
    EXPECT_EQ(StampOf(2025, 4, 30, 10, 0), t->entry[0].stamp);
    EXPECT_EQ(3, t->entry[0].when.dayOfWeek);  // a Wednesday
    EXPECT_EQ(28, t->entry[1].when.day);
    EXPECT_EQ(StampOf(2025, 2, 28, 8, 15), t->entry[1].stamp);
    EXPECT_EQ(29, t->entry[2].when.day);
    EXPECT_EQ(StampOf(2024, 2, 29, 8, 15), t->entry[2].stamp);
    EXPECT_EQ(28, t->entry[3].when.day);
    EXPECT_EQ(StampOf(2100, 2, 28), t->entry[3].stamp);
}

TEST(ScheduleText, LongTextLinesAreCutAtACharacterBoundary) {
    std::string text = std::string(254, 'a') + "予定" + std::string(40, 'b');
    auto t = Parsed("2025,3,14,9,30,0,-1,\r\n" + text + "\r\n2025,3,15,9,30,0,-1,\r\nnext\r\n");
    ASSERT_EQ(2, t->count);
    EXPECT_EQ(std::string(254, 'a'), t->entry[0].text);
    EXPECT_STREQ("next", t->entry[1].text);
    auto u = Parsed("2025,3,14,9,30,0,-1,\r\n" + std::string(253, 'a') + "予定\r\n");
    EXPECT_EQ(std::string(253, 'a') + "予", u->entry[0].text);
}

TEST(ScheduleFile, SavedTableLoadsBackTheSame) {
    TestPlatform p;
    auto table = std::make_unique<ScheduleTable>();
    table->entry[0] = Task(2025, 3, 14, 9, 30, "会議");
    table->entry[1] = Task(2025, 3, 16, 0, 0, "日曜の掃除", 0, 1);
    table->entry[2] = Task(2999, 12, 31, 23, 59, std::string(255, 'z').c_str(), 6);
    table->count = 3;
    ASSERT_EQ(0, SaveSchedule(*table, p.platform));
    EXPECT_EQ(0u, p.folder.Read("schedule.dat")
                      .find("2025,3,14,9,30,0,-1,\r\n会議\r\n2025,3,16,0,0,1,0,\r\n日曜の掃除\r\n2999,12,31,"
                            "23,59,0,6,\r\n"));
    auto loaded = std::make_unique<ScheduleTable>();
    LoadSchedule(*loaded, p.platform);
    ASSERT_EQ(3, loaded->count);
    for (int i = 0; i < 3; ++i) {
        const ScheduleEntry& a = table->entry[i];
        const ScheduleEntry& b = loaded->entry[i];
        EXPECT_EQ(0, memcmp(&a.when, &b.when, sizeof a.when)) << i;
        EXPECT_EQ(a.stamp, b.stamp);
        EXPECT_EQ(a.noTime, b.noTime);
        EXPECT_EQ(a.weekday, b.weekday);
        EXPECT_STREQ(a.text, b.text);
    }
    EXPECT_EQ(0, loaded->entry[1].weekday);
    EXPECT_TRUE(p.messages.shown.empty());
}

TEST(ScheduleFile, AFullTableOfLongTasksIsReadWhole) {
    TestPlatform p;
    auto table = std::make_unique<ScheduleTable>();
    for (int i = 0; i < kScheduleCapacity; ++i) {
        table->entry[i] = Task(2999, 12, 31, 23, 59, (std::to_string(i) + std::string(255, 'x')).c_str());
    }
    table->count = kScheduleCapacity;
    ASSERT_EQ(0, SaveSchedule(*table, p.platform));
    auto loaded = std::make_unique<ScheduleTable>();
    LoadSchedule(*loaded, p.platform);
    ASSERT_EQ(kScheduleCapacity, loaded->count);
    EXPECT_STREQ(table->entry[kScheduleCapacity - 1].text, loaded->entry[kScheduleCapacity - 1].text);
}

TEST(ScheduleFile, TextsThatWouldBreakTheirRecordAreWrittenOnOneLine) {
    TestPlatform p;
    auto table = std::make_unique<ScheduleTable>();
    table->entry[0] = Task(2025, 3, 14, 9, 30, "two\r\nlines");
    table->entry[1] = Task(2025, 3, 15, 9, 30, "");
    table->entry[2] = Task(2025, 3, 16, 9, 30, "last");
    table->count = 3;
    ASSERT_EQ(0, SaveSchedule(*table, p.platform));
    auto loaded = std::make_unique<ScheduleTable>();
    LoadSchedule(*loaded, p.platform);
    ASSERT_EQ(3, loaded->count);
    EXPECT_STREQ("two  lines", loaded->entry[0].text);
    EXPECT_STREQ(" ", loaded->entry[1].text);
    EXPECT_STREQ("last", loaded->entry[2].text);
}

TEST(ScheduleFile, MissingShortOrReadOnlyFileGivesAnEmptyTable) {
    TestPlatform p;
    auto table = std::make_unique<ScheduleTable>();
    table->count = 3;
    LoadSchedule(*table, p.platform);
    EXPECT_EQ(0, table->count);
    EXPECT_FALSE(p.folder.Exists("schedule.dat"));

    p.folder.Write("schedule.dat", "2025,3,1\r");  // 9 bytes
    LoadSchedule(*table, p.platform);
    EXPECT_EQ(0, table->count);

    p.folder.Write("schedule.dat", "2025,3,14,9,30,0,-1,\r\nx\r\n");
    LoadSchedule(*table, p.platform);
    EXPECT_EQ(1, table->count);
    chmod(p.folder.File("schedule.dat").c_str(), 0444);
    LoadSchedule(*table, p.platform);
    EXPECT_EQ(0, table->count);
    EXPECT_TRUE(p.messages.shown.empty());
}

TEST(ScheduleOrder, SelectionSortByTimeStamp) {
    auto t = std::make_unique<ScheduleTable>();
    t->entry[0] = Task(2025, 5, 1, 10, 0, "B1");
    t->entry[1] = Task(2025, 5, 1, 10, 0, "B2");
    t->entry[2] = Task(2025, 4, 1, 10, 0, "A");
    t->entry[3] = Task(2026, 1, 1, 0, 0, "C");
    t->count = 4;
    SortSchedule(*t);
    // The exchange of the first and third record puts B2 before B1.
    EXPECT_STREQ("A", t->entry[0].text);
    EXPECT_STREQ("B2", t->entry[1].text);
    EXPECT_STREQ("B1", t->entry[2].text);
    EXPECT_STREQ("C", t->entry[3].text);
    // The first of two equal tasks after sorting is the one that alerts.
    EXPECT_EQ(1, FindAlertTask(*t, StampOf(2025, 5, 1, 9, 59), 3));
}

TEST(ScheduleOrder, RemoveTaskKeepsTheOrder) {
    auto t = std::make_unique<ScheduleTable>();
    for (int i = 0; i < 4; ++i) t->entry[i] = Task(2025, 5, i + 1, 10, 0, std::to_string(i).c_str());
    t->count = 4;
    RemoveTask(*t, 1);
    ASSERT_EQ(3, t->count);
    EXPECT_STREQ("0", t->entry[0].text);
    EXPECT_STREQ("2", t->entry[1].text);
    EXPECT_STREQ("3", t->entry[2].text);
    EXPECT_STREQ("", t->entry[3].text);
    RemoveTask(*t, 3);
    RemoveTask(*t, -1);
    EXPECT_EQ(3, t->count);
    RemoveTask(*t, 2);
    EXPECT_EQ(2, t->count);
}

TEST(ScheduleAlert, DueStrictlyWithinTheAlertTime) {
    auto t = std::make_unique<ScheduleTable>();
    t->entry[0] = Task(2025, 5, 1, 10, 0, "no time", -1, 1);
    t->entry[1] = Task(2025, 5, 1, 10, 0, "timed");
    t->count = 2;
    const int64_t due = t->entry[1].stamp;
    const int64_t second = kFileTimeTicksPerSecond;
    EXPECT_EQ(-1, FindAlertTask(*t, due - 180 * second, 3));  // exactly three minutes before
    EXPECT_EQ(1, FindAlertTask(*t, due - 179 * second, 3));   // one second sooner
    EXPECT_EQ(1, FindAlertTask(*t, due - 1000, 3));           // 100 microseconds before
    EXPECT_EQ(-1, FindAlertTask(*t, due - 999, 3));           // less than that
    EXPECT_EQ(-1, FindAlertTask(*t, due, 3));                 // already due
    EXPECT_EQ(-1, FindAlertTask(*t, due + second, 3));
    EXPECT_EQ(-1, FindAlertTask(*t, due - 10 * second, 0));
    t->entry[1].noTime = 1;
    EXPECT_EQ(-1, FindAlertTask(*t, due - 10 * second, 3));
}

}  // namespace
