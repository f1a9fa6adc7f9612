#include "display/ticker_painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/cycle.h"
#include "support/app_fixture.h"

namespace {

// Records what a redraw draws; every byte is 9 pixels wide, like an 18-pixel fixed font.
class RecordingCanvas : public TickerCanvas {
  public:
    struct Text {
        int x, y;
        std::string text;
        Color color;
    };
    int TextWidth(const char*, int length) override { return 9 * length; }
    void ApplyShapeAndPlacement(int x, int y, int width, int height, TickerZOrder order) override {
        placements.push_back({x, y, width, height, static_cast<int>(order)});
    }
    void FillAndOutline(Color fill, Color frame, int right, int bottom) override {
        fills.push_back(fill);
        lastFrame = frame;
        lastRight = right;
        lastBottom = bottom;
    }
    void SetTextColor(Color color) override { current = color; }
    void DrawText(int x, int y, const char* text, int length) override {
        texts.push_back({x, y, std::string(text, static_cast<size_t>(length)), current});
    }
    void DrawLine(Color, int, int, int, int) override { ++lines; }

    std::vector<Text> texts;
    std::vector<Color> fills;
    std::vector<std::vector<int>> placements;
    Color current = 0, lastFrame = 0;
    int lastRight = 0, lastBottom = 0, lines = 0;
};

class PainterTest : public ::testing::Test, protected AppFixture {
  protected:
    PainterTest() {
        app->screen.frameX = 3;
        app->screen.frameY = 3;
        app->today = 500;
    }
    // A shown article of today, linked to "http://x/" + title, with the display showing.
    void AddShownArticle(const std::string& site, const std::string& title) {
        AddArticle(site, title, 0, "http://x/" + title);
        app->state = AppState::Showing;
        RecountShownArticles(*app);
    }
    RecordingCanvas Redraw() {
        RecordingCanvas canvas;
        app->repaintPending = 1;
        RedrawTicker(*app, canvas);
        return canvas;
    }
    Color Text1() const { return MakeColor(255, 222, 119); }
    Color Text2() const { return MakeColor(248, 246, 192); }
    Color Back() const { return MakeColor(112, 112, 96); }
};

TEST_F(PainterTest, SingleArticleRepeatsWithItsMarkerAcrossTheWidth) {
    AddShownArticle("S", "Title");
    app->settings.width = 600;
    RecordingCanvas canvas = Redraw();
    // The first paint takes the scroll base from the width: nothing fits yet.
    EXPECT_TRUE(canvas.texts.empty());
    app->scrollOffset = -600;
    canvas = Redraw();
    ASSERT_GE(canvas.texts.size(), 4u);
    // marker "＜S＞" is 5 bytes = 45 px; then fsize / 2 = 9; title 45 px + gap 36.
    EXPECT_EQ("＜S＞", canvas.texts[0].text);
    EXPECT_EQ(0, canvas.texts[0].x);
    EXPECT_EQ(Text1(), canvas.texts[0].color);
    EXPECT_EQ("Title", canvas.texts[1].text);
    EXPECT_EQ(54, canvas.texts[1].x);
    EXPECT_EQ(Text2(), canvas.texts[1].color);
    EXPECT_EQ("＜S＞", canvas.texts[2].text);
    EXPECT_EQ(135, canvas.texts[2].x);
    EXPECT_EQ(135, app->painter.firstItemEnd);
    EXPECT_EQ(1, canvas.lines);
}

TEST_F(PainterTest, ConsecutiveArticlesOfOneSiteShareTheirMarker) {
    AddShownArticle("A", "a1");
    AddShownArticle("A", "a2");
    AddShownArticle("B", "b1");
    app->painter.scrollBaseTaken = true;
    app->painter.scrollBase = 10;
    app->settings.width = 2000;
    RecordingCanvas canvas = Redraw();
    std::vector<std::string> drawn;
    for (const auto& t : canvas.texts) drawn.push_back(t.text);
    ASSERT_GE(drawn.size(), 6u);
    EXPECT_EQ((std::vector<std::string>{"＜A＞", "a1", "a2", "＜B＞", "b1", "＜A＞"}),
              std::vector<std::string>(drawn.begin(), drawn.begin() + 6));
}

TEST_F(PainterTest, EveryDrawnItemIsClickableEvenBeyondTenItems) {
    for (int i = 0; i < 4; ++i) AddShownArticle("S", "t");
    app->painter.scrollBaseTaken = true;
    app->painter.scrollBase = 3;
    app->settings.width = 1600;
    Redraw();
    // Each item is 9 + 36 = 45 px (one marker of 45 + 9 on the first): far more than 10 fit.
    ASSERT_GT(app->painter.hitCount, 10);
    const ScrollHit& last = app->painter.hits[app->painter.hitCount - 1];
    EXPECT_GE(last.endX, 1600);
    EXPECT_EQ(last.article, ArticleAtX(*app, 1599));
    EXPECT_EQ(app->painter.hits[0].article, ArticleAtX(*app, 4));
    EXPECT_EQ(app->painter.hits[1].article, ArticleAtX(*app, app->painter.hits[0].endX + 1));
}

TEST_F(PainterTest, BandRestartsOneArticleLaterWhenTheFirstItemHasLeft) {
    AddShownArticle("A", "one");
    AddShownArticle("B", "two");
    app->settings.fsize = 18;
    app->settings.scrolldiv = 5;
    app->painter.scrollBaseTaken = true;
    app->painter.firstItemEnd = 2;
    app->scrollOffset = -40;
    RecordingCanvas canvas = Redraw();
    EXPECT_EQ(1, app->currentArticle);
    EXPECT_EQ(0, app->scrollOffset);
    EXPECT_EQ(2 - 9, app->painter.scrollBase);  // (6 * 18) / 12 = 9
    EXPECT_EQ(-7, canvas.texts[0].x);
    app->painter.firstItemEnd = 2;
    app->settings.scrolldiv = 1;
    Redraw();
    EXPECT_EQ(2 - 3, app->painter.scrollBase);  // the restart uses the formula also for step 1
}

TEST_F(PainterTest, NoRepaintPendingDrawsNothingAndKeepsTheBlinkPhase) {
    app->schedule.count = 1;
    app->alertIndex = 0;
    RecordingCanvas canvas;
    app->repaintPending = 0;
    EXPECT_FALSE(RedrawTicker(*app, canvas));
    EXPECT_TRUE(canvas.fills.empty());
    EXPECT_TRUE(canvas.texts.empty());
    EXPECT_EQ(0, app->painter.blinkPhase);
}

TEST_F(PainterTest, AlertLineBlinksBetweenTwoColourPairs) {
    ScheduleEntry& task = app->schedule.entry[0];
    app->schedule.count = 1;
    task.weekday = 1;
    task.when.hour = 9;
    task.when.minute = 5;
    CopyCut(task.text, sizeof task.text, "会議");
    app->alertIndex = 0;
    app->state = AppState::NothingToShow;
    RecordingCanvas first = Redraw();
    RecordingCanvas second = Redraw();
    ASSERT_EQ(1u, first.texts.size());
    EXPECT_EQ("毎週 月曜日 9:05 会議", first.texts[0].text);
    EXPECT_EQ(Back(), first.fills[0]);
    EXPECT_EQ(Text2(), first.texts[0].color);
    EXPECT_EQ(Text2(), second.fills[0]);
    EXPECT_EQ(Back(), second.texts[0].color);
    EXPECT_EQ((600 - 9 * static_cast<int>(first.texts[0].text.size())) / 2, first.texts[0].x);
}

TEST_F(PainterTest, AlertLinesOfDatedTasksAndOverlongTexts) {
    ScheduleEntry& task = app->schedule.entry[0];
    app->schedule.count = 1;
    task.weekday = -1;
    task.when.month = 2;
    task.when.day = 3;
    task.when.hour = 14;
    task.when.minute = 30;
    CopyCut(task.text, sizeof task.text, "会議");
    char line[kSlotSize];
    FormatAlertLine(*app, 0, line, sizeof line);
    EXPECT_STREQ("2/3 14:30 会議", line);
    std::string longText;
    while (longText.size() < 254) longText += "あ";
    CopyCut(task.text, sizeof task.text, longText.c_str());
    FormatAlertLine(*app, 0, line, sizeof line);
    EXPECT_EQ(ShiftJisCutLength(line, strlen(line), 255), strlen(line));
    EXPECT_LE(strlen(line), 255u);
    EXPECT_EQ(254u, strlen(line));
}

TEST_F(PainterTest, StatusTextIsDrawnByExactlyOneRedraw) {
    CopyCut(app->line1, sizeof app->line1, "接続中...");
    app->state = AppState::Fetching;
    RecordingCanvas first = Redraw();
    RecordingCanvas second = Redraw();
    ASSERT_EQ(1u, first.texts.size());
    EXPECT_EQ("接続中...", first.texts[0].text);
    EXPECT_EQ(Text1(), first.texts[0].color);
    ASSERT_EQ(1u, second.texts.size());
    EXPECT_EQ("", second.texts[0].text);
}

// A click just after a new cycle began must not open an article of the new table at an index
// recorded for the old one: a redraw without the band leaves nothing to hit.
TEST_F(PainterTest, RedrawWithoutTheBandLeavesNothingClickable) {
    AddShownArticle("A", "one");
    app->painter.scrollBaseTaken = true;
    app->painter.scrollBase = 3;
    Redraw();
    ASSERT_GT(app->painter.hitCount, 0);
    ASSERT_EQ(0, ArticleAtX(*app, 5));
    CopyCut(app->line1, sizeof app->line1, "接続中...");
    app->state = AppState::Fetching;
    Redraw();
    EXPECT_EQ(-1, ArticleAtX(*app, 5));
}

TEST_F(PainterTest, PageModeDrawsTwoLinesAndKeepsThem) {
    app->settings.scrollf = 0;
    CopyCut(app->line1, sizeof app->line1, "サイト");
    CopyCut(app->line2, sizeof app->line2, "見出し");
    RecordingCanvas canvas = Redraw();
    ASSERT_EQ(2u, canvas.texts.size());
    EXPECT_EQ(Text1(), canvas.texts[0].color);
    EXPECT_EQ(2, canvas.texts[0].y);
    EXPECT_EQ(Text2(), canvas.texts[1].color);
    EXPECT_EQ(18 + 2, canvas.texts[1].y);
    EXPECT_EQ(600 - 6, canvas.lastRight);
    EXPECT_EQ(2 * 18 + 10 - 6, canvas.lastBottom);
    EXPECT_STREQ("サイト", app->line1);
}

TEST_F(PainterTest, FullRepaintPlacesTheWindowOnce) {
    app->settings.winX = 230;
    app->settings.winY = 0;
    RecordingCanvas first = Redraw();
    ASSERT_EQ(1u, first.placements.size());
    EXPECT_EQ((std::vector<int>{227, -3, 600, 27, static_cast<int>(TickerZOrder::Topmost)}),
              first.placements[0]);
    RecordingCanvas second = Redraw();
    EXPECT_TRUE(second.placements.empty());
    // While a full-screen program covers the monitor, neither wintop nor the foreground brings the
    // ticker over it.
    app->steppedBack = true;
    app->fullRepaint = true;
    EXPECT_EQ(static_cast<int>(TickerZOrder::KeepBehind), Redraw().placements.at(0)[4]);
}

TEST_F(PainterTest, ClickedArticleIsHighlightedOnce) {
    AddShownArticle("A", "one");
    AddShownArticle("A", "two");
    app->painter.scrollBaseTaken = true;
    app->painter.scrollBase = 3;
    app->linkArticle = 1;
    app->clickHighlight = 1;
    RecordingCanvas canvas = Redraw();
    // Both articles share a site, so no marker: "one", "two", "one", "two", ...
    ASSERT_GE(canvas.texts.size(), 4u);
    EXPECT_EQ("two", canvas.texts[1].text);
    EXPECT_EQ(Text1(), canvas.texts[1].color);
    EXPECT_EQ("two", canvas.texts[3].text);
    EXPECT_EQ(Text2(), canvas.texts[3].color);
    EXPECT_EQ(0, app->clickHighlight);
}

TEST_F(PainterTest, OverlongSiteNamesAreCutInTheMarker) {
    std::string site;
    while (site.size() < 254) site += "サ";
    AddArticle(site, "t");
    AddShownArticle("B", "u");
    app->painter.scrollBaseTaken = true;
    app->painter.scrollBase = 3;
    app->settings.width = 5000;
    RecordingCanvas canvas = Redraw();
    const std::string& marker = canvas.texts[0].text;
    EXPECT_LE(marker.size(), 255u);
    EXPECT_EQ(marker.size(), ShiftJisCutLength(marker.c_str(), marker.size(), 255));
    EXPECT_EQ("＞", marker.substr(marker.size() - 2));
}

}  // namespace

