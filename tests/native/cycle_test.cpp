// Whole update cycles run against a scripted fetcher and a real program folder.
#include "app/cycle.h"
#include "net/conditional_header.h"
#include "net/links.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "app/app.h"
#include "app/ticker_window.h"
#include "net/cache.h"
#include "support/app_fixture.h"

namespace {

std::string Rss(const std::string& items) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel><title>C</title>" +
           items + "</channel></rss>\n";
}

std::string Item(const std::string& title, const std::string& link, const std::string& date = "") {
    std::string item = "<item><title>" + title + "</title><link>" + link + "</link>";
    if (!date.empty()) item += "<pubDate>" + date + "</pubDate>";
    return item + "</item>\n";
}

class CycleTest : public ::testing::Test, protected AppFixture {
  protected:
    // Most cases are about a cycle over the network: the first pass over the cache copies that a
    // start makes is left out unless a case asks for it.
    CycleTest() { app->startupPassDue = false; }

    // URL-List.txt lines: site TAB url TAB maximum CR LF.
    void WriteFeedList(const std::string& lines) { test.folder.Write("URL-List.txt", lines); }

    // Runs ticks until the cycle has ended and its table is on the ticker (or a bound is hit), then
    // shows the message boxes it left for the window.
    void RunCycle() {
        app->state = AppState::BeginCycle;
        for (int i = 0; i < 2000 && (app->state == AppState::BeginCycle || app->state == AppState::Fetching ||
                                     app->cycle.running());
             ++i) {
            Tick(*app);
        }
        // The band takes a finished table at its next article boundary, which only a redraw finds.
        if (app->tablePending) TakeNewTable(*app);
        ShowNotices();
    }
    // What the window does after a tick.
    void ShowNotices() {
        for (const Notice& notice : app->notices)
            test.messages.Show(notice.text.c_str(), notice.title.c_str(), notice.icon);
        app->notices.clear();
    }

    int64_t NowStamp() {
        int64_t now = 0;
        FileTimeFromCivil(test.clock.LocalNow(), now);
        return now;
    }
};

TEST_F(CycleTest, EmptyFeedListSaysNothingIsRegistered) {
    RunCycle();
    EXPECT_EQ(AppState::NothingToShow, app->state);
    EXPECT_STREQ("RSSリスト未登録", app->line1);
    EXPECT_TRUE(test.folder.Exists("URL-List.txt"));  // created empty by the reader
    EXPECT_TRUE(test.folder.Exists("cache"));
}

TEST_F(CycleTest, FetchedFeedGivesArticlesIsCachedAndSetsTheConditionalHeader) {
    WriteFeedList("ニュース\thttp://news.test/rss.xml\t20\r\n");
    // The document is UTF-8 (u8 literals); the table holds Shift_JIS (plain literals).
    std::string body = Rss(Item(u8"最初の記事", "http://news.test/1") + Item(u8"次の記事", "/2"));
    test.fetcher.Always("http://news.test/rss.xml", kFetchOk, body);
    RunCycle();

    ASSERT_EQ(AppState::Showing, app->state);
    ASSERT_EQ(2, app->articles.count);
    EXPECT_STREQ("http://news.test/2", app->articles.slot[1].link);  // relative link joined to the site root
    EXPECT_EQ(1, app->articlesToShow);
    EXPECT_EQ(0, app->currentArticle);
    EXPECT_STREQ("ニュース", app->line1);
    EXPECT_STREQ("最初の記事", app->line2);
    ASSERT_EQ(1u, test.fetcher.requests.size());
    EXPECT_EQ("If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT", test.fetcher.requests[0].header);
    EXPECT_EQ(body, test.folder.Read("cache/http@%%news@test%rss@xml"));
    // The cycle ended at 09:05:07 UTC on Monday 3 February 2025 (the clock's default).
    EXPECT_STREQ("If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT", app->settings.ifmodified);
    EXPECT_NE(std::string::npos,
              test.folder.Read("Newsroller.ini").find("ifmodified=If-Modified-Since: Mon, 03 Feb"));
    EXPECT_TRUE(test.messages.shown.empty());
}

// The settings file keeps its stamp as older copies of the program wrote it (the time the cycle
// began), but the next cycle asks each feed since its own cache copy's date: with no Last-Modified
// from the server, the time its request began, not when its answer came.
TEST_F(CycleTest, ConditionalHeaderIsTheTimeTheCycleBeganAndRequestsUseEachCopysDate) {
    WriteFeedList("A\thttp://a.test/rss\t20\r\nB\thttp://b.test/rss\t20\r\n");
    test.fetcher.Always("http://a.test/rss", kFetchOk, Rss(Item("a", "http://a.test/1")));
    test.fetcher.Always("http://b.test/rss", kFetchOk, Rss(Item("b", "http://b.test/1")));
    test.fetcher.Hold("http://b.test/rss");
    app->state = AppState::BeginCycle;
    Tick(*app);  // reads the feed list and asks both feeds at 09:05:07 UTC; A answers
    ASSERT_EQ(AppState::Fetching, app->state);
    ASSERT_EQ(2u, test.fetcher.requests.size());
    test.clock.Set(2025, 2, 3, 18, 7, 45);
    test.fetcher.Release("http://b.test/rss");
    Tick(*app);  // B's answer, and the end of the cycle
    ASSERT_EQ(AppState::Showing, app->state);
    EXPECT_STREQ("If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT", app->settings.ifmodified);
    EXPECT_NE(std::string::npos,
              test.folder.Read("Newsroller.ini")
                  .find("ifmodified=If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT\r\n"));

    test.clock.Set(2025, 2, 4, 8, 0, 0);
    RunCycle();
    ASSERT_EQ(4u, test.fetcher.requests.size());
    EXPECT_EQ("If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT", test.fetcher.requests[2].header);
    EXPECT_EQ("If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT", test.fetcher.requests[3].header);
    EXPECT_STREQ("If-Modified-Since: Mon, 03 Feb 2025 23:00:00 GMT", app->settings.ifmodified);
}

