// What the cycle makes of servers' answers: an error page is a failure, a server that asks to be
// left alone is, a tag comes back as If-None-Match, and a feed that moved for good follows.
#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "app/cycle.h"
#include "app/ticker_window.h"
#include "support/app_fixture.h"

namespace {

std::string Rss(const std::string& title) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>C</title><item><title>" + title +
           "</title><link>http://x.test/1</link></item></channel></rss>\n";
}

class CycleAnswersTest : public ::testing::Test, protected AppFixture {
  protected:
    CycleAnswersTest() { app->startupPassDue = false; }
    void RunCycle() {
        app->state = AppState::BeginCycle;
        for (int i = 0; i < 500 && (app->state == AppState::BeginCycle || app->state == AppState::Fetching ||
                                    app->cycle.running());
             ++i) {
            Tick(*app);
        }
        if (app->tablePending) TakeNewTable(*app);
    }
    std::string FirstTitle() const { return app->articles.count > 0 ? app->articles.slot[0].title : ""; }
    ScriptedFetcher::Answer Answer(int status, const std::string& body, FetchResult result = kFetchFailed) {
        ScriptedFetcher::Answer answer;
        answer.result = result;
        answer.status = status;
        answer.body = body;
        return answer;
    }
};

TEST_F(CycleAnswersTest, AnErrorPageIsAFailureAndTheCachedCopyIsShown) {
    test.folder.Write("URL-List.txt", "S\thttp://s.test/rss\t5\r\n");
    test.folder.Write("cache/http@%%s@test%rss", Rss("cached"));
    for (int status : {500, 404, 503}) {
        test.fetcher.Always("http://s.test/rss", Answer(status, "<html><title>Error</title></html>"));
        RunCycle();
        EXPECT_EQ("cached", FirstTitle()) << status;
        EXPECT_EQ(Rss("cached"), test.folder.Read("cache/http@%%s@test%rss")) << status;
    }
}

TEST_F(CycleAnswersTest, AHostThatAsksToBeLeftAloneIsNotAskedUntilThen) {
    test.folder.Write("URL-List.txt", "S\thttp://s.test/rss\t5\r\nT\thttp://s.test/other\t5\r\n");
    test.folder.Write("cache/http@%%s@test%rss", Rss("cached"));
    ScriptedFetcher::Answer busy = Answer(429, "slow down");
    busy.retryAfter = "3600";
    test.fetcher.Once("http://s.test/rss", busy);
    test.fetcher.Always("http://s.test/rss", kFetchOk, Rss("fresh"));
    test.fetcher.Always("http://s.test/other", kFetchOk, Rss("other"));
    test.fetcher.Hold("http://s.test/other");  // asked before the answer of 429 came
    app->state = AppState::BeginCycle;
    for (int i = 0; i < 5; ++i) Tick(*app);
    test.fetcher.Release("http://s.test/other");
    RunCycle();
    EXPECT_EQ("cached", FirstTitle());
    test.fetcher.requests.clear();
    test.clock.milliseconds += 3599 * 1000;
    RunCycle();
    EXPECT_TRUE(test.fetcher.requests.empty());
    EXPECT_EQ("cached", FirstTitle());
    test.clock.milliseconds += 1000;
    RunCycle();
    EXPECT_EQ(2u, test.fetcher.requests.size());
    EXPECT_EQ("fresh", FirstTitle());
}

TEST_F(CycleAnswersTest, TheTagOfACopyIsSentBackAndAnUnusableOneIsNot) {
    test.folder.Write("URL-List.txt", "S\thttp://s.test/rss\t5\r\n");
    const struct {
        std::string tag;
        bool sent;
    } cases[] = {{"\"v1\"", true}, {"W/\"abc-123\"", true}, {"\"a\"\r\nX-Injected: 1", false}, {"", false}};
    for (const auto& c : cases) {
        ScriptedFetcher::Answer answer = Answer(200, Rss("t"), kFetchOk);
        answer.etag = c.tag;
        test.fetcher.Once("http://s.test/rss", answer);
        RunCycle();
        test.fetcher.requests.clear();
        test.fetcher.Once("http://s.test/rss", Answer(304, "", kFetchEmpty));
        RunCycle();
        ASSERT_EQ(1u, test.fetcher.requests.size());
        const std::string& header = test.fetcher.requests[0].header;
        EXPECT_EQ(0u, header.find("If-Modified-Since: ")) << header;
        EXPECT_EQ(c.sent, header.find("\r\nIf-None-Match: " + c.tag) != std::string::npos) << header;
        EXPECT_EQ(c.sent, header.find("If-None-Match") != std::string::npos) << header;
    }
}

TEST_F(CycleAnswersTest, AFeedMovedForGoodFollowsAtTheEndOfTheCycleWithItsCopy) {
    test.folder.Write("URL-List.txt", "S\thttp://old.test/rss\t5\r\nT\thttp://tmp.test/rss\t5\r\n");
    ScriptedFetcher::Answer moved = Answer(200, Rss("moved"), kFetchOk);
    moved.movedTo = "http://new.test/feed";
    moved.etag = "\"m\"";
    test.fetcher.Always("http://old.test/rss", moved);
    test.fetcher.Always("http://tmp.test/rss", kFetchOk, Rss("temporary"));  // no permanent move
    SettingsForm* open = reinterpret_cast<SettingsForm*>(this);              // the settings dialog is open
    app->previewingForm = open;
    RunCycle();
    EXPECT_EQ("S\thttp://old.test/rss\t5\r\nT\thttp://tmp.test/rss\t5\r\n", test.folder.Read("URL-List.txt"));
    app->previewingForm = nullptr;
    RunCycle();
    EXPECT_EQ("S\thttp://new.test/feed\t5\r\nT\thttp://tmp.test/rss\t5\r\n",
              test.folder.Read("URL-List.txt"));
    EXPECT_STREQ("http://new.test/feed", app->feeds.url[0]);
    EXPECT_EQ(Rss("moved"), test.folder.Read("cache/http@%%new@test%feed"));
    EXPECT_EQ("\"m\"", test.folder.Read("cache/http@%%new@test%feed.etag"));
    EXPECT_FALSE(test.folder.Exists("cache/http@%%old@test%rss"));
    // A move whose target answers with no feed changes nothing.
    ScriptedFetcher::Answer page = Answer(200, "<html><title>Login</title></html>", kFetchOk);
    page.movedTo = "http://portal.test/";
    test.fetcher.Always("http://new.test/feed", page);
    RunCycle();
    EXPECT_STREQ("http://new.test/feed", app->feeds.url[0]);
}

}  // namespace
