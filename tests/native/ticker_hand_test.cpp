#include "display/ticker_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "display/ticker_painter.h"
#include "display/ticker_tip.h"
#include "feed/day_number.h"
#include "support/app_fixture.h"

namespace {

// Every byte 9 pixels wide; remembers the first text and its place.
struct BandCanvas : TickerCanvas {
    int TextWidth(const char*, int length) override { return 9 * length; }
    void ApplyShapeAndPlacement(int, int, int, int, TickerZOrder) override {}
    void FillAndOutline(Color, Color, int, int) override {}
    void SetTextColor(Color) override {}
    void DrawText(int x, int, const char* text, int length) override {
        if (first.empty()) first = std::to_string(x) + " " + std::string(text, static_cast<size_t>(length));
    }
    void DrawLine(Color, int, int, int, int) override {}
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
        return canvas.first;
    }
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
    // Refused while a tick or a dialog's fetch runs, while an alert blinks, while a status text is shown.
    app->schedule.count = 1;
    for (int block = 0; block < 3; ++block) {
        app->cycleBusy = block == 0;
        app->alertIndex = block == 1 ? 0 : -1;
        app->state = block == 2 ? AppState::Fetching : AppState::Showing;
        EXPECT_FALSE(StepHeadline(*app, 1));
        EXPECT_EQ(0, TurnWheel(*app, 240));
        EXPECT_EQ(2, app->currentArticle);
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

TEST(TipText, TitleSiteDateAndWhereTheLinkLeads) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://news.example/a", "news.example"},
        {"https://news.example:8443/a", "news.example:8443"},
        {"https://news.example/a", "news.example"},
        {"http://h.example/setup.exe", "開けないリンク（安全でない形式） h.example"},
        {"javascript:alert(1)", "開けないリンク（安全でない形式）"},
        {"", "リンクなし"},
    };
    for (const auto& [link, where] : cases) {
        ArticleEntry article{"市政", "見出し", "", DayNumber(2026, 12, 9)};
        CopyCut(article.link, sizeof article.link, link);
        char tip[kTipTextSize];
        FormatTip(article, tip, sizeof tip);
        EXPECT_EQ(std::string("見出し\r\n市政  2026/12/09\r\n") + where, tip) << link;
    }
}

TEST(DayNumbers, DateOfDayNumberUndoesDayNumber) {
    for (int year = 1992; year <= 2500; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day : {1, month == 2 ? 28 + (year % 4 == 0) : 30}) {
                const CalendarDate date = DateOfDayNumber(DayNumber(year, month, day));
                ASSERT_EQ(year * 10000 + month * 100 + day, date.year * 10000 + date.month * 100 + date.day);
            }
        }
    }
}

}  // namespace
