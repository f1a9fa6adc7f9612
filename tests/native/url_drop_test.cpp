// Drops onto the settings dialog: the cursor effect per format, the busy rule, a dropped address
// (a feed fills the fields, an OPML list is imported) and dropped OPML documents.
#include "app/url_drop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "config/settings_form.h"
#include "net/conditional_header.h"
#include "support/app_fixture.h"
#include "support/import_fakes.h"

namespace {

TEST(DropEffect, TextMayBeCopiedOrLinkedFilesCopiedNothingElse) {
    EXPECT_EQ(kDropEffectCopy | kDropEffectLink, AcceptedDropEffect(DropFormat::Text));
    EXPECT_EQ(kDropEffectCopy, AcceptedDropEffect(DropFormat::Files));
    EXPECT_EQ(kDropEffectNone, AcceptedDropEffect(DropFormat::None));
    struct Case {
        uint32_t allowed, accepted, answered, acceptedAfter;
    } cases[] = {
        {7, 5, 5, 5},  // a browser's link: copy, move or link allowed
        {2, 5, 0, 5},  // move only: nothing the dialog takes
        {1, 1, 1, 1}, {7, 0, 0, 0},
        {3, 3, 2, 2},  // copy and move together: move stays, also for the next call
    };
    for (const Case& c : cases) {
        uint32_t accepted = c.accepted;
        EXPECT_EQ(c.answered, AnsweredDropEffect(c.allowed, accepted)) << c.allowed << "/" << c.accepted;
        EXPECT_EQ(c.acceptedAfter, accepted) << c.allowed << "/" << c.accepted;
    }
}

TEST(DropText, BlogSearchAddressesAskForUtf8Once) {
    const std::string base = "http://blogsearch.jp/search?q=x";
    struct Case {
        std::string url, expected;
    } cases[] = {
        {base, base + "&ie=UTF-8"},
        {base + "&ie=UTF-8", base + "&ie=UTF-8"},
        {base + "&IE=utf_8", base + "&IE=utf_8"},
        {"http://example.jp/?q=x", "http://example.jp/?q=x"},
        {"HTTP://blogsearch.jp/?q=x", "HTTP://blogsearch.jp/?q=x"},  // the prefix is compared exactly
        {base + std::string(245 - base.size(), 'a'),
         base + std::string(245 - base.size(), 'a') + "&ie=UTF-8"},
        {base + std::string(246 - base.size(), 'a'), base + std::string(246 - base.size(), 'a')},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, WithUtf8Request(c.url.c_str())) << c.url;
}

class UrlDropTest : public ::testing::Test {
  protected:
    UrlDropTest() : form(new SettingsForm), runner(*fixture.app, *form) {
        fixture.app->state = AppState::Showing;
    }

    std::string Rss(const std::string& title, int items) {
        std::string doc =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel><title>" + title + "</title>";
        for (int i = 0; i < items; ++i) doc += "<item><title>t</title></item>";
        return doc + "</channel></rss>";
    }

