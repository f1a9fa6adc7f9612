#include "schedule/task_editor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/schedule_tasks.h"
#include "support/test_platform.h"

namespace {

std::vector<std::string> Texts(const RecordingMessageBoxes& messages) {
    std::vector<std::string> texts;
    for (const ShownMessage& m : messages.shown) {
        EXPECT_EQ("入力エラー", m.title);
        EXPECT_EQ(MessageIcon::Warning, m.icon);
        texts.push_back(m.text);
    }
    return texts;
}

TEST(TaskEditor, TwoTypedDigitsMoveTheFocusButUpDownStepsDoNot) {
    struct Case {
        int remembered;
        const char* text;
        bool advance;
        int rememberedAfter;
    };
    const Case cases[] = {
        {9, "1", false, 1},     // the first typed digit replaces the selected text
        {1, "15", true, 1},     // the second one jumps; the remembered value stays
        {9, "10", false, 10},   // an up-down step from 9 to 10
        {14, "15", false, 15},  // a step up
        {15, "14", false, 14},  // a step down
        {14, "20", true, 14},   // more than five above
        {0, "05", true, 0},     // from 0 any two digits jump
        {0, "1", false, 1},     // one digit never jumps
        {3, "", false, 0},      // an emptied field
        {59, "00", false, 0},   // the minute arrows wrapping are no jump
        {1, "１５", true, 1},   // two full-width digits typed with the input method jump too
        {9, "１", false, 1},
    };
    for (const Case& c : cases) {
        int remembered = c.remembered;
        EXPECT_EQ(c.advance, AdvanceFocus(remembered, c.text)) << c.remembered << " \"" << c.text << "\"";
        EXPECT_EQ(c.rememberedAfter, remembered) << c.remembered << " \"" << c.text << "\"";
    }
    // Typing "15" over a selected "9": one change per key.
    int hour = 9;
    EXPECT_FALSE(AdvanceFocus(hour, "1"));
    EXPECT_TRUE(AdvanceFocus(hour, "15"));
}

TEST(TaskEditor, TheNoTimeBoxDisablesAndEnablesTheTimeOnce) {
    int state = 0;
    EXPECT_EQ(NoTimeChange::None, FollowNoTimeBox(state, false));
    EXPECT_EQ(NoTimeChange::DisableTime, FollowNoTimeBox(state, true));
    EXPECT_EQ(1, state);
    EXPECT_EQ(NoTimeChange::None, FollowNoTimeBox(state, true));  // any other command
    EXPECT_EQ(NoTimeChange::EnableTime, FollowNoTimeBox(state, false));
    EXPECT_EQ(0, state);
}

TEST(TaskEditor, TheCalendarShowsAsManyMonthsAsTheDialogWidthAllows) {
    struct Case {
        int monthWidth, outerWidth, months;
    };
    const Case cases[] = {{185, 410, 2}, {185, 390, 1}, {185, 391, 2},
                          {100, 600, 5}, {400, 300, 1}, {-10, 300, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.months, CalendarMonthsAcross(c.monthWidth, c.outerWidth))
            << c.monthWidth << " " << c.outerWidth;
    }
}

TEST(TaskEditor, FieldsThatAreNotNumbersReadAsZero) {
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {{"", 0},     {"7", 7},     {"07", 7},  {" 12 ", 12}, {"1a", 0},
                          {"-1", 0},   {"+5", 0},    {"25", 25}, {"１５", 15}, {"０９", 9},
                          {"1５", 15}, {"２４", 24}, {"１ａ", 0}};
    for (const Case& c : cases) EXPECT_EQ(c.value, TimeFieldValue(c.text)) << c.text;
    EXPECT_GT(TimeFieldValue("99999999999999"), 23);  // never wraps into the valid range
}

TEST(TaskEditor, BadFieldsAreReportedInTheirOrderAndKeepTheDialogOpen) {
    const std::string kTime = "時刻が不正です。";
    const std::string kText = "タスクが入力されていません。";
    const std::string kLong = kTaskTextTooLong;
    const std::string ascii255(255, 'a'), ascii256(256, 'a');
    std::string japanese127, japanese128;
    for (int i = 0; i < 127; ++i) japanese127 += "予";
    japanese128 = japanese127 + "定";
    struct Case {
        const char* hour;
        const char* minute;
        const char* text;
        int noTimeState;
        bool stored;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"25", "61", "x", 0, false, {kTime, kTime}},
        {"24", "30", "x", 0, false, {kTime}},
        {"10", "60", "x", 0, false, {kTime}},
        {"25", "61", "", 0, false, {kTime, kTime, kText}},
        {"10", "30", "", 0, false, {kText}},
        {"24", "30", "", 0, false, {kTime, kText}},
        {"10", "30", "x", 0, true, {}},
        {"99", "99", "x", 1, true, {}},  // the disabled fields are not read
        {"10", "30", ascii255.c_str(), 0, true, {}},
        {"10", "30", ascii256.c_str(), 0, false, {kLong}},  // never cut without a word
        {"10", "30", japanese127.c_str(), 0, true, {}},
        {"25", "30", japanese128.c_str(), 0, false, {kTime, kLong}},
    };
    for (const Case& c : cases) {
        RecordingMessageBoxes messages;
        TaskForm form;
        form.date = Date(2025, 3, 14);
        form.hour = c.hour;
        form.minute = c.minute;
        form.noTimeState = c.noTimeState;
        form.noTimeChecked = c.noTimeState == 1;
        form.text = c.text;
        ScheduleEntry record;
        EXPECT_EQ(c.stored, ReadTaskForm(form, record, messages))
            << c.hour << ":" << c.minute << " " << c.text;
        EXPECT_EQ(c.messages, Texts(messages)) << c.hour << ":" << c.minute << " " << c.text;
    }
}

