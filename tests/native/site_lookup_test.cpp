// "RSSから読み込む" where the end-to-end scenarios do not go: a page with one link, a link answering
// 503, a page at a usual address, ｷｬﾝｾﾙ in the chooser, no answer at all.
#include "app/site_lookup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/app.h"
#include "support/app_fixture.h"

namespace {

const std::string kRss = "<rss><channel><title>T</title><item></item><item></item></channel></rss>";
std::string Page(const std::string& hrefs) {
    std::string head;
    for (char href : hrefs)
        head += std::string("<link rel=alternate type=application/rss+xml href=/") + href + ">";
    return "<!DOCTYPE html><html><head>" + head + "</head></html>";
}

class SiteLookupTest : public ::testing::Test, protected AppFixture {};

TEST_F(SiteLookupTest, FromTheAddressToTheFeedOrAMessageThatFillsNothing) {
    auto& f = test.fetcher;
    f.Always("http://one.test/", kFetchOk, Page("m"));
    f.Always("http://one.test/m", kFetchOk, kRss);
    f.Always("http://two.test/", kFetchOk, Page("ab"));
    f.Always("http://none.test/", kFetchOk, Page(""));
    f.Always("http://none.test/rss", kFetchOk, Page(""));  // a page, not a feed: passed over
    f.Always("http://none.test/index.xml", kFetchOk, kRss);
    f.Always("http://bad.test/", kFetchOk, Page("x"));
    ScriptedFetcher::Answer busy;
    busy.status = 503;
    busy.body = "<html><title>503</title></html>";
    f.Always("http://bad.test/x", busy);
    const struct {
        const char* typed;
        int choice;
        const char* found;  // the feed's address, or a part of the message
        size_t requests;
    } cases[] = {
        {"http://one.test/", 0, "http://one.test/m", 2},
        {"http://none.test/", 0, "http://none.test/index.xml", 4},
        {"http://two.test/", -1, "", 1},
        {"http://bad.test/", 0, "503 Service Unavailable\r\nサーバーは一時的に利用できません。しばらく待って",
         2},
        {"nowhere.test", 0, "サーバーに接続できませんでした。", 2},
    };
    for (const auto& c : cases) {
        f.requests.clear();
        test.messages.shown.clear();
        SiteLookup lookup(*app);
        LookupOutcome outcome = lookup.Begin(c.typed, false);
        for (int i = 0; i < 20 && (outcome == LookupOutcome::Working || outcome == LookupOutcome::Choose);
             ++i) {
            outcome = outcome == LookupOutcome::Choose ? lookup.Choose(c.choice) : lookup.Tick();
        }
        EXPECT_EQ(c.requests, f.requests.size()) << c.typed;
        const std::string said = test.messages.shown.empty() ? "" : test.messages.shown[0].text;
        if (strncmp(c.found, "http", 4) == 0) {
            EXPECT_EQ(LookupOutcome::Found, outcome) << c.typed;
            EXPECT_EQ(c.found, lookup.url);
            EXPECT_EQ(2, lookup.count);
        } else {
            EXPECT_EQ(*c.found ? LookupOutcome::Failed : LookupOutcome::NotTried, outcome) << c.typed;
            EXPECT_NE(std::string::npos, said.find(c.found)) << said;
            EXPECT_STREQ("", lookup.site);
        }
    }
}

}  // namespace