TEST_F(CycleTest, UnchangedFeedComesFromTheCacheWithoutASecondRequest) {
    WriteFeedList("A\thttp://a.test/rss\t20\r\n");
    test.folder.Write("cache/http@%%a@test%rss", Rss(Item("cached", "http://a.test/c")));
    test.fetcher.Always("http://a.test/rss", kFetchEmpty);
    RunCycle();
    ASSERT_EQ(1, app->articles.count);
    EXPECT_STREQ("cached", app->articles.slot[0].title);
    EXPECT_EQ(1u, test.fetcher.requests.size());
}

// A copy that is there (so the request was conditional) but cannot be read: the 304 is followed by
// a request for the whole document.
TEST_F(CycleTest, UnchangedFeedWhoseCopyCannotBeReadIsFetchedAgainUnconditionally) {
    WriteFeedList("A\thttp://a.test/rss\t20\r\n");
    test.folder.Write("cache/http@%%a@test%rss", Rss(Item("locked", "http://a.test/l")));
    ASSERT_TRUE(test.files.SetLastWriteTime("cache\\http@%%a@test%rss", FileTimeOf(2025, 2, 2, 0, 0, 0)));
    chmod(test.folder.File("cache/http@%%a@test%rss").c_str(), 0444);
    test.fetcher.Once("http://a.test/rss", kFetchEmpty);
    test.fetcher.Once("http://a.test/rss", kFetchOk, Rss(Item("fresh", "http://a.test/f")));
    RunCycle();
    ASSERT_EQ(2u, test.fetcher.requests.size());
    EXPECT_EQ("If-Modified-Since: Sun, 02 Feb 2025 00:00:00 GMT", test.fetcher.requests[0].header);
    EXPECT_EQ("If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT", test.fetcher.requests[1].header);
    ASSERT_EQ(1, app->articles.count);
    EXPECT_STREQ("fresh", app->articles.slot[0].title);
}

// Each feed is asked whether it changed since its own cache copy's date, and a copy is dated only
// when it is replaced: as the server dated the document, or else when its fetch began (09:05:07 UTC).
TEST_F(CycleTest, EachFeedIsAskedSinceItsOwnCopysDate) {
    const int64_t copyDate = FileTimeOf(2025, 1, 10, 12, 0, 0);
    const int64_t serverDate = FileTimeOf(2025, 2, 1, 6, 30, 0);
    const char* const copyHeader = "If-Modified-Since: Fri, 10 Jan 2025 12:00:00 GMT";
    const char* const serverHeader = "If-Modified-Since: Sat, 01 Feb 2025 06:30:00 GMT";
    struct Case {
        const char* what;
        bool haveCopy;
        FetchResult result;
        bool articles;           // the answer holds an article (else a page without any)
        int64_t lastModified;    // as the answer gives it, 0 for none
        const char* header;      // sent in this cycle
        int64_t dateAfter;       // of the copy after the cycle
        const char* nextHeader;  // sent in the next cycle
        const char* shown;       // the feed's article
    } cases[] = {
        {"unchanged", true, kFetchEmpty, false, 0, copyHeader, copyDate, copyHeader, "cached"},
        {"changed, dated by the server", true, kFetchOk, true, serverDate, copyHeader, serverDate,
         serverHeader, "fresh"},
        {"changed, undated", true, kFetchOk, true, 0, copyHeader, FileTimeOf(2025, 2, 3, 9, 5, 7),
         "If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT", "fresh"},
        {"new feed", false, kFetchOk, true, serverDate, kUnconditionalHeader, serverDate, serverHeader,
         "fresh"},
        {"failed fetch", true, kFetchFailed, false, 0, copyHeader, copyDate, copyHeader, "cached"},
        {"page without articles", true, kFetchOk, false, serverDate, copyHeader, copyDate, copyHeader,
         "[Newsroller]書式エラー"},
    };
    std::string list;
    for (size_t n = 0; n < sizeof cases / sizeof cases[0]; ++n) {
        const Case& c = cases[n];
        std::string url = "http://f" + std::to_string(n) + ".test/rss";
        list += std::string("S") + std::to_string(n) + "\t" + url + "\t20\r\n";
        if (c.haveCopy) {
            test.folder.Write("cache/" + CacheFilePath(url.c_str()).substr(6),
                              Rss(Item("cached", url + "/c")));
            ASSERT_TRUE(test.files.SetLastWriteTime(CacheFilePath(url.c_str()).c_str(), copyDate));
        }
        test.fetcher.Once(url, c.result,
                          c.articles ? Rss(Item("fresh", url + "/f")) : std::string("<html>Not found</html>"),
                          c.lastModified);
        test.fetcher.Always(url, kFetchEmpty);
    }
    WriteFeedList(list);
    RunCycle();
    ASSERT_EQ(sizeof cases / sizeof cases[0], test.fetcher.requests.size());
    ASSERT_EQ(static_cast<int>(sizeof cases / sizeof cases[0]), app->articles.count);
    for (size_t n = 0; n < sizeof cases / sizeof cases[0]; ++n) {
        const Case& c = cases[n];
        SCOPED_TRACE(c.what);
        std::string url = "http://f" + std::to_string(n) + ".test/rss";
        EXPECT_EQ(url, test.fetcher.requests[n].url);
        EXPECT_EQ(c.header, test.fetcher.requests[n].header);
        int64_t date = 0;
        ASSERT_TRUE(test.files.LastWriteTime(CacheFilePath(url.c_str()).c_str(), date));
        EXPECT_EQ(c.dateAfter, date);
        EXPECT_STREQ(c.shown, app->articles.slot[n].title);
    }

    // The next cycle asks each feed since the date its copy now carries.
    test.fetcher.requests.clear();
    test.clock.Set(2025, 2, 4, 8, 0, 0);
    RunCycle();
    ASSERT_EQ(sizeof cases / sizeof cases[0], test.fetcher.requests.size());
    for (size_t n = 0; n < sizeof cases / sizeof cases[0]; ++n) {
        SCOPED_TRACE(cases[n].what);
        EXPECT_EQ(cases[n].nextHeader, test.fetcher.requests[n].header);
    }
}

