// "RSSから読み込む" and dropped addresses: from the address people know to the feed, without waiting.
#include "app/site_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "support/app_fixture.h"

namespace {

const std::string kRss =
    "<?xml version=\"1.0\"?><rss><channel><title>T</title><item></item><item></item></channel></rss>";
std::string Html(const std::string& head) {
    return "<!DOCTYPE html><html><head>" + head + "</head><body>x</body></html>";
}
std::string Link(const std::string& title, const std::string& href) {
    return "<link rel=alternate type=application/rss+xml title='" + title + "' href='" + href + "'>";
}

ScriptedFetcher::Answer Status(int status) {
    ScriptedFetcher::Answer answer;
    answer.status = status;
    answer.body = Html("<title>" + std::to_string(status) + " Error</title>");
    return answer;
}

class SiteLookupTest : public ::testing::Test, protected AppFixture {
  protected:
    // Runs the lookup to its end, answering a choice with `choice`.
    LookupOutcome Run(const char* text, bool dropped = false, int choice = -2) {
        LookupOutcome outcome = lookup.Begin(text, dropped);
        for (int i = 0; i < 20 && (outcome == LookupOutcome::Working || outcome == LookupOutcome::Choose);
             ++i) {
            if (outcome == LookupOutcome::Choose) {
                if (choice == -2) return outcome;
                outcome = lookup.Choose(choice);
            } else {
                outcome = lookup.Tick();
            }
        }
        return outcome;
    }
    std::vector<std::string> Asked() const {
        std::vector<std::string> urls;
        for (const FetchRequest& request : test.fetcher.requests) urls.push_back(request.url);
        return urls;
    }

    SiteLookup lookup{*app};
};

TEST_F(SiteLookupTest, FromTheTypedAddressToTheFeed) {
    auto& f = test.fetcher;
    f.Always("http://feed.test/rss", kFetchOk, kRss);
    f.Always("http://one.test/", kFetchOk, Html(Link("Main", "/main.xml")));
    f.Always("http://one.test/main.xml", kFetchOk, kRss);
    f.Always("http://none.test/", kFetchOk, Html("<title>No links</title>"));
    f.Always("http://none.test/rss", kFetchOk, Html("<title>a page</title>"));  // not a feed: passed over
    f.Always("http://none.test/index.xml", kFetchOk, kRss);
    f.Always("http://plain.test/", kFetchOk, kRss);  // no https there: the http address answers
    const struct {
        const char* typed;
        LookupOutcome outcome;
        std::string url;
        std::vector<std::string> asked;
    } cases[] = {
        {"http://feed.test/rss", LookupOutcome::Found, "http://feed.test/rss", {"http://feed.test/rss"}},
        {"http://one.test/",
         LookupOutcome::Found,
         "http://one.test/main.xml",
         {"http://one.test/", "http://one.test/main.xml"}},
        {"http://none.test/",
         LookupOutcome::Found,
         "http://none.test/index.xml",
         {"http://none.test/", "http://none.test/feed", "http://none.test/rss",
          "http://none.test/index.xml"}},
        {"plain.test/",
         LookupOutcome::Found,
         "http://plain.test/",
         {"https://plain.test/", "http://plain.test/"}},
        {"http://", LookupOutcome::NotTried, "", {}},
    };
    for (const auto& c : cases) {
        f.requests.clear();
        EXPECT_EQ(c.outcome, Run(c.typed)) << c.typed;
        EXPECT_EQ(c.url, lookup.url) << c.typed;
        EXPECT_EQ(c.asked, Asked()) << c.typed;
        if (c.outcome == LookupOutcome::Found) {
            EXPECT_STREQ("T", lookup.site);
            EXPECT_EQ(2, lookup.count);
        }
    }
    EXPECT_TRUE(test.messages.shown.empty());
    EXPECT_EQ(kRss, test.folder.Read("cache/http@%%none@test%index@xml"));
}

TEST_F(SiteLookupTest, SeveralLinksAreChosenFromAndCancelFillsNothing) {
    auto& f = test.fetcher;
    f.Always("http://two.test/", kFetchOk, Html(Link(u8"記事", "/a.xml") + Link(u8"コメント", "/b.xml")));
    f.Always("http://two.test/b.xml", kFetchOk, kRss);
    ASSERT_EQ(LookupOutcome::Choose, Run("http://two.test/"));
    ASSERT_EQ(2u, lookup.links().size());
    EXPECT_EQ("コメント", lookup.links()[1].title);
    EXPECT_EQ(LookupOutcome::Working, lookup.Choose(1));
    EXPECT_EQ(LookupOutcome::Found, lookup.Tick());
    EXPECT_EQ("http://two.test/b.xml", lookup.url);
    EXPECT_EQ(2, lookup.count);

    f.requests.clear();
    EXPECT_EQ(LookupOutcome::NotTried, Run("http://two.test/", false, -1));
    EXPECT_EQ(1u, f.requests.size());
    EXPECT_TRUE(test.messages.shown.empty());
}

TEST_F(SiteLookupTest, ErrorAnswersAndMissingFeedsFailWithAMessageAndFillNothing) {
    auto& f = test.fetcher;
    f.Always("http://gone.test/feed", Status(404));
    f.Always("http://busy.test/", Status(503));
    f.Always("http://page.test/", kFetchOk, Html("<title>Home</title>"));
    for (const char* path : kUsualFeedPaths) f.Always(std::string("http://page.test") + path, Status(404));
    f.Always("http://dead.test/", kFetchOk, Html(Link("x", "/x.xml")));
    f.Always("http://dead.test/x.xml", Status(500));
    const struct {
        const char* typed;
        const char* says;
    } cases[] = {
        {"http://gone.test/feed", "サーバーの応答: 404 Not Found"},
        {"http://busy.test/", "サーバーの応答: 503 Service Unavailable"},
        {"http://page.test/", "フィード（RSS）が見つかりませんでした"},
        {"http://dead.test/", "サーバーの応答: 500 Internal Server Error"},
        {"nowhere.test", "サーバーに接続できませんでした。"},
    };
    for (const auto& c : cases) {
        test.messages.shown.clear();
        EXPECT_EQ(LookupOutcome::Failed, Run(c.typed)) << c.typed;
        ASSERT_EQ(1u, test.messages.shown.size()) << c.typed;
        EXPECT_NE(std::string::npos, test.messages.shown[0].text.find(c.says)) << test.messages.shown[0].text;
        EXPECT_EQ("RSSから読み込む", test.messages.shown[0].title);
        EXPECT_STREQ("", lookup.site);
        EXPECT_EQ("", lookup.url);
    }
    EXPECT_FALSE(test.folder.Exists("cache/http@%%gone@test%feed"));
}

TEST_F(SiteLookupTest, ADroppedOpmlListIsForTheImportAndTheLookupNeverWaits) {
    auto& f = test.fetcher;
    f.Always("http://lists.test/my.opml", kFetchOk, "<?xml version=\"1.0\"?><opml><body/></opml>");
    EXPECT_EQ(LookupOutcome::Opml, Run("http://lists.test/my.opml", true));
    EXPECT_NE(std::string::npos, std::string(lookup.document().bytes).find("<opml>"));
    f.Hold("http://slow.test/");
    EXPECT_EQ(LookupOutcome::Working, Run("http://slow.test/"));
    EXPECT_EQ(1, f.InFlight());
    lookup.Cancel();  // the dialog closed meanwhile
    EXPECT_EQ(0, f.InFlight());
    EXPECT_EQ(std::vector<std::string>{"http://slow.test/"}, f.cancelled);
}

}  // namespace
