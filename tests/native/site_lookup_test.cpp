// "RSSから読み込む" and dropped addresses: from the address people know to the feed, or a message.
#include "app/site_lookup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "support/app_fixture.h"

namespace {

const std::string kRss = "<rss><channel><title>T</title><item></item><item></item></channel></rss>";
std::string Html(const std::string& head) { return "<!DOCTYPE html><html><head>" + head + "</head></html>"; }
std::string Link(const std::string& href) {
    return "<link rel=alternate type=application/rss+xml href='" + href + "'>";
}

class SiteLookupTest : public ::testing::Test, protected AppFixture {
  protected:
    LookupOutcome Run(const char* text, int choice) {
        LookupOutcome outcome = lookup.Begin(text, false);
        for (int i = 0; i < 20 && (outcome == LookupOutcome::Working || outcome == LookupOutcome::Choose);
             ++i) {
            outcome = outcome == LookupOutcome::Choose ? lookup.Choose(choice) : lookup.Tick();
        }
        return outcome;
    }
    void Status(const std::string& url, int status) {
        ScriptedFetcher::Answer answer;
        answer.status = status;
        answer.body = Html("<title>Error</title>");
        test.fetcher.Always(url, answer);
    }
    SiteLookup lookup{*app};
};

TEST_F(SiteLookupTest, FromTheAddressToTheFeedOrAMessageThatFillsNothing) {
    auto& f = test.fetcher;
    f.Always("http://one.test/", kFetchOk, Html(Link("/main.xml")));
    f.Always("http://one.test/main.xml", kFetchOk, kRss);
    f.Always("http://two.test/", kFetchOk, Html(Link("/a.xml") + Link("/b.xml")));
    f.Always("http://two.test/b.xml", kFetchOk, kRss);
    f.Always("http://none.test/", kFetchOk, Html(""));
    f.Always("http://none.test/rss", kFetchOk, Html(""));  // a page, not a feed: passed over
    f.Always("http://none.test/index.xml", kFetchOk, kRss);
    f.Always("http://plain.test/", kFetchOk, kRss);
    f.Always("http://empty.test/", kFetchOk, Html(""));
    Status("http://gone.test/", 404);
    Status("http://dead.test/", 500);
    f.Always("http://bad.test/", kFetchOk, Html(Link("/x.xml")));
    Status("http://bad.test/x.xml", 503);
    const struct {
        const char* typed;
        int choice;
        const char* found;  // the feed's address, or the message's part
        size_t requests;
    } cases[] = {
        {"http://one.test/", 0, "http://one.test/main.xml", 2},
        {"http://two.test/", 1, "http://two.test/b.xml", 2},
        {"http://none.test/", 0, "http://none.test/index.xml", 4},
        {"plain.test/", 0, "http://plain.test/", 2},  // https first, no answer there
        {"http://two.test/", -1, "", 1},              // ｷｬﾝｾﾙ in the chooser
        {"http://gone.test/", 0, "サーバーの応答: 404 Not Found\r\nこのアドレスにはページがありません。", 1},
        {"http://dead.test/", 0, "サーバーの応答: 500 Internal Server Error", 1},
        {"http://bad.test/", 0, "503 Service Unavailable\r\nサーバーは一時的に利用できません。しばらく待って",
         2},
        {"http://empty.test/", 0, "このサイトにはフィード（RSS）が見つかりませんでした。", 8},
        {"nowhere.test", 0, "サーバーに接続できませんでした。", 2},
    };
    for (const auto& c : cases) {
        f.requests.clear();
        test.messages.shown.clear();
        const LookupOutcome outcome = Run(c.typed, c.choice);
        EXPECT_EQ(c.requests, f.requests.size()) << c.typed;
        if (strncmp(c.found, "http", 4) == 0) {
            EXPECT_EQ(LookupOutcome::Found, outcome) << c.typed;
            EXPECT_EQ(c.found, lookup.url);
            EXPECT_STREQ("T", lookup.site);
            EXPECT_EQ(2, lookup.count);
            std::string copy = c.found;
            for (char& b : copy) b = b == '/' ? '%' : (b == '.' || b == ':') ? '@' : b;
            EXPECT_EQ(kRss, test.folder.Read("cache/" + copy));
        } else if (*c.found == '\0') {
            EXPECT_EQ(LookupOutcome::NotTried, outcome) << c.typed;
        } else {
            EXPECT_EQ(LookupOutcome::Failed, outcome) << c.typed;
            ASSERT_EQ(1u, test.messages.shown.size()) << c.typed;
            EXPECT_NE(std::string::npos, test.messages.shown[0].text.find(c.found))
                << test.messages.shown[0].text;
            EXPECT_EQ("RSSから読み込む", test.messages.shown[0].title);
            EXPECT_EQ("", lookup.url);
            EXPECT_STREQ("", lookup.site);
        }
    }
}

}  // namespace