// Feeds the cycle does not fetch keep their copies' dates, so a change made meanwhile is still
// found once they are fetched again: a cycle that reads only the cache, and the feeds after the
// article table filled up.
TEST_F(CycleTest, FeedsNotFetchedKeepTheirCopysDate) {
    const int64_t copyDate = FileTimeOf(2025, 1, 10, 12, 0, 0);
    std::string items;
    for (int i = 0; i < 2000; ++i)
        items += Item("t" + std::to_string(i), "http://x.test/" + std::to_string(i));
    WriteFeedList("X\thttp://x.test/a\t2000\r\nZ\thttp://z.test/c\t5\r\n");
    test.folder.Write("cache/http@%%z@test%c", Rss(Item("cached", "http://z.test/1")));
    ASSERT_TRUE(test.files.SetLastWriteTime("cache\\http@%%z@test%c", copyDate));
    test.fetcher.Always("http://x.test/a", kFetchOk, Rss(items));
    test.fetcher.Always("http://z.test/c", kFetchOk, Rss(Item("fresh", "http://z.test/2")));

    RunCycle();  // the table is full after X: Z's answer (asked for beside X's) is not taken
    ASSERT_EQ(kArticleCapacity, app->articles.count);
    const size_t asked = test.fetcher.requests.size();
    int64_t date = 0;
    ASSERT_TRUE(test.files.LastWriteTime("cache\\http@%%z@test%c", date));
    EXPECT_EQ(copyDate, date);

    app->cacheOnly = true;
    RunCycle();  // every feed from its copy
    EXPECT_EQ(asked, test.fetcher.requests.size());
    ASSERT_TRUE(test.files.LastWriteTime("cache\\http@%%z@test%c", date));
    EXPECT_EQ(copyDate, date);

    WriteFeedList("Z\thttp://z.test/c\t5\r\n");
    RunCycle();
    ASSERT_EQ(asked + 1, test.fetcher.requests.size());
    EXPECT_EQ("If-Modified-Since: Fri, 10 Jan 2025 12:00:00 GMT", test.fetcher.requests.back().header);
    EXPECT_STREQ("fresh", app->articles.slot[0].title);
}

// Without a copy the first request already asks for the whole document: it is not asked again.
TEST_F(CycleTest, FeedWithoutACopyIsAskedForTheWholeDocumentOnce) {
    WriteFeedList("A\thttp://a.test/rss\t20\r\n");
    test.fetcher.Once("http://a.test/rss", kFetchFailed);
    test.fetcher.Once("http://a.test/rss", kFetchOk, Rss(Item("fresh", "http://a.test/f")));
    RunCycle();
    ASSERT_EQ(1u, test.fetcher.requests.size());
    EXPECT_EQ(kUnconditionalHeader, test.fetcher.requests[0].header);
    ASSERT_EQ(1, app->articles.count);
    EXPECT_STREQ("[Newsroller]アクセスエラー", app->articles.slot[0].title);
    EXPECT_EQ(1u, test.messages.shown.size());

    RunCycle();  // reachable again: fetched and cached, dated when its fetch began
    ASSERT_EQ(2u, test.fetcher.requests.size());
    EXPECT_EQ(kUnconditionalHeader, test.fetcher.requests[1].header);
    EXPECT_STREQ("fresh", app->articles.slot[0].title);
    int64_t date = 0;
    ASSERT_TRUE(test.files.LastWriteTime("cache\\http@%%a@test%rss", date));
    EXPECT_EQ(FileTimeOf(2025, 2, 3, 9, 5, 7), date);
}

TEST_F(CycleTest, UnreachableFeedBecomesAnAccessErrorEntryWithAMessage) {
    WriteFeedList("遠いサイト\thttp://far.test/rss\t20\r\nB\thttp://b.test/rss\t20\r\n");
    test.fetcher.Always("http://b.test/rss", kFetchOk, Rss(Item("b", "http://b.test/1")));
    RunCycle();
    ASSERT_EQ(2, app->articles.count);
    EXPECT_STREQ("[Newsroller]アクセスエラー", app->articles.slot[0].title);
    EXPECT_STREQ("http://far.test/rss", app->articles.slot[0].link);
    EXPECT_EQ(app->today, app->articles.slot[0].day);
    ASSERT_EQ(1u, test.messages.shown.size());
    EXPECT_EQ("遠いサイト", test.messages.shown[0].text);
    EXPECT_EQ("下記のサイトでアクセスエラーが起きました。", test.messages.shown[0].title);
    EXPECT_EQ(MessageIcon::Error, test.messages.shown[0].icon);
}