namespace {

// A band over two sites, scrolled until its first item has just left a 200-pixel ticker.
class BandChangeTest : public PainterTest {
  protected:
    void Fill(ArticleTable& table, const std::vector<std::string>& items) {  // "A:a1" = site A, title a1
        table.count = 0;
        for (const std::string& item : items) {
            ArticleEntry& a = table.slot[table.count++];
            CopyCut(a.site, sizeof a.site, item.substr(0, 1).c_str());
            CopyCut(a.title, sizeof a.title, item.substr(2).c_str());
            CopyCut(a.link, sizeof a.link, ("http://x/" + item.substr(2)).c_str());
            a.day = app->today;
        }
    }
    void StartBand(const std::vector<std::string>& items) {
        Fill(app->articles, items);
        app->state = AppState::Showing;
        RecountShownArticles(*app);
        app->settings.width = 200;
        app->settings.fsize = 18;
        app->painter.scrollBaseTaken = true;
        app->painter.scrollBase = 0;
        Redraw();
        // The first item ends at 2: the next redraw restarts the band one item later.
        app->scrollOffset = 2 - app->painter.firstItemEnd;
        Redraw();
    }
    // Titles of the band's items, left to right.
    static std::vector<std::string> Titles(const RecordingCanvas& canvas) {
        std::vector<std::string> titles;
        for (const auto& t : canvas.texts) {
            if (t.text.rfind("＜", 0) != 0) titles.push_back(t.text);
        }
        return titles;
    }
    // Scrolls on item by item and gives the `count` items that lead the band in turn.
    std::vector<std::string> Leaders(size_t count) {
        std::vector<std::string> leaders;
        for (int i = 0; i < 100 && leaders.size() < count; ++i) {
            app->scrollOffset = 2 - (app->painter.firstItemEnd - app->painter.scrollBase);
            const std::string first = Titles(Redraw()).front();
            if (leaders.empty() || leaders.back() != first) leaders.push_back(first);
        }
        return leaders;
    }
};

TEST_F(BandChangeTest, ANewTableAtTheNextArticleBoundaryChangesNothingOnScreen) {
    const std::vector<std::string> old = {"A:a1", "A:a2", "B:b1", "B:b2", "B:b3", "A:a3"};
    StartBand(old);
    RecordingCanvas unchanged = Redraw();  // the boundary with no new table

    ResetApp(*app);
    app->screen.frameX = app->screen.frameY = 3;
    app->today = 500;
    StartBand(old);
    // The new table: a new article at the top of each site, one gone.
    Fill(app->incoming, {"A:a0", "A:a1", "A:a2", "B:b0", "B:b1", "B:b2", "A:a3"});
    app->tablePending = true;
    RecordingCanvas changed = Redraw();
    EXPECT_FALSE(app->tablePending);
    EXPECT_EQ(7, app->articles.count);
    ASSERT_EQ(unchanged.texts.size(), changed.texts.size());
    for (size_t i = 0; i < changed.texts.size(); ++i) {
        EXPECT_EQ(unchanged.texts[i].x, changed.texts[i].x) << i;
        EXPECT_EQ(unchanged.texts[i].text, changed.texts[i].text) << i;
    }
    // The copies scroll out; the new table goes on after the last of them (b2) as it now stands:
    // a3 (b3 is gone), then round again from its top with the new a0.
    EXPECT_EQ((std::vector<std::string>{"a2", "b1", "b2"}), Titles(changed));
    EXPECT_EQ(3, app->painter.copyCount);  // all three are copies of the old table
    EXPECT_EQ((std::vector<std::string>{"a2", "b1", "b2", "a3", "a0", "a1", "a2", "b0"}), Leaders(8));
    EXPECT_EQ(0, app->painter.copyCount);
}

// An update asked for while the last cycle's table still waits for the band's next boundary: the
// band stays while the update waits for its tick, and the table is taken where the band stands,
// with the item leading it kept.
TEST_F(BandChangeTest, ATableTakenBetweenTwoBoundariesChangesNothingOnScreen) {
    StartBand({"A:a1", "A:a2", "B:b1", "B:b2"});
    app->scrollOffset -= 7;
    app->state = AppState::BeginCycle;
    const RecordingCanvas before = Redraw();
    ASSERT_EQ((std::vector<std::string>{"a2", "b1", "b2"}), Titles(before));
    Fill(app->incoming, {"A:a0", "A:a2", "B:b1", "B:b2"});
    app->tablePending = true;
    TakeTableIntoBand(*app, false);
    EXPECT_FALSE(app->tablePending);
    const RecordingCanvas after = Redraw();
    ASSERT_EQ(before.texts.size(), after.texts.size());
    for (size_t i = 0; i < after.texts.size(); ++i) {
        EXPECT_EQ(before.texts[i].x, after.texts[i].x) << i;
        EXPECT_EQ(before.texts[i].text, after.texts[i].text) << i;
    }
}

TEST_F(BandChangeTest, ABandItemIsClickedAsItWasDrawnCopyOrNot) {
    StartBand({"A:a1", "A:a2", "B:b1", "B:b2"});
    Fill(app->incoming, {"C:c1"});
    app->tablePending = true;
    Redraw();
    ASSERT_GT(app->painter.copyCount, 0);
    const int code = ArticleAtX(*app, app->painter.hits[0].endX - 1);
    ASSERT_GE(code, kBandCopyCode);
    ASSERT_NE(nullptr, BandArticle(*app, code));
    EXPECT_STREQ("a2", BandArticle(*app, code)->title);  // a copy: the new table has no such article
    EXPECT_EQ(nullptr, BandArticle(*app, kBandCopyCode + app->painter.copyCount));
    EXPECT_STREQ("c1", BandArticle(*app, 0)->title);
    EXPECT_EQ(nullptr, BandArticle(*app, 1));
}

}  // namespace
