#include "display/ticker_keys.h"

#include <gtest/gtest.h>

#include <string>

#include "app/ticker_habits.h"
#include "display/ticker_painter.h"
#include "display/ticker_reader.h"
#include "display/ticker_tip.h"
#include "feed/day_number.h"
#include "support/app_fixture.h"

namespace {

// Every byte 9 pixels wide; remembers the outline colour and the first text's place.
struct BandCanvas : TickerCanvas {
    int TextWidth(const char*, int length) override { return 9 * length; }
    void ApplyShapeAndPlacement(int, int, int, int, TickerZOrder) override {}
    void FillAndOutline(Color, Color frame, int, int) override { outline = frame; }
    void SetTextColor(Color) override {}
    void DrawText(int x, int, const char* text, int length) override {
        if (first.empty()) first = std::to_string(x) + " " + std::string(text, static_cast<size_t>(length));
    }
    void DrawLine(Color, int, int, int, int) override {}
    Color outline = 0;
    std::string first;
};

class HandTest : public ::testing::Test, protected AppFixture {
  protected:
    HandTest() {
        app->today = 500;
        for (const char* title : {"a0", "old", "b2", "b3"}) AddArticle(title[0] == 'b' ? "B" : "A", title);
        app->articles.slot[1].day = 400;  // not shown
        app->state = AppState::Showing;
        RecountShownArticles(*app);
    }
    std::string Redraw() {
        BandCanvas canvas;
        app->repaintPending = true;
        RedrawTicker(*app, canvas);
        outline = canvas.outline;
        return canvas.first;
    }
    Color outline = 0;
};

TEST_F(HandTest, HeadlineUnderAPointOfTheBandAndInPageMode) {
    app->settings.scrollf = 1;
    app->painter.hitCount = 3;
    app->painter.hits[0] = {50, 0};
    app->painter.hits[1] = {120, 2};
    app->painter.hits[2] = {200, 3};
    const struct { int x, headline; } cases[] = {{0, 0}, {50, 0}, {51, 2}, {200, 3}, {201, -1}};
    for (const auto& c : cases) EXPECT_EQ(c.headline, HeadlineAt(*app, c.x)) << c.x;
    app->settings.scrollf = 0;
    app->currentArticle = 3;
    EXPECT_EQ(3, HeadlineAt(*app, 500));
    app->state = AppState::Fetching;  // a status text, no headline
    EXPECT_EQ(-1, HeadlineAt(*app, 0));
}

TEST_F(HandTest, StepsGoToTheNextAndPreviousShownArticleAndOnlyWhenTheDisplayIsFree) {
    app->settings.scrollf = 0;
    const struct { int direction, current; } steps[] = {{1, 2}, {1, 3}, {1, 0}, {-1, 3}, {-1, 2}, {-1, 0}};
    for (const auto& s : steps) {
        app->displayCounter = 7;
        ASSERT_TRUE(StepHeadline(*app, s.direction));
        EXPECT_EQ(s.current, app->currentArticle);
        EXPECT_STREQ(app->articles.slot[s.current].title, app->line2);
        EXPECT_EQ(0, app->displayCounter);  // shown for a full period
    }
    EXPECT_EQ(0, TurnWheel(*app, 60));  // half a notch
    EXPECT_EQ(1, TurnWheel(*app, 60));
    EXPECT_EQ(2, app->currentArticle);
    app->schedule.count = 1;
    void (*blocks[])(App&) = {[](App& a) { a.cycleBusy = true; }, [](App& a) { a.alertIndex = 0; },
                              [](App& a) { a.state = AppState::Fetching; }};
    for (auto block : blocks) {
        App& a = *app;
        a.cycleBusy = false, a.alertIndex = -1, a.state = AppState::Showing;
        block(a);
        EXPECT_FALSE(StepHeadline(a, 1));
        EXPECT_EQ(0, TurnWheel(a, 240));
        EXPECT_EQ(2, a.currentArticle);
    }
}

TEST_F(HandTest, ScrollStepsMakeTheArticleLeadTheBandAtTheLeftMargin) {
    app->settings.scrollf = 1;
    app->painter.scrollBaseTaken = true;
    app->painter.scrollBase = -20;  // the leader half gone on the left
    EXPECT_EQ("-20 ＜A＞", Redraw());
    ASSERT_TRUE(StepHeadline(*app, 1));
    EXPECT_EQ("3 ＜B＞", Redraw());
    EXPECT_EQ(2, LeadingHeadline(*app));
    ASSERT_TRUE(StepHeadline(*app, -1));
    EXPECT_EQ("3 ＜A＞", Redraw());
    // Copies left by a table change give way to the article before the leading copy's place.
    app->painter.copies[0] = {app->articles.slot[3], true};
    app->painter.copyCount = 1;
    ASSERT_TRUE(StepHeadline(*app, -1));
    EXPECT_EQ(0, app->painter.copyCount);
    EXPECT_EQ(2, app->currentArticle);
}

TEST_F(HandTest, SpaceHoldsTheDisplayAndTheOutlineShowsIt) {
    const Color frame = MakeColor(188, 188, 82);
    Redraw();
    EXPECT_EQ(frame, outline);
    SetPaused(*app, true);
    EXPECT_TRUE(PointerHoldsDisplay(*app));
    Redraw();
    EXPECT_EQ(MakeColor(67, 67, 173), outline);
}

TEST(TipText, TitleSiteDateAndWhereTheLinkLeads) {
    const struct {
        const char* link;
        const char* where;
    } cases[] = {
        {"http://news.example/a", "news.example"},
        {"https://news.example:8443/a", "news.example:8443"},
        {"https://news.example/a", "news.example"},
        {"http://h.example/setup.exe", "開けないリンク（安全でない形式） h.example"},
        {"javascript:alert(1)", "開けないリンク（安全でない形式）"},
        {"", "リンクなし"},
    };
    for (const auto& c : cases) {
        ArticleEntry article{"市政", "見出し", "", DayNumber(2026, 12, 9)};
        CopyCut(article.link, sizeof article.link, c.link);
        char tip[kTipTextSize];
        FormatTip(article, tip, sizeof tip);
        EXPECT_EQ(std::string("見出し\r\n市政  2026/12/09\r\n") + c.where, tip) << c.link;
    }
}

TEST(DayNumbers, DateOfDayNumberUndoesDayNumber) {
    for (int year = 1992; year <= 2500; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day : {1, 28, month == 2 && year % 4 == 0 ? 29 : 30}) {
                if (month == 2 && day == 30) continue;
                const CalendarDate date = DateOfDayNumber(DayNumber(year, month, day));
                ASSERT_EQ(year * 10000 + month * 100 + day, date.year * 10000 + date.month * 100 + date.day);
            }
        }
    }
}

TEST_F(HandTest, ReaderHearsSiteAndTitleAtMostOnceASecond) {
    app->settings.scrollf = 0;
    char name[kAccessibleNameSize];
    FormatAccessibleName(*app, name, sizeof name);
    EXPECT_STREQ("A: a0", name);
    EXPECT_TRUE(NameChangeDue(*app));
    StepHeadline(*app, 1);
    for (int tick = 1; tick < kTicksBetweenNameEvents; ++tick) ASSERT_FALSE(NameChangeDue(*app)) << tick;
    EXPECT_TRUE(NameChangeDue(*app));
    EXPECT_STREQ("B: b2", app->hand.reader.announced);
    app->state = AppState::Fetching;
    CopyCut(app->trayTip, sizeof app->trayTip, "Newsroller2.09 RSS取得中 3/9");
    FormatAccessibleName(*app, name, sizeof name);
    EXPECT_STREQ("Newsroller2.09 RSS取得中 3/9", name);
}

}  // namespace