TEST(TaskEditor, TheRecordTakesTheDateTimeWeekdayAndText) {
    struct Case {
        int weekdayChoice;
        bool noTime;
        const char* hour;
        int weekday, storedHour, storedMinute, noTimeFlag;
    };
    const Case cases[] = {
        {0, false, "9", -1, 9, 45, 0},   // "無し": a dated task
        {4, false, "18", 3, 18, 45, 0},  // "水曜": weekday 3
        {1, true, "18", 0, 0, 0, 1},     // "日曜" without a time of day: 0:00
        {-1, false, "", -1, 0, 45, 0},   // no list selection; an empty hour reads as 0
    };
    for (const Case& c : cases) {
        RecordingMessageBoxes messages;
        TaskForm form;
        form.date = Date(2025, 3, 14);
        form.date.dayOfWeek = 1;  // wrong on purpose: the record's own is computed
        form.hour = c.hour;
        form.minute = "45";
        form.noTimeState = c.noTime ? 1 : 0;
        form.noTimeChecked = c.noTime;
        form.weekdayChoice = c.weekdayChoice;
        form.text = "会議";
        ScheduleEntry record;
        ASSERT_TRUE(ReadTaskForm(form, record, messages));
        EXPECT_EQ(c.weekday, record.weekday);
        EXPECT_EQ(c.storedHour, record.when.hour);
        EXPECT_EQ(c.storedMinute, record.when.minute);
        EXPECT_EQ(c.noTimeFlag, record.noTime);
        EXPECT_EQ(5, record.when.dayOfWeek);  // 14 March 2025 is a Friday
        EXPECT_EQ(Task(2025, 3, 14, c.storedHour, c.storedMinute, "").stamp, record.stamp);
        EXPECT_STREQ("会議", record.text);
    }
    // A text longer than the record's 255 bytes is refused, never cut without a word.
    RecordingMessageBoxes messages;
    const std::string longText = std::string(254, 'a') + "予定";
    TaskForm form;
    form.date = Date(2025, 3, 14);
    form.hour = "1";
    form.minute = "2";
    form.text = longText.c_str();
    ScheduleEntry record;
    EXPECT_FALSE(ReadTaskForm(form, record, messages));
    EXPECT_EQ(std::vector<std::string>{kTaskTextTooLong}, Texts(messages));
}