    AppFixture fixture;
    TestPlatform& test = fixture.test;
    std::unique_ptr<SettingsForm> form;
    TickingRunner runner;
};

TEST_F(UrlDropTest, DropsAreRefusedWhileTheCycleOrTheDialogIsBusy) {
    App& app = *fixture.app;
    struct Case {
        AppState state;
        bool tickRunning, dialogBusy, allowed;
    } cases[] = {
        {AppState::Showing, false, false, true},   {AppState::NothingToShow, false, false, true},
        {AppState::Fetching, false, false, false}, {AppState::BeginCycle, false, false, false},
        {AppState::OpenLink, false, false, false}, {AppState::Showing, true, false, false},
        {AppState::Showing, false, true, false},
    };
    size_t refused = 0;
    for (const Case& c : cases) {
        app.state = c.state;
        app.cycleBusy = c.tickRunning;
        EXPECT_EQ(c.allowed, DropAllowed(app, c.dialogBusy)) << static_cast<int>(c.state);
        if (!c.allowed) ++refused;
        ASSERT_EQ(refused, test.messages.shown.size());
    }
    EXPECT_EQ("現在作業中です。完了までお待ちください。", test.messages.shown[0].text);
    EXPECT_EQ("作業中", test.messages.shown[0].title);
}

TEST_F(UrlDropTest, ADroppedFeedAddressFillsTheFieldsWithoutAddingTheFeed) {
    const std::string url = "http://news.test/rss";
    test.fetcher.Always(url, kFetchOk, Rss(u8"毎朝ニュース", 3));
    TextDrop drop = DropText(*fixture.app, *form, url.c_str(), runner);
    EXPECT_EQ(TextDrop::Outcome::Feed, drop.outcome);
    EXPECT_STREQ("毎朝ニュース", drop.site);
    EXPECT_EQ(3, drop.count);
    EXPECT_EQ(url, drop.url);
    EXPECT_EQ(0, form->feeds.count);
    EXPECT_FALSE(form->listChanged);
    EXPECT_EQ(Rss(u8"毎朝ニュース", 3), test.folder.Read("cache/http@%%news@test%rss"));
    ASSERT_EQ(1u, test.fetcher.requests.size());
    EXPECT_EQ(kUnconditionalHeader, test.fetcher.requests[0].header);

    // Without items: a maximum of 0 and no copy; a failed fetch: the site name is emptied.
    test.fetcher.Always("http://empty.test/", kFetchOk, Rss("Empty", 0));
    drop = DropText(*fixture.app, *form, "http://empty.test/", runner);
    EXPECT_EQ(TextDrop::Outcome::Feed, drop.outcome);
    EXPECT_EQ(0, drop.count);
    EXPECT_FALSE(test.folder.Exists("cache/http@%%empty@test%"));
    drop = DropText(*fixture.app, *form, "http://blogsearch.jp/?q=down", runner);
    EXPECT_EQ(TextDrop::Outcome::Failed, drop.outcome);
    EXPECT_EQ("http://blogsearch.jp/?q=down&ie=UTF-8", drop.url);  // the URL field shows what was fetched
    EXPECT_EQ(drop.url, test.fetcher.requests.back().url);
    EXPECT_EQ(0, runner.runs);
    EXPECT_FALSE(fixture.app->cycleBusy);
}

TEST_F(UrlDropTest, TextOf256BytesOrMoreIsRefused) {
    const std::string longest = "http://a.test/" + std::string(255 - 14, 'a');
    test.fetcher.Always(longest, kFetchOk, Rss("A", 1));
    EXPECT_EQ(TextDrop::Outcome::Feed, DropText(*fixture.app, *form, longest.c_str(), runner).outcome);
    EXPECT_TRUE(test.messages.shown.empty());
    const std::string tooLong = longest + "a";
    EXPECT_EQ(TextDrop::Outcome::TooLong, DropText(*fixture.app, *form, tooLong.c_str(), runner).outcome);
    ASSERT_EQ(1u, test.messages.shown.size());
    EXPECT_EQ("URLが長すぎます。", test.messages.shown[0].text);
    EXPECT_EQ("文字数超過", test.messages.shown[0].title);
    EXPECT_EQ(MessageIcon::Warning, test.messages.shown[0].icon);
    EXPECT_EQ(1u, test.fetcher.requests.size());
}

TEST_F(UrlDropTest, AnOpmlAddressOrDocumentIsImportedAndMarksTheListChangedWhenItGrew) {
    const std::string list =
        "<?xml version=\"1.0\"?><opml version=\"1.1\"><body>"
        "<outline text=\"A\" xmlUrl=\"http://a.test/\"/><outline text=\"B\" xmlUrl=\"http://b.test/\"/>"
        "</body></opml>";
    test.fetcher.Always("http://lists.test/my.opml", kFetchOk, list);
    test.fetcher.Always("http://a.test/", kFetchOk, Rss("A", 4));
    TextDrop drop = DropText(*fixture.app, *form, "http://lists.test/my.opml", runner);
    EXPECT_EQ(TextDrop::Outcome::Imported, drop.outcome);
    EXPECT_EQ("http://lists.test/my.opml", drop.url);
    EXPECT_EQ(1, runner.runs);
    ASSERT_EQ(2, form->feeds.count);
    EXPECT_EQ("（4）A", FeedLine(form->feeds, 0));
    EXPECT_EQ("（0）B", FeedLine(form->feeds, 1));
    EXPECT_TRUE(form->listChanged);

    // The same list again (as two dropped files would bring it) adds nothing and changes nothing;
    // a file without outlines shows no import dialog.
    form->listChanged = false;
    ImportDroppedDocument(*form, TextView{list.c_str(), static_cast<int>(list.size())}, runner);
    const std::string notOpml = "<html><body>no list</body></html>";
    ImportDroppedDocument(*form, TextView{notOpml.c_str(), static_cast<int>(notOpml.size())}, runner);
    EXPECT_EQ(3, runner.runs);
    EXPECT_EQ((std::vector<int>{2, 2}), runner.totals);
    EXPECT_EQ(2, form->feeds.count);
    EXPECT_FALSE(form->listChanged);
}

}  // namespace