TEST_F(CycleTest, DocumentWithoutArticlesIsAFormatErrorAndKeepsTheOldCache) {
    WriteFeedList("A\thttp://a.test/rss\t20\r\n");
    std::string good = Rss(Item("old", "http://a.test/o"));
    test.folder.Write("cache/http@%%a@test%rss", good);
    test.fetcher.Always("http://a.test/rss", kFetchOk, "<html><body>Not found</body></html>");
    RunCycle();
    ASSERT_EQ(1, app->articles.count);
    EXPECT_STREQ("[Newsroller]書式エラー", app->articles.slot[0].title);
    EXPECT_EQ(good, test.folder.Read("cache/http@%%a@test%rss"));
    EXPECT_TRUE(test.messages.shown.empty());
}

TEST_F(CycleTest, WeatherServiceFeedsAreFetchedButNotParsed) {
    WriteFeedList("天気\thttp://www.jma.go.jp/rss\t20\r\n");
    test.fetcher.Always("http://www.jma.go.jp/rss", kFetchOk, Rss(Item("t", "http://x/")));
    RunCycle();
    ASSERT_EQ(1, app->articles.count);
    EXPECT_STREQ("[Newsroller]書式エラー", app->articles.slot[0].title);
    EXPECT_EQ(1u, test.fetcher.requests.size());
}

TEST_F(CycleTest, FeedsWithMaximumZeroAreNeitherAskedNorRead) {
    WriteFeedList(
        "Z0\thttp://z0.test/\t0\r\nA\thttp://a.test/\t5\r\nZ1\thttp://z1.test/\t0\r\nZ2\thttp://z2.test/"
        "\t0\r\n");
    test.folder.Write("cache/http@%%z1@test%", Rss(Item("z1", "http://z1.test/1")));
    test.fetcher.Always("http://a.test/", kFetchOk, Rss(Item("a", "http://a.test/1")));
    RunCycle();
    EXPECT_EQ(AppState::Showing, app->state);
    ASSERT_EQ(1u, test.fetcher.requests.size());
    EXPECT_EQ("http://a.test/", test.fetcher.requests[0].url);
    ASSERT_EQ(1, app->articles.count);
    EXPECT_STREQ("a", app->articles.slot[0].title);
}

// With nothing else to show, the status text names the first feed whose answer the cycle waits for.
TEST_F(CycleTest, StatusTextsNameTheFeedWaitedFor) {
    WriteFeedList("一番\thttp://1.test/\t5\r\n二番\thttp://2.test/\t5\r\n");
    test.fetcher.Always("http://1.test/", kFetchOk, Rss(Item("1", "http://1.test/1")));
    test.fetcher.Always("http://2.test/", kFetchOk, Rss(Item("2", "http://2.test/1")));
    test.fetcher.Hold("http://1.test/");
    test.fetcher.Hold("http://2.test/");
    app->state = AppState::BeginCycle;
    Tick(*app);
    EXPECT_EQ(AppState::Fetching, app->state);
    EXPECT_STREQ("RSS取得中...一番", app->line1);  // scroll mode: after the status text
    app->settings.scrollf = 0;
    test.fetcher.Release("http://1.test/");
    Tick(*app);
    EXPECT_STREQ("RSS取得中...", app->line1);  // page mode: the name goes to line 2
    EXPECT_STREQ("二番", app->line2);
}

TEST_F(CycleTest, BlogSearchFeedsAskForUtf8Once) {
    WriteFeedList("B\thttp://blogsearch.jp/q?x=1\t5\r\nC\thttp://blogsearch.jp/q?y=1&IE=utf_8\t5\r\n");
    RunCycle();
    ASSERT_GE(test.fetcher.requests.size(), 2u);
    EXPECT_EQ("http://blogsearch.jp/q?x=1&ie=UTF-8", test.fetcher.requests[0].url);
    bool sawUnchanged = false;
    for (const FetchRequest& r : test.fetcher.requests)
        sawUnchanged |= r.url == "http://blogsearch.jp/q?y=1&IE=utf_8";
    EXPECT_TRUE(sawUnchanged);
}

TEST_F(CycleTest, TableFullStopsTheCycleWithAWarning) {
    std::string items;
    for (int i = 0; i < 1500; ++i)
        items += Item("t" + std::to_string(i), "http://x.test/" + std::to_string(i));
    std::string doc = Rss(items);
    WriteFeedList("X\thttp://x.test/a\t1500\r\nY\thttp://y.test/b\t1500\r\nZ\thttp://z.test/c\t5\r\n");
    test.fetcher.Always("http://x.test/a", kFetchOk, doc);
    test.fetcher.Always("http://y.test/b", kFetchOk, doc);
    test.fetcher.Always("http://z.test/c", kFetchOk, doc);
    RunCycle();
    EXPECT_EQ(kArticleCapacity, app->articles.count);
    EXPECT_STREQ("Y", app->articles.slot[kArticleCapacity - 1].site);  // nothing of the third feed
    EXPECT_EQ(0, test.fetcher.InFlight());
    ASSERT_EQ(1u, test.messages.shown.size());
    EXPECT_EQ("件数超過", test.messages.shown[0].title);
    EXPECT_EQ(
        "記事数が多いため「Y」以降のサイトの記事は表示されません。\nRSSリスト数または各最大記事数を減らしてく"
        "ださい。",
        test.messages.shown[0].text);
}