TEST(TaskEditor, DatesTheFileCannotHoldAreRefused) {
    for (int year : {2000, 3000}) {
        RecordingMessageBoxes messages;
        TaskForm form;
        form.date = Date(year, 6, 1);
        form.hour = "1";
        form.minute = "2";
        form.text = "x";
        ScheduleEntry record;
        EXPECT_FALSE(ReadTaskForm(form, record, messages)) << year;
        EXPECT_EQ(std::vector<std::string>{"2001年から2999年までの日付を選んでください。"}, Texts(messages));
    }
}

TEST(TaskEditor, StoringAddsOrReplacesAndKeepsTheTableInTimeOrder) {
    auto table = std::make_unique<ScheduleTable>();
    table->entry[0] = Task(2025, 3, 14, 9, 0, "nine");
    table->entry[1] = Task(2025, 3, 14, 17, 0, "five");
    table->count = 2;
    ASSERT_TRUE(StoreTask(*table, 0, -1, Task(2025, 3, 14, 12, 0, "noon")));
    ASSERT_EQ(3, table->count);
    EXPECT_STREQ("noon", table->entry[1].text);
    // Editing "nine" to the evening moves it last; the others keep their order.
    ASSERT_TRUE(StoreTask(*table, 1, 0, Task(2025, 3, 14, 20, 0, "nine, moved")));
    ASSERT_EQ(3, table->count);
    EXPECT_STREQ("noon", table->entry[0].text);
    EXPECT_STREQ("five", table->entry[1].text);
    EXPECT_STREQ("nine, moved", table->entry[2].text);
    // OK without changes stores the same task again.
    const ScheduleEntry same = table->entry[1];
    ASSERT_TRUE(StoreTask(*table, 1, 1, same));
    EXPECT_STREQ("five", table->entry[1].text);
    EXPECT_EQ(3, table->count);

    EXPECT_FALSE(StoreTask(*table, 1, 3, same));  // no such task
    EXPECT_FALSE(StoreTask(*table, 1, -1, same));
    table->count = kScheduleCapacity;
    EXPECT_FALSE(StoreTask(*table, 0, -1, same));  // full
    EXPECT_EQ(kScheduleCapacity, table->count);
}

TEST(TaskEditor, EditingPresetsEveryFieldWeeklyTasksIncluded) {
    struct Case {
        ScheduleEntry task;
        int choice;
        bool dateEnabled;
    };
    const Case cases[] = {
        {Task(2025, 3, 14, 18, 30, "毎週の会議", 3), 4, false},
        {Task(2025, 3, 16, 0, 0, "日曜の掃除", 0, 1), 1, false},
        {Task(2025, 3, 14, 7, 5, "朝の電話"), 0, true},
    };
    for (const Case& c : cases) {
        TaskPreset p = PresetFromTask(c.task);
        EXPECT_EQ(c.choice, p.weekdayChoice) << c.task.text;
        EXPECT_EQ(c.dateEnabled, p.dateFieldEnabled);
        EXPECT_EQ(c.task.when.hour, p.hour);
        EXPECT_EQ(c.task.when.minute, p.minute);
        EXPECT_EQ(c.task.noTime != 0, p.noTime);
        EXPECT_STREQ(c.task.text, p.text);
        EXPECT_EQ(c.task.when.day, p.date.day);
    }
    char text[16];
    FormatDateField(Date(2025, 3, 4), text, sizeof text);
    EXPECT_STREQ("2025/03/04", text);
}

}  // namespace
