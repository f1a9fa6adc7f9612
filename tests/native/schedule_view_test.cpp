#include "schedule/schedule_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "support/schedule_tasks.h"
#include "support/test_platform.h"

namespace {

// A fixed-pitch font: every byte is 7 pixels wide, so a double-byte character is 14.
class PerByte : public TextMeasure {
  public:
    explicit PerByte(int pixels) : pixels_(pixels) {}
    int Width(const char*, size_t length) override {
        ++calls;
        return static_cast<int>(length) * pixels_;
    }
    int calls = 0;

  private:
    int pixels_;
};

ScheduleView View(int headerHeight, int rowHeight, int firstVisible) {
    ScheduleView v;
    v.headerHeight = headerHeight;
    v.rowHeight = rowHeight;
    v.firstVisible = firstVisible;
    return v;
}

TEST(ScheduleView, OpeningResetsTheSelectionAndTakesTheColumnsFromTheLayout) {
    ScheduleView v = View(20, 16, 7);
    v.selected = 4;
    v.columnWidth[0] = 300;
    OpenScheduleView(v, 609, 19);
    EXPECT_EQ(-1, v.selected);
    EXPECT_EQ(7, v.firstVisible);  // kept between openings
    EXPECT_EQ(19, v.headerHeight);
    EXPECT_EQ(111, v.columnWidth[0]);
    EXPECT_EQ(62, v.columnWidth[1]);
    EXPECT_EQ(508, v.columnWidth[2]);
}

TEST(ScheduleView, AClickSelectsTheRowUnderThePointer) {
    struct Case {
        int first, count, y, task;
    };
    // Header 20 px, rows 16 px: with the first row at the top the rows begin at 22, 38, 54 ...
    const Case cases[] = {
        {0, 10, 22, 0},  {0, 10, 37, 0}, {0, 10, 38, 1}, {0, 10, 21, 0},  // above every row: task 0
        {0, 10, 700, 9},                                                  // below the last row
        {3, 10, 22, 3},  {3, 10, 38, 4},                                  // scrolled by three rows
        {3, 10, 21, 3},   // never a row scrolled away above the top one
        {12, 10, 30, 9},  // scrolled past the end (tasks were deleted)
        {0, 0, 30, -1},  {0, 1, 300, 0},
    };
    for (const Case& c : cases) {
        ScheduleView v = View(20, 16, c.first);
        EXPECT_EQ(c.task, TaskAtY(v, c.count, c.y))
            << "first " << c.first << " count " << c.count << " y " << c.y;
    }
}

TEST(ScheduleView, OnlyRowsThatBeginInsideTheClientAreaAreDrawn) {
    struct Case {
        int first, count, clientHeight, end;
    };
    // Rows at 22, 38, 54, 70, 86, 102 ...: five begin above 100.
    const Case cases[] = {{0, 10, 100, 5}, {0, 3, 100, 3},   {2, 10, 100, 7},   {0, 10, 86, 4},
                          {0, 10, 87, 5},  {9, 10, 100, 10}, {10, 10, 100, 10}, {0, 10, 10, 0}};
    for (const Case& c : cases) {
        ScheduleView v = View(20, 16, c.first);
        EXPECT_EQ(c.end, RowsEnd(v, c.count, c.clientHeight))
            << c.first << " " << c.count << " " << c.clientHeight;
    }
    ScheduleView v = View(20, 16, 2);
    EXPECT_EQ(22, RowTop(v, 2));
    EXPECT_EQ(54, RowTop(v, 4));
}

TEST(ScheduleView, MarginBandsAndButtonsMoveTheFirstVisibleRow) {
    struct Band {
        int y;
        MarginButton button;
    };
    const Band bands[] = {{0, MarginButton::First}, {21, MarginButton::First}, {22, MarginButton::Up},
                          {43, MarginButton::Up},   {44, MarginButton::Down},  {62, MarginButton::Down},
                          {63, MarginButton::Last}, {79, MarginButton::Last},  {80, MarginButton::None},
                          {400, MarginButton::None}};
    for (const Band& b : bands) EXPECT_EQ(b.button, MarginButtonAt(b.y)) << b.y;
    // Each band's picture lies inside its own band.
    for (const ButtonPlace& place : kMarginButtons) {
        EXPECT_EQ(place.button, MarginButtonAt(place.y)) << place.y;
        EXPECT_EQ(place.button, MarginButtonAt(place.y + place.height - 1)) << place.y;
    }

    struct Press {
        int first, count;
        MarginButton button;
        int after;
    };
    const Press presses[] = {
        {5, 10, MarginButton::First, 0}, {0, 10, MarginButton::Up, 0},     {3, 10, MarginButton::Up, 2},
        {0, 10, MarginButton::Down, 1},  {9, 10, MarginButton::Down, 9},   {0, 0, MarginButton::Down, 0},
        {4, 10, MarginButton::None, 4},  {0, 100, MarginButton::Last, 85},
    };
    for (const Press& p : presses) {
        ScheduleView v = View(20, 16, p.first);
        PressMarginButton(v, p.button, p.count, 300);
        EXPECT_EQ(p.after, v.firstVisible) << p.first << " " << p.count << " " << static_cast<int>(p.button);
    }
}

TEST(ScheduleView, ToLastCountsTheRowsThatFitAboveTheOuterHeightLess64) {
    struct Case {
        int count, outerHeight, first;
    };
    // Header 20, rows 16: from y 22 the rows are counted while y is below outer height - 64.
    const Case cases[] = {
        {100, 300, 85},  // y 22 .. 230 counts 14 rows; the last task is the 15th row from the top
        {16, 300, 1},
        {15, 300, 0},
        {5, 300, 0},
        {1, 300, 0},
        {0, 300, 0},    // no tasks: 0
        {100, 86, 99},  // no room at all: the last task alone
        {1023, 800, 1023 - 45 - 1},
    };
    for (const Case& c : cases) {
        ScheduleView v = View(20, 16, 0);
        EXPECT_EQ(c.first, FirstVisibleForLast(v, c.count, c.outerHeight)) << c.count << " " << c.outerHeight;
    }
}

TEST(ScheduleView, TheWheelMovesOneRowWithinTheTable) {
    struct Case {
        int first, count, delta;
        bool moved;
        int after;
    };
    const Case cases[] = {
        {0, 10, -120, true, 1}, {0, 10, -480, true, 1}, {9, 10, -120, false, 9}, {5, 10, 120, true, 4},
        {0, 10, 120, false, 0}, {5, 10, 0, false, 5},   {0, 0, -120, false, 0},
    };
    for (const Case& c : cases) {
        ScheduleView v = View(20, 16, c.first);
        EXPECT_EQ(c.moved, TurnWheel(v, c.delta, c.count)) << c.first << " " << c.delta;
        EXPECT_EQ(c.after, v.firstVisible);
    }
}

TEST(ScheduleView, RowsAreColouredByTheirDate) {
    const CivilTime today = Date(2025, 1, 1);
    struct Case {
        ScheduleEntry task;
        RowFill fill;
    };
    const Case cases[] = {
        {Task(2025, 1, 1, 23, 59, "today"), RowFill::Today},
        {Task(2025, 1, 1, 0, 0, "today without time", -1, 1), RowFill::Today},
        {Task(2024, 12, 31, 23, 59, "yesterday"), RowFill::Past},
        {Task(2024, 6, 30, 0, 0, "earlier year, later month"), RowFill::Past},
        {Task(2025, 1, 2, 0, 0, "tomorrow"), RowFill::None},
        {Task(2025, 1, 1, 9, 0, "weekly, dated today", 3), RowFill::None},
        {Task(2020, 1, 1, 9, 0, "weekly, dated long ago", 0), RowFill::None},
    };
    for (const Case& c : cases) EXPECT_EQ(c.fill, RowFillOf(c.task, today)) << c.task.text;
}

TEST(ScheduleView, DottedLinesSeparateDaysAndFollowEveryWeeklyTask) {
    auto table = std::make_unique<ScheduleTable>();
    table->entry[0] = Task(2025, 3, 14, 9, 0, "a");
    table->entry[1] = Task(2025, 3, 14, 10, 0, "same day");
    table->entry[2] = Task(2025, 3, 15, 9, 0, "weekly", 6);
    table->entry[3] = Task(2025, 3, 15, 10, 0, "same day as the weekly one");
    table->entry[4] = Task(2025, 4, 15, 10, 0, "another month, last");
    table->count = 5;
    const bool expected[] = {false, true, true, true, false};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(expected[i], SeparatorBelow(*table, i)) << i;
    EXPECT_FALSE(SeparatorBelow(*table, -1));
}

TEST(ScheduleView, ColumnsShowDateOrWeekdayTimeAndText) {
    struct Case {
        ScheduleEntry task;
        const char* date;
        const char* time;
    };
    const Case cases[] = {
        {Task(2025, 3, 14, 9, 5, "金曜の会議"), "2025/ 3/14(金)", " 9:05"},
        {Task(2025, 12, 7, 23, 59, "x"), "2025/12/ 7(日)", "23:59"},
        {Task(2025, 3, 14, 0, 0, "no time", -1, 1), "2025/ 3/14(金)", ""},
        {Task(2025, 3, 14, 18, 30, "weekly", 3), "毎週 水曜日", "18:30"},
        {Task(2025, 3, 14, 0, 0, "weekly, no time", 0, 1), "毎週 日曜日", ""},
    };
    for (const Case& c : cases) {
        char text[kSlotSize];
        ColumnText(c.task, 0, text, sizeof text);
        EXPECT_STREQ(c.date, text);
        ColumnText(c.task, 1, text, sizeof text);
        EXPECT_STREQ(c.time, text);
        ColumnText(c.task, 2, text, sizeof text);
        EXPECT_STREQ(c.task.text, text);
    }
}

TEST(ScheduleView, TextsWiderThanTheirColumnEndInDots) {
    struct Case {
        std::string text;
        int column, average, perByte;
        std::string fitted;
    };
    const std::string kana = "あいうえおかきくけこさしすせそ";  // 15 characters, 30 bytes
    const std::string so = "ソソソソソソソソソソ";              // trail bytes 0x5C, which look like '\'
    const Case cases[] = {
        {"short", 100, 7, 7, "short"},
        {std::string(30, 'a'), 100, 7, 7, std::string(10, 'a') + "..."},  // 13 bytes = 91 px <= 92
        {kana, 100, 7, 7, "あいうえお..."},                               // byte 11 would split か
        {"a" + kana, 100, 7, 7, "aあいうえ..."},                          // byte 12 would split お
        {so, 50, 7, 7, "ソ..."},
        {"abcdefghij", 36, 7, 7, "a..."},
        {"abcdefghij", 36, 20, 7, "..."},  // the cut would fall before the text's start
        {"abcdefghij", 36, 7, 20, "..."},  // "..." alone is too wide: it stays
        {std::string(255, 'z'), 10000, 1, 100, std::string(96, 'z') + "..."},  // cut inside the slot
    };
    for (const Case& c : cases) {
        char text[kSlotSize] = {};
        memcpy(text, c.text.data(), c.text.size());
        PerByte measure(c.perByte);
        FitColumnText(text, sizeof text, c.column, c.average, measure);
        EXPECT_EQ(c.fitted, text) << c.text << " in " << c.column;
        EXPECT_LT(measure.calls, 200);
    }
}

TEST(ScheduleCommands, AddEditAndDeleteFollowTheTable) {
    TestPlatform p;
    auto table = std::make_unique<ScheduleTable>();
    ScheduleView v;
    EXPECT_EQ(TaskCommand::Stopped, BeginEditTask(v, *table));
    EXPECT_EQ(TaskCommand::Stopped, DeleteSelectedTask(v, *table));
    EXPECT_EQ(TaskCommand::RunEditor, BeginAddTask(v, *table, p.messages));
    EXPECT_EQ(0, v.editorMode);

    for (int i = 0; i < 3; ++i) table->entry[i] = Task(2025, 3, 14 + i, 9, 0, std::to_string(i).c_str());
    table->count = 3;
    v.selected = -1;
    EXPECT_EQ(TaskCommand::Stopped, BeginEditTask(v, *table));  // nothing selected
    v.selected = 1;
    EXPECT_EQ(TaskCommand::RunEditor, BeginEditTask(v, *table));
    EXPECT_EQ(1, v.editorMode);
    EXPECT_EQ(TaskCommand::Removed, DeleteSelectedTask(v, *table));
    ASSERT_EQ(2, table->count);
    EXPECT_STREQ("0", table->entry[0].text);
    EXPECT_STREQ("2", table->entry[1].text);
    v.selected = 2;  // left behind by the deletion
    EXPECT_EQ(TaskCommand::Stopped, BeginEditTask(v, *table));
    EXPECT_EQ(TaskCommand::Stopped, DeleteSelectedTask(v, *table));
    EXPECT_EQ(2, table->count);
    EXPECT_TRUE(p.messages.shown.empty());

    table->count = 1022;
    v.editorMode = 1;
    EXPECT_EQ(TaskCommand::RunEditor, BeginAddTask(v, *table, p.messages));
    EXPECT_EQ(0, v.editorMode);
    table->count = 1023;
    EXPECT_EQ(TaskCommand::Stopped, BeginAddTask(v, *table, p.messages));
    ASSERT_EQ(1u, p.messages.shown.size());
    EXPECT_EQ("スケジュールが多すぎます。", p.messages.shown[0].text);
    EXPECT_EQ("スケジュール数エラー", p.messages.shown[0].title);
    EXPECT_EQ(MessageIcon::Error, p.messages.shown[0].icon);
}

// Scrolled down to the last task, deleting it left a blank list whose next right-click selected an
// invisible task: the top row is at most the last task after a delete or a load.
TEST(ScheduleCommands, TheTopRowIsAtMostTheLastTaskAfterADeleteOrALoad) {
    struct Case {
        int count, firstVisible, deleted, after;
    };
    const Case cases[] = {
        {3, 2, 2, 1},                // the last task in the top row goes
        {3, 2, 0, 1},                // another one goes: the top row was the last index
        {3, 0, 2, 0},                // the top row stays
        {5, 1, 4, 1}, {1, 0, 0, 0},  // the only task goes
    };
    for (const Case& c : cases) {
        auto table = std::make_unique<ScheduleTable>();
        for (int i = 0; i < c.count; ++i) table->entry[i] = Task(2025, 3, 14, 9 + i, 0, "t");
        table->count = c.count;
        ScheduleView v = View(20, 16, c.firstVisible);
        v.selected = c.deleted;
        ASSERT_EQ(TaskCommand::Removed, DeleteSelectedTask(v, *table));
        EXPECT_EQ(c.after, v.firstVisible) << c.count << " " << c.firstVisible << " " << c.deleted;
        // A click on the top row selects the task drawn there.
        if (table->count > 0) {
            EXPECT_EQ(c.after, TaskAtY(v, table->count, RowTop(v, c.after) + 3));
        }
    }
    // A load of fewer tasks than the row kept from the last opening.
    ScheduleView v = View(20, 16, 9);
    ClampFirstVisible(v, 4);
    EXPECT_EQ(3, v.firstVisible);
    ClampFirstVisible(v, 0);
    EXPECT_EQ(0, v.firstVisible);
}

}  // namespace