TEST_F(CycleTest, CacheOnlyCycleReadsTheCacheAndClearsTheFlag) {
    WriteFeedList("A\thttp://a.test/rss\t20\r\nN\thttp://new.test/rss\t20\r\n");
    test.folder.Write("cache/http@%%a@test%rss", Rss(Item("cached", "http://a.test/c")));
    test.fetcher.Always("http://new.test/rss", kFetchOk, Rss(Item("new", "http://new.test/n")));
    app->cacheOnly = 1;
    RunCycle();
    ASSERT_EQ(1u, test.fetcher.requests.size());  // only the feed without a cache file
    EXPECT_EQ("http://new.test/rss", test.fetcher.requests[0].url);
    EXPECT_EQ("If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT", test.fetcher.requests[0].header);
    EXPECT_EQ(2, app->articles.count);
    EXPECT_EQ(0, app->cacheOnly);
}

TEST_F(CycleTest, OldArticlesAreNotShown) {
    WriteFeedList("A\thttp://a.test/rss\t20\r\n");
    app->settings.upday = 1;
    test.fetcher.Always("http://a.test/rss", kFetchOk,
                        Rss(Item("old", "http://a.test/o", "Sun, 02 Feb 2025 10:00:00 +0900")));
    RunCycle();
    EXPECT_EQ(0, app->articlesToShow);
    EXPECT_EQ(AppState::NothingToShow, app->state);
    EXPECT_STREQ("表示する記事はありません。", app->line1);
}

// Twenty feeds on four hosts: never more than 8 requests at once nor 2 to one host, and the table
// in the list's order although the answers come in the opposite one.
TEST_F(CycleTest, ManyFeedsAtOnceWithinTheLimitsAndTheTableInTheListsOrder) {
    std::string list;
    std::vector<std::string> urls;
    for (int i = 0; i < 20; ++i) {
        urls.push_back("http://h" + std::to_string(i % 4) + ".test/" + std::to_string(i));
        list += "S" + std::to_string(i) + "\t" + urls.back() + "\t5\r\n";
        test.fetcher.Always(urls.back(), kFetchOk, Rss(Item("t" + std::to_string(i), urls.back() + "/1")));
        test.fetcher.Hold(urls.back());
    }
    WriteFeedList(list);
    app->state = AppState::BeginCycle;
    Tick(*app);
    EXPECT_EQ(8, test.fetcher.InFlight());
    for (int i = 19; i >= 0; --i) {
        test.fetcher.Release(urls[i]);
        Tick(*app);
    }
    for (int i = 0; i < 20 && app->cycle.running(); ++i) Tick(*app);
    ASSERT_FALSE(app->cycle.running());
    EXPECT_EQ(8, test.fetcher.peakInFlight);
    for (const auto& host : test.fetcher.peakPerHost) EXPECT_EQ(2, host.second) << host.first;
    ASSERT_EQ(20, app->articles.count);
    for (int i = 0; i < 20; ++i) EXPECT_EQ("t" + std::to_string(i), std::string(app->articles.slot[i].title));
}

// A start over a filled cache shows the copies before any answer has come; the network is asked
// behind them, and the tray icon's tip says how far it is.
TEST_F(CycleTest, AStartShowsTheCacheCopiesBeforeAnyAnswer) {
    app->startupPassDue = true;
    WriteFeedList("A\thttp://a.test/rss\t20\r\nN\thttp://n.test/rss\t20\r\nB\thttp://b.test/rss\t20\r\n");
    test.folder.Write("cache/http@%%a@test%rss", Rss(Item("cached a", "http://a.test/c")));
    test.folder.Write("cache/http@%%b@test%rss", Rss(Item("cached b", "http://b.test/c")));
    for (const char* url : {"http://a.test/rss", "http://n.test/rss", "http://b.test/rss"}) {
        test.fetcher.Always(url, kFetchOk,
                            Rss(Item(std::string("fresh ") + url[7], std::string(url) + "/f")));
        test.fetcher.Hold(url);
    }
    app->state = AppState::BeginCycle;
    Tick(*app);
    EXPECT_EQ(AppState::Showing, app->state);
    ASSERT_EQ(2, app->articles.count);  // N has no copy: it comes with the network
    EXPECT_STREQ("cached a", app->articles.slot[0].title);
    EXPECT_STREQ("cached b", app->articles.slot[1].title);
    EXPECT_STREQ("A", app->line1);
    EXPECT_EQ(3, test.fetcher.InFlight());
    EXPECT_TRUE(app->cycle.running());
    EXPECT_NE(nullptr, strstr(app->trayTip, "RSS取得中 0/3"));
    EXPECT_TRUE(app->trayTipChanged);

    test.fetcher.Release("http://a.test/rss");
    Tick(*app);
    EXPECT_NE(nullptr, strstr(app->trayTip, "RSS取得中 1/3"));
    for (const char* url : {"http://n.test/rss", "http://b.test/rss"}) test.fetcher.Release(url);
    Tick(*app);
    EXPECT_FALSE(app->cycle.running());
    EXPECT_TRUE(app->tablePending);  // the copies stay on the ticker until the band's next boundary
    EXPECT_STREQ("cached a", app->articles.slot[0].title);
    EXPECT_EQ(std::string::npos, std::string(app->trayTip).find("RSS"));
    TakeNewTable(*app);
    ASSERT_EQ(3, app->articles.count);
    EXPECT_STREQ("fresh n", app->articles.slot[1].title);
}

