#include "app/ticker_window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "app/app.h"
#include "app/cycle.h"
#include "res/resource.h"
#include "schedule/schedule.h"
#include "schedule/task_editor.h"
#include "support/app_fixture.h"
#include "support/schedule_tasks.h"

namespace {

class TickerWindowLogic : public testing::Test, protected AppFixture {
  protected:
    TickerWindowLogic() {
        app->today = 12000;
        app->state = AppState::Showing;
    }

    void Ticks(int n) {
        for (int i = 0; i < n; ++i) CountTimerTick(*app);
    }
};

// ---- Timer -----------------------------------------------------------------------------------

TEST_F(TickerWindowLogic, ThousandTicksMakeAMinute) {
    app->settings.uptimer = 90;
    Ticks(999);
    EXPECT_EQ(999, app->tickCounter);
    EXPECT_EQ(0, app->minuteCounter);
    Ticks(1);
    EXPECT_EQ(0, app->tickCounter);
    EXPECT_EQ(1, app->minuteCounter);
    Ticks(2500);
    EXPECT_EQ(500, app->tickCounter);
    EXPECT_EQ(3, app->minuteCounter);
}

TEST_F(TickerWindowLogic, TicksAreSkippedWhileACycleRuns) {
    app->cycleBusy = true;
    EXPECT_FALSE(CountTimerTick(*app));
    EXPECT_EQ(0, app->tickCounter);
    app->cycleBusy = false;
    EXPECT_TRUE(CountTimerTick(*app));
    EXPECT_EQ(1, app->tickCounter);
}

TEST_F(TickerWindowLogic, UpdateStartsWhenTheMinuteCounterReachesUptimer) {
    app->settings.uptimer = 20;
    Ticks(20 * kTicksPerMinute - 1);
    EXPECT_EQ(AppState::Showing, app->state);
    EXPECT_EQ(19, app->minuteCounter);
    Ticks(1);
    EXPECT_EQ(AppState::BeginCycle, app->state);
    EXPECT_EQ(0, app->minuteCounter);
}

TEST_F(TickerWindowLogic, UpdateDueWithADialogOpenStartsOnTheFirstTickAfterItCloses) {
    app->settings.uptimer = 20;
    app->state = AppState::NothingToShow;
    app->dialogOpen = 1;
    Ticks(25 * kTicksPerMinute);
    EXPECT_EQ(AppState::NothingToShow, app->state);
    EXPECT_EQ(25, app->minuteCounter);
    app->dialogOpen = 0;
    Ticks(1);
    EXPECT_EQ(AppState::BeginCycle, app->state);
    EXPECT_EQ(0, app->minuteCounter);
}

TEST_F(TickerWindowLogic, UpdateWaitsWhileTheCycleIsBusyAndManualUpdateKeepsTheCount) {
    app->settings.uptimer = 20;
    for (AppState busy : {AppState::Starting, AppState::BeginCycle, AppState::Recount,
                          AppState::ExitRequested, AppState::Closing, AppState::OpenLink}) {
        app->state = busy;
        app->minuteCounter = 20;
        Ticks(1);
        EXPECT_EQ(busy, app->state);
        EXPECT_EQ(20, app->minuteCounter);
    }
    app->state = AppState::Showing;
    app->minuteCounter = 7;
    MenuCommand(*app, IDM_UPDATE);
    EXPECT_EQ(AppState::BeginCycle, app->state);
    EXPECT_EQ(7, app->minuteCounter);
}

// ---- Press counter ---------------------------------------------------------------------------

TEST_F(TickerWindowLogic, ReleaseAfterAtMostOneMovementIsAClick) {
    PressStarted(*app);
    EXPECT_TRUE(PressReleased(*app));
    EXPECT_EQ(0, app->pressCounter);

    PressStarted(*app);
    EXPECT_EQ(PointerMove::Counted, CountPointerMove(*app));
    EXPECT_TRUE(PressReleased(*app));
    EXPECT_EQ(0, app->pressCounter);
    // With no press pending, movements go to the pointer gesture and a release is no click.
    EXPECT_EQ(PointerMove::Pointer, CountPointerMove(*app));
    EXPECT_FALSE(PressReleased(*app));
}

TEST_F(TickerWindowLogic, ThirdMovementAfterAPressStartsTheDrag) {
    PressStarted(*app);
    EXPECT_EQ(PointerMove::Counted, CountPointerMove(*app));
    EXPECT_EQ(PointerMove::Counted, CountPointerMove(*app));
    EXPECT_EQ(PointerMove::StartDrag, CountPointerMove(*app));
    EXPECT_EQ(0, app->pressCounter);
    EXPECT_EQ(PointerMove::Pointer, CountPointerMove(*app));
    EXPECT_FALSE(PressReleased(*app));
}

// The hovering pointer after such a release must not start a window move with no button held.
TEST_F(TickerWindowLogic, ReleaseAfterTwoMovementsIsNoClickAndEndsThePress) {
    PressStarted(*app);
    CountPointerMove(*app);
    CountPointerMove(*app);
    EXPECT_FALSE(PressReleased(*app));
    EXPECT_EQ(0, app->pressCounter);
    EXPECT_EQ(PointerMove::Pointer, CountPointerMove(*app));
}

TEST_F(TickerWindowLogic, LosingTheCaptureCancelsThePress) {
    PressStarted(*app);
    CaptureLost(*app);
    EXPECT_FALSE(PressReleased(*app));
    EXPECT_EQ(PointerMove::Pointer, CountPointerMove(*app));
}

// ---- Clicks ----------------------------------------------------------------------------------

TEST_F(TickerWindowLogic, ClicksOutsideTheIdleDisplayAreIgnored) {
    AddArticle("S", "T", 0);
    app->articlesToShow = 1;
    for (AppState busy : {AppState::Starting, AppState::BeginCycle, AppState::Recount,
                          AppState::ExitRequested, AppState::Closing, AppState::OpenLink}) {
        app->state = busy;
        EXPECT_EQ(ClickResult::Ignored, ClickTicker(*app, 10));
        EXPECT_EQ(busy, app->state);
    }
    EXPECT_EQ(0, test.host.invalidations);
}

TEST_F(TickerWindowLogic, ClickOnAnEmptyTickerStartsAnUpdate) {
    app->state = AppState::NothingToShow;
    EXPECT_EQ(ClickResult::UpdateStarted, ClickTicker(*app, 10));
    EXPECT_EQ(AppState::BeginCycle, app->state);

    // Articles, but none young enough to be shown.
    AddArticle("S", "old", 5);
    app->articlesToShow = 0;
    app->state = AppState::Showing;
    EXPECT_EQ(ClickResult::UpdateStarted, ClickTicker(*app, 10));
    EXPECT_EQ(AppState::BeginCycle, app->state);
}

TEST_F(TickerWindowLogic, PageModeClickOpensTheCurrentArticle) {
    app->settings.scrollf = 0;
    AddArticle("サイトA", "一つ目", 0);
    AddArticle("サイトB", "二つ目の記事", 0);
    app->articlesToShow = 1;
    app->currentArticle = 1;
    app->repaintPending = 0;
    EXPECT_EQ(ClickResult::LinkChosen, ClickTicker(*app, 300));
    EXPECT_EQ(1, app->linkArticle);
    EXPECT_STREQ("リンク先を開いています...", app->line1);
    EXPECT_STREQ("二つ目の記事", app->line2);
    EXPECT_EQ(AppState::OpenLink, app->state);
    EXPECT_EQ(1, app->repaintPending);
    EXPECT_EQ(1, test.host.invalidations);
    EXPECT_EQ(0, app->clickHighlight);
}

TEST_F(TickerWindowLogic, ScrollModeClickTakesTheFirstItemNotEndingLeftOfThePointer) {
    for (int i = 0; i < 4; ++i) AddArticle("S", "T", 0);
    app->articlesToShow = 1;
    PainterState& p = app->painter;
    p.hitCount = 3;
    p.hits[0] = {120, 2};
    p.hits[1] = {260, 3};
    p.hits[2] = {610, 0};

    EXPECT_EQ(ClickResult::LinkChosen, ClickTicker(*app, 5));
    EXPECT_EQ(2, app->linkArticle);
    EXPECT_EQ(1, app->clickHighlight);
    EXPECT_EQ(AppState::OpenLink, app->state);

    for (auto [x, article] : {std::pair<int, int>{120, 2}, {121, 3}, {260, 3}, {261, 0}, {599, 0}}) {
        app->state = AppState::Showing;
        ASSERT_EQ(ClickResult::LinkChosen, ClickTicker(*app, x)) << x;
        EXPECT_EQ(article, app->linkArticle) << x;
    }
}

TEST_F(TickerWindowLogic, ScrollModeClickWithNothingUnderThePointerOpensNothing) {
    AddArticle("S", "T", 0);
    AddArticle("S", "U", 0);
    app->articlesToShow = 1;
    app->linkArticle = 1;
    // Nothing drawn yet.
    EXPECT_EQ(ClickResult::NoArticleHere, ClickTicker(*app, 50));
    // A record naming a slot that holds no article (the table was refilled since).
    app->painter.hitCount = 1;
    app->painter.hits[0] = {600, 7};
    EXPECT_EQ(ClickResult::NoArticleHere, ClickTicker(*app, 50));
    EXPECT_EQ(AppState::Showing, app->state);
    EXPECT_EQ(1, app->linkArticle);
    EXPECT_EQ(0, app->clickHighlight);
}

TEST_F(TickerWindowLogic, ClickRecomputesTheArticlesToShowFlag) {
    app->settings.scrollf = 0;
    AddArticle("S", "T", 0);
    app->articlesToShow = 1;
    app->settings.upday = 0;  // nothing is young enough any more
    EXPECT_EQ(ClickResult::LinkChosen, ClickTicker(*app, 1));
    EXPECT_EQ(0, app->articlesToShow);
}

// The alert names its task by index: the schedule window's stores, deletes and loads (which re-sort
// the table) clear it until the next scan, so a click never dismisses and deletes another task.
TEST_F(TickerWindowLogic, AChangeOfTheScheduleClearsTheAlertUntilTheNextScan) {
    struct Case {
        const char* change;
        std::function<void(App&)> apply;
        int count;                 // tasks after the change, which the click must leave
        const char* alertedAfter;  // the task the next scan alerts, or null
    };
    const Case cases[] = {
        {"a past task stored before it",
         [](App& a) { StoreTask(a.schedule, 0, -1, Task(2025, 3, 14, 8, 0, "朝礼")); }, 3, "会議"},
        {"the alerted task deleted", [](App& a) { RemoveTask(a.schedule, 0); }, 1, nullptr},
        {"the alerted task edited to a later time",
         [](App& a) { StoreTask(a.schedule, 1, 0, Task(2025, 3, 14, 12, 0, "会議")); }, 2, nullptr},
        {"the file loaded",
         [this](App& a) {
             test.folder.Write(kScheduleFileName, "2025,3,14,11,0,0,-1,\r\n歯医者\r\n");
             LoadSchedule(a.schedule, a.platform);
         },
         1, nullptr},
    };
    const int64_t now = Task(2025, 3, 14, 9, 0, "").stamp;
    app->settings.alerttime = 3;
    for (const Case& c : cases) {
        app->state = AppState::Showing;
        app->schedule = ScheduleTable{};
        app->schedule.entry[0] = Task(2025, 3, 14, 9, 2, "会議");
        app->schedule.entry[1] = Task(2025, 3, 14, 11, 0, "歯医者");
        app->schedule.count = 2;
        ScanForAlert(*app, now);
        ASSERT_EQ(0, app->alertIndex) << c.change;
        c.apply(*app);
        EXPECT_NE(ClickResult::AlertDismissed, ClickTicker(*app, 10)) << c.change;
        EXPECT_EQ(-1, app->alertIndex) << c.change;
        EXPECT_EQ(c.count, app->schedule.count) << c.change;
        ScanForAlert(*app, now);
        if (c.alertedAfter) {
            ASSERT_GE(app->alertIndex, 0) << c.change;
            EXPECT_STREQ(c.alertedAfter, app->schedule.entry[app->alertIndex].text) << c.change;
        } else {
            EXPECT_EQ(-1, app->alertIndex) << c.change;
        }
    }
}

TEST_F(TickerWindowLogic, ClickOnAnAlertDismissesItsTaskUnlessADialogIsOpen) {
    AddArticle("S", "T", 0);
    app->articlesToShow = 1;
    const char* texts[] = {"会議", "歯医者"};
    for (int i = 0; i < 2; ++i) {
        ScheduleEntry& e = app->schedule.entry[i];
        e.when.year = 2025, e.when.month = 3, e.when.day = 14 + i, e.when.hour = 9, e.when.minute = 30;
        CopyCut(e.text, sizeof e.text, texts[i]);
    }
    app->schedule.count = 2;
    app->alertIndex = 0;

    app->dialogOpen = 1;
    EXPECT_EQ(ClickResult::AlertKept, ClickTicker(*app, 10));
    EXPECT_EQ(2, app->schedule.count);
    EXPECT_EQ(0, app->alertIndex);
    EXPECT_FALSE(test.folder.Exists("schedule.dat"));

    app->dialogOpen = 0;
    app->repaintPending = 0;
    EXPECT_EQ(ClickResult::AlertDismissed, ClickTicker(*app, 10));
    EXPECT_EQ(-1, app->alertIndex);
    // The alert line is replaced at once (with nothing to show no tick would ask for a redraw).
    EXPECT_EQ(1, app->repaintPending);
    EXPECT_EQ(1, test.host.invalidations);
    ASSERT_EQ(1, app->schedule.count);
    EXPECT_STREQ("歯医者", app->schedule.entry[0].text);
    // The file holds what is left, and the alert took the click: no link is chosen.
    std::string saved = test.folder.Read("schedule.dat");
    EXPECT_NE(std::string::npos, saved.find("歯医者"));
    EXPECT_EQ(std::string::npos, saved.find("会議"));
    EXPECT_EQ(AppState::Showing, app->state);
    EXPECT_EQ(0, app->clickHighlight);
}

// ---- Menu commands ---------------------------------------------------------------------------

TEST_F(TickerWindowLogic, QuitIsTakenInEveryState) {
    for (int s = 0; s <= 8; ++s) {
        app->state = static_cast<AppState>(s);
        EXPECT_EQ(MenuAction::None, MenuCommand(*app, IDM_QUIT));
        EXPECT_EQ(AppState::ExitRequested, app->state) << s;
    }
}

TEST_F(TickerWindowLogic, OtherCommandsActOnlyWhileTheDisplayIsIdle) {
    AddArticle("S", "T", 0);
    AddArticle("S", "U", 0);
    app->articlesToShow = 1;
    const int commands[] = {IDM_SETTINGS, IDM_READ_ALL, IDM_READ_NEW, IDM_JUMP_TO_FIRST,
                            IDM_UPDATE,   IDM_SCHEDULE, IDM_ABOUT};
    for (AppState busy : {AppState::Starting, AppState::BeginCycle, AppState::Recount,
                          AppState::ExitRequested, AppState::Closing, AppState::OpenLink}) {
        for (int command : commands) {
            app->state = busy;
            app->currentArticle = 1;
            EXPECT_EQ(MenuAction::None, MenuCommand(*app, command));
            EXPECT_EQ(busy, app->state);
            EXPECT_EQ(1, app->currentArticle);
        }
    }
    EXPECT_TRUE(test.messages.shown.empty());

    // A cycle runs beside the display; with nothing shown yet (Fetching) the menu works all the same.
    for (AppState idle : {AppState::Showing, AppState::NothingToShow, AppState::Fetching}) {
        app->state = idle;
        EXPECT_EQ(MenuAction::OpenSettings, MenuCommand(*app, IDM_SETTINGS));
        EXPECT_EQ(MenuAction::OpenSchedule, MenuCommand(*app, IDM_SCHEDULE));
        EXPECT_EQ(MenuAction::ShowAbout, MenuCommand(*app, IDM_ABOUT));
        EXPECT_EQ(idle, app->state);
        EXPECT_EQ(0, app->dialogOpen);
        EXPECT_EQ(MenuAction::None, MenuCommand(*app, IDM_UPDATE));
        EXPECT_EQ(AppState::BeginCycle, app->state);
    }
    // The schedule menu's commands do nothing here.
    app->state = AppState::Showing;
    EXPECT_EQ(MenuAction::None, MenuCommand(*app, 40008));
    EXPECT_EQ(AppState::Showing, app->state);
}

TEST_F(TickerWindowLogic, ReadingArticlesWithNothingToReadSaysSo) {
    EXPECT_EQ(MenuAction::None, MenuCommand(*app, IDM_READ_ALL));
    EXPECT_EQ(MenuAction::None, MenuCommand(*app, IDM_READ_NEW));
    AddArticle("S", "old", 9);
    app->articlesToShow = 0;
    EXPECT_EQ(MenuAction::None, MenuCommand(*app, IDM_READ_NEW));

    ASSERT_EQ(3u, test.messages.shown.size());
    EXPECT_EQ("記事は１件もありません。", test.messages.shown[0].text);
    EXPECT_EQ("新しい記事は１件もありません。", test.messages.shown[1].text);
    EXPECT_EQ("新しい記事は１件もありません。", test.messages.shown[2].text);
    for (const ShownMessage& m : test.messages.shown) {
        EXPECT_EQ("記事表示", m.title);
        EXPECT_EQ(MessageIcon::Information, m.icon);
    }
    EXPECT_FALSE(test.folder.Exists("index.html"));
    EXPECT_TRUE(test.shell.openedFiles.empty());
}

TEST_F(TickerWindowLogic, ReadingArticlesWritesThePageAndOpensIt) {
    AddArticle("古いサイト", "昔の記事", 9);
    AddArticle("新しいサイト", "今日の記事", 0);
    app->articlesToShow = 1;

    EXPECT_EQ(MenuAction::None, MenuCommand(*app, IDM_READ_ALL));
    std::string all = test.folder.Read("index.html");
    EXPECT_NE(std::string::npos, all.find("昔の記事"));
    EXPECT_NE(std::string::npos, all.find("今日の記事"));

    EXPECT_EQ(MenuAction::None, MenuCommand(*app, IDM_READ_NEW));
    std::string recent = test.folder.Read("index.html");
    EXPECT_EQ(std::string::npos, recent.find("昔の記事"));
    EXPECT_NE(std::string::npos, recent.find("今日の記事"));

    EXPECT_EQ((std::vector<std::string>{"index.html", "index.html"}), test.shell.openedFiles);
    EXPECT_TRUE(test.shell.opened.empty());
    EXPECT_TRUE(test.messages.shown.empty());
}

TEST_F(TickerWindowLogic, JumpToTheTopShowsTheFirstShownArticle) {
    AddArticle("古いサイト", "old", 9);
    AddArticle("サイトB", "記事B", 1);
    AddArticle("サイトC", "記事C", 0);
    app->articlesToShow = 1;
    app->currentArticle = 2;
    app->displayCounter = 17;
    app->repaintPending = 0;
    EXPECT_EQ(MenuAction::None, MenuCommand(*app, IDM_JUMP_TO_FIRST));
    EXPECT_EQ(1, app->currentArticle);
    EXPECT_STREQ("サイトB", app->line1);
    EXPECT_STREQ("記事B", app->line2);
    EXPECT_EQ(0, app->displayCounter);
    EXPECT_TRUE(app->repaintPending);
    EXPECT_EQ(1, test.host.invalidations);

    // Article 0 itself when it is shown.
    app->articles.slot[0].day = app->today;
    MenuCommand(*app, IDM_JUMP_TO_FIRST);
    EXPECT_EQ(0, app->currentArticle);
    EXPECT_STREQ("古いサイト", app->line1);
}

TEST_F(TickerWindowLogic, JumpToTheTopNeedsTwoArticlesSomethingShownAndNoRunningTick) {
    AddArticle("A", "a", 0);
    app->articlesToShow = 1;
    CopyCut(app->line1, sizeof app->line1, "unchanged");
    MenuCommand(*app, IDM_JUMP_TO_FIRST);  // one article only
    EXPECT_STREQ("unchanged", app->line1);

    AddArticle("B", "b", 0);
    app->currentArticle = 1;
    app->articlesToShow = 0;
    MenuCommand(*app, IDM_JUMP_TO_FIRST);
    EXPECT_EQ(1, app->currentArticle);

    app->articlesToShow = 1;
    app->cycleBusy = 1;
    MenuCommand(*app, IDM_JUMP_TO_FIRST);
    EXPECT_EQ(1, app->currentArticle);
    EXPECT_EQ(0, test.host.invalidations);
}

}  // namespace