// While a cycle runs the last table keeps turning its pages; the new one takes its place at the
// next page turn, going on after the article that was shown.
TEST_F(CycleTest, ARefreshKeepsThePagesTurningAndTheNewTableComesAtAPageTurn) {
    app->settings.scrollf = 0;
    app->settings.disptimer = 1;  // a page every 11 ticks
    WriteFeedList("A\thttp://a.test/rss\t20\r\n");
    test.fetcher.Once(
        "http://a.test/rss", kFetchOk,
        Rss(Item("a1", "http://a.test/1") + Item("a2", "http://a.test/2") + Item("a3", "http://a.test/3")));
    RunCycle();
    ASSERT_STREQ("a1", app->line2);
    test.fetcher.Always("http://a.test/rss", kFetchOk,
                        Rss(Item("a0", "http://a.test/0") + Item("a1", "http://a.test/1") +
                            Item("a1b", "http://a.test/1b") + Item("a2", "http://a.test/2")));
    test.fetcher.Hold("http://a.test/rss");
    app->state = AppState::BeginCycle;
    std::vector<std::string> pages;
    for (int i = 0; i < 60; ++i) {
        if (i == 15) test.fetcher.Release("http://a.test/rss");
        Tick(*app);
        EXPECT_EQ(AppState::Showing, app->state) << i;
        if (pages.empty() || pages.back() != app->line2) pages.push_back(app->line2);
    }
    // a1, a2 from the old table; the new one comes at the page after a2, after a2 in its order.
    EXPECT_EQ((std::vector<std::string>{"a1", "a2", "a0", "a1", "a1b", "a2"}), pages);
}

// The access errors of a cycle in one box, shown once the cycle's table is on the ticker: the first
// 20 names, then how many more; a feed announced in the cycle before that fails again is not
// announced again, one that failed, recovered and fails again is.
TEST_F(CycleTest, AccessErrorsAreOneBoxPerCycleNamingOnlyNewFailures) {
    std::string list;
    for (int i = 0; i < 23; ++i)
        list += "遠い" + std::to_string(i) + "\thttp://far" + std::to_string(i) + ".test/\t5\r\n";
    WriteFeedList(list + "近い\thttp://near.test/\t5\r\n");
    test.fetcher.Always("http://near.test/", kFetchOk, Rss(Item("n", "http://near.test/1")));
    RunCycle();
    ASSERT_EQ(1u, test.messages.shown.size());
    EXPECT_EQ("下記のサイトでアクセスエラーが起きました。", test.messages.shown[0].title);
    std::string names;
    for (int i = 0; i < 20; ++i) names += (i ? "\n" : "") + ("遠い" + std::to_string(i));
    EXPECT_EQ(names + "\nほか3件", test.messages.shown[0].text);
    EXPECT_EQ(24, app->articles.count);

    RunCycle();  // the same failures: no box
    EXPECT_EQ(1u, test.messages.shown.size());
    EXPECT_STREQ("[Newsroller]アクセスエラー", app->articles.slot[0].title);

    test.fetcher.Once("http://far1.test/", kFetchOk, Rss(Item("back", "http://far1.test/1")));
    RunCycle();  // far1 answers once
    EXPECT_EQ(1u, test.messages.shown.size());
    std::remove(test.folder.File("cache/http@%%far1@test%").c_str());
    RunCycle();  // and fails again, without its copy: announced alone
    ASSERT_EQ(2u, test.messages.shown.size());
    EXPECT_EQ("遠い1", test.messages.shown[1].text);
}

// A host that gives no answer at all costs one time-out: its feeds still waiting are not asked in
// that cycle. A host that answers, even with an error, is asked for each of its feeds.
TEST_F(CycleTest, AHostThatGivesNoAnswerIsNotAskedAgainInTheSameCycle) {
    std::string list;
    for (int i = 0; i < 5; ++i) {
        list += "D" + std::to_string(i) + "\thttp://dead.test/" + std::to_string(i) + "\t5\r\n";
        test.fetcher.Hold("http://dead.test/" + std::to_string(i));
        ScriptedFetcher::Answer notFound;
        notFound.status = 404;
        test.fetcher.Always("http://err.test/" + std::to_string(i), notFound);
        list += "E" + std::to_string(i) + "\thttp://err.test/" + std::to_string(i) + "\t5\r\n";
    }
    WriteFeedList(list);
    app->state = AppState::BeginCycle;
    Tick(*app);
    for (int i = 0; i < 5; ++i) test.fetcher.Release("http://dead.test/" + std::to_string(i));
    for (int i = 0; i < 30 && app->cycle.running(); ++i) Tick(*app);
    ASSERT_FALSE(app->cycle.running());
    if (app->tablePending) TakeNewTable(*app);
    ShowNotices();
    int deadAsked = 0, errAsked = 0;
    for (const FetchRequest& request : test.fetcher.requests) {
        deadAsked += request.url.rfind("http://dead.test/", 0) == 0;
        errAsked += request.url.rfind("http://err.test/", 0) == 0;
    }
    EXPECT_EQ(2, deadAsked);  // the two that were in flight together
    EXPECT_EQ(5, errAsked);   // each of its feeds
    ASSERT_EQ(10, app->articles.count);
    ASSERT_EQ(1u, test.messages.shown.size());
    EXPECT_EQ("D0\nE0\nD1\nE1\nD2\nE2\nD3\nE3\nD4\nE4", test.messages.shown[0].text);
}

// The program closed at any moment of a cycle: requests in flight are given up, nothing more is
// written or shown, and the window goes after "終了中..." for one tick. What was read before the
// close stays whole: a cache copy is written whole or not at all.
TEST(CycleExit, ClosingWithRequestsInFlightGivesThemUpAndWritesNothingMore) {
    struct Case {
        const char* what;
        bool firstAnswered;  // A's answer came (and was read) before the close
    } cases[] = {{"every request in flight", false}, {"the first feed read, the rest in flight", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestPlatform test;
        auto app = std::make_unique<App>(test.platform);
        ResetApp(*app);
        app->startupPassDue = false;
        const std::string cached = Rss(Item("old", "http://a.test/old"));
        const std::string fresh = Rss(Item("new", "http://a.test/1"));
        std::string list;
        for (int i = 0; i < 8; ++i) {
            const std::string url = "http://h" + std::to_string(i) + ".test/rss";
            list += "S" + std::to_string(i) + "\t" + url + "\t20\r\n";
            test.fetcher.Always(url, kFetchOk, Rss(Item("x", url + "/1")));
            test.fetcher.Hold(url);
        }
        test.folder.Write("URL-List.txt", "A\thttp://a.test/rss\t20\r\n" + list);
        test.folder.Write("cache/http@%%a@test%rss", cached);
        test.fetcher.Always("http://a.test/rss", kFetchOk, fresh);
        if (!c.firstAnswered) test.fetcher.Hold("http://a.test/rss");
        app->state = AppState::BeginCycle;
        Tick(*app);
        EXPECT_EQ(8, test.fetcher.InFlight());  // 8 at once
        CloseRequested(*app);
        for (int i = 0; i < 4 && test.host.destroyed == 0; ++i) Tick(*app);

        EXPECT_EQ(1, test.host.destroyed);
        EXPECT_EQ(0, test.fetcher.InFlight());
        EXPECT_EQ(8u, test.fetcher.cancelled.size());
        EXPECT_EQ(c.firstAnswered ? fresh : cached, test.folder.Read("cache/http@%%a@test%rss"));
        EXPECT_EQ((std::vector<std::string>{"http@%%a@test%rss"}), test.folder.List("cache"));
        EXPECT_TRUE(test.messages.shown.empty());
        EXPECT_TRUE(app->notices.empty());
        // The cycle never ended: the settings file holds no stamp of it.
        EXPECT_EQ(std::string::npos,
                  test.folder.Read("Newsroller.ini").find("ifmodified=If-Modified-Since: Mon"));
    }
}

class ShowingTest : public CycleTest {
  protected:
    void Fill(int count, int day) {
        app->articles.count = count;
        for (int i = 0; i < count; ++i) {
            ArticleEntry& a = app->articles.slot[i];
            snprintf(a.site, sizeof a.site, "S%d", i);
            snprintf(a.title, sizeof a.title, "T%d", i);
            snprintf(a.link, sizeof a.link, "http://l/%d", i);
            a.day = day;
        }
        app->today = 1000;
        app->state = AppState::Showing;
        RecountShownArticles(*app);
    }
};

TEST_F(ShowingTest, PageModeHoldsEachArticleDisptimerTimesTenPlusOneTicks) {
    Fill(3, 1000);
    app->settings.scrollf = 0;
    app->settings.disptimer = 2;
    int changes = 0;
    for (int i = 0; i < 21 * 3; ++i) {
        int before = app->currentArticle;
        Tick(*app);
        if (app->currentArticle != before) ++changes;
    }
    EXPECT_EQ(3, changes);
    EXPECT_EQ(0, app->currentArticle);
    EXPECT_STREQ("S0", app->line1);
    EXPECT_STREQ("T0", app->line2);
}

TEST_F(ShowingTest, ScrollModeMovesTheBandEveryDisptimerTicks) {
    Fill(1, 1000);
    app->settings.disptimer = 2;
    app->settings.scrolldiv = 5;
    app->settings.fsize = 18;
    for (int i = 0; i < 4; ++i) Tick(*app);
    EXPECT_EQ(-18, app->scrollOffset);  // (6 * 18) / 12 = 9 pixels, every second tick
    app->settings.scrolldiv = 1;
    app->scrollOffset = 0;
    for (int i = 0; i < 4; ++i) Tick(*app);
    EXPECT_EQ(-2, app->scrollOffset);
}

TEST_F(ShowingTest, RestingPointerHoldsTheBandAndThePageOnlyWithHoverstop) {
    Fill(3, 1000);
    app->settings.disptimer = 1;
    struct Case {
        int scrollf, hoverstop;
        bool pointerOver, moves;
    } cases[] = {{1, 1, true, false}, {0, 1, true, false}, {0, 0, true, true}, {0, 1, false, true}};
    for (const Case& c : cases) {
        app->settings.scrollf = c.scrollf;
        app->settings.hoverstop = c.hoverstop;
        app->pointerOver = c.pointerOver;
        const int offset = app->scrollOffset, article = app->currentArticle;
        for (int i = 0; i < 12; ++i) Tick(*app);
        EXPECT_EQ(c.moves, app->scrollOffset != offset || app->currentArticle != article)
            << "scrollf " << c.scrollf << " hoverstop " << c.hoverstop << " pointer " << c.pointerOver;
    }
}

TEST_F(ShowingTest, PendingOpacityIsAppliedOnceAtTheNextStep) {
    Fill(2, 1000);
    app->transparencyPending = 1;
    app->settings.toumeido = 200;
    app->settings.disptimer = 1;
    Tick(*app);
    Tick(*app);
    ASSERT_EQ(1u, test.host.opacity.size());
    EXPECT_EQ(155, test.host.opacity[0]);
}

TEST_F(ShowingTest, ShownArticlesAreSearchedCyclically) {
    Fill(5, 1000);
    app->articles.slot[0].day = 900;
    app->articles.slot[2].day = 900;
    app->articles.slot[3].day = 900;
    EXPECT_EQ(4, NextShownArticle(*app, 1));
    EXPECT_EQ(1, NextShownArticle(*app, 4));
    EXPECT_EQ(4, PreviousShownArticle(*app, 1));
    EXPECT_EQ(1, PreviousShownArticle(*app, 4));
    EXPECT_EQ(1, FirstShownArticle(*app));
    app->articles.slot[4].day = 900;
    EXPECT_EQ(1, NextShownArticle(*app, 1));  // the only shown article comes back to itself
    EXPECT_EQ(1, NextShownArticle(*app, 3));
    app->articles.slot[1].day = 900;
    EXPECT_EQ(3, NextShownArticle(*app, 3));  // none shown: the search returns where it started
    EXPECT_EQ(3, PreviousShownArticle(*app, 3));
    app->articles.slot[1].day = 1001;  // future articles are shown
    EXPECT_TRUE(IsShownArticle(*app, 1));
}

TEST_F(CycleTest, AlertRaisedOnlyStrictlyBeforeTheTaskWithinAlerttime) {
    app->settings.alerttime = 3;
    app->state = AppState::NothingToShow;
    int64_t now = NowStamp();
    ScheduleEntry& task = app->schedule.entry[0];
    app->schedule.count = 1;
    task.noTime = 0;
    task.stamp = now + 3 * 60 * kFileTimeTicksPerSecond;  // exactly alerttime minutes
    Tick(*app);
    EXPECT_EQ(-1, app->alertIndex);
    task.stamp -= kFileTimeTicksPerSecond;  // one second sooner
    Tick(*app);
    EXPECT_EQ(0, app->alertIndex);
    task.noTime = 1;
    Tick(*app);
    EXPECT_EQ(-1, app->alertIndex);
    task.noTime = 0;
    task.stamp = now;  // already due
    Tick(*app);
    EXPECT_EQ(-1, app->alertIndex);
}

TEST_F(CycleTest, AlertBlinksAtTheDisplayPaceWhenNothingElseIsShown) {
    app->settings.disptimer = 3;
    app->state = AppState::NothingToShow;
    app->schedule.count = 1;
    app->schedule.entry[0].stamp = NowStamp() + 60 * kFileTimeTicksPerSecond;
    int repaints = 0;
    for (int i = 0; i < 10; ++i) {
        app->repaintPending = 0;
        Tick(*app);
        repaints += app->repaintPending;
    }
    EXPECT_EQ(5, repaints);  // every disptimer - 1 = 2 ticks in scroll mode
}

TEST_F(CycleTest, AlertThatFellDueIsRedrawnAwayWhenNothingElseIsShown) {
    app->settings.disptimer = 3;
    app->state = AppState::NothingToShow;
    app->schedule.count = 1;
    ScheduleEntry& task = app->schedule.entry[0];
    task.stamp = NowStamp() + 60 * kFileTimeTicksPerSecond;
    Tick(*app);
    ASSERT_EQ(0, app->alertIndex);
    task.stamp = NowStamp();  // the task is due now
    app->repaintPending = 0;
    Tick(*app);
    EXPECT_EQ(-1, app->alertIndex);
    EXPECT_EQ(1, app->repaintPending);
    app->repaintPending = 0;
    Tick(*app);  // no alert before and none now: nothing to redraw
    EXPECT_EQ(0, app->repaintPending);
}

TEST(OpenLink, RefusesDangerousExtensionsAndAnythingButWebAddresses) {
    for (const char* refused :
         {"http://x.test/setup.EXE", "http://x.test/a.Js", "http://example.com", "https://x.test/f.class",
          "file:///C:/Windows/notepad.exe", "javascript:alert(1)", "ms-msdt:/id", "\\\\server\\share\\a.html",
          "C:\\a.html", "", "h", "HTTP:/x"}) {
        EXPECT_FALSE(IsSafeLink(refused)) << refused;
    }
    for (const char* opened : {"http://x.test/file.exe?x=1", "HTTPS://x.test/news/1.html", "http://x.test/",
                               "https://example.com/a", "http://a"}) {
        EXPECT_TRUE(IsSafeLink(opened)) << opened;
    }
}

TEST_F(CycleTest, OpenLinkStateOpensOrWarnsThenShows) {
    CopyCut(app->linkEntry.link, kSlotSize, "http://news.test/a.html");
    app->state = AppState::OpenLink;
    Tick(*app);
    EXPECT_EQ(AppState::Showing, app->state);
    ASSERT_EQ(1u, test.shell.opened.size());
    EXPECT_EQ("http://news.test/a.html", test.shell.opened[0]);
    CopyCut(app->linkEntry.link, kSlotSize, "http://news.test/tool.exe");
    app->state = AppState::OpenLink;
    Tick(*app);
    EXPECT_EQ(1u, test.shell.opened.size());
    ASSERT_EQ(1u, test.messages.shown.size());
    EXPECT_EQ("警告", test.messages.shown[0].title);
    EXPECT_EQ("リンク先ファイルの拡張子が危険と判断されたため開けません。", test.messages.shown[0].text);
    EXPECT_EQ(MessageIcon::Warning, test.messages.shown[0].icon);
}

TEST(ConditionalHeader, IsFormattedInEnglishWithTwoDigitFields) {
    CivilTime t;
    t.year = 2025, t.month = 2, t.day = 3, t.hour = 9, t.minute = 5, t.second = 7;
    char out[128];
    FormatIfModifiedSince(t, out, sizeof out);
    EXPECT_STREQ("If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT", out);
    EXPECT_EQ(48u, strlen(out));
    t.year = 2026, t.month = 12, t.day = 31, t.hour = 23, t.minute = 59, t.second = 59;
    FormatIfModifiedSince(t, out, sizeof out);
    EXPECT_STREQ("If-Modified-Since: Thu, 31 Dec 2026 23:59:59 GMT", out);
}

}  // namespace
