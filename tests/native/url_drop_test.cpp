// Drops onto the settings dialog: the cursor effect per format, the busy rule, a dropped address
// (a feed fills the fields, an OPML list is imported) and dropped OPML documents.
#include "app/url_drop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/app.h"
#include "app/site_lookup.h"
#include "config/settings_form.h"
#include "support/app_fixture.h"
#include "support/import_fakes.h"

namespace {

TEST(DropEffect, TextMayBeCopiedOrLinkedFilesCopiedNothingElse) {
    EXPECT_EQ(kDropEffectCopy | kDropEffectLink, AcceptedDropEffect(DropFormat::Text));
    EXPECT_EQ(kDropEffectCopy, AcceptedDropEffect(DropFormat::Files));
    EXPECT_EQ(kDropEffectNone, AcceptedDropEffect(DropFormat::None));
    // allowed, accepted -> answered, accepted afterwards
    const uint32_t cases[][4] = {{7, 5, 5, 5}, {2, 5, 0, 5}, {7, 0, 0, 0}, {3, 3, 2, 2}};
    for (const auto& c : cases) {
        uint32_t accepted = c[1];
        EXPECT_EQ(c[2], AnsweredDropEffect(c[0], accepted)) << c[0] << "/" << c[1];
        EXPECT_EQ(c[3], accepted) << c[0] << "/" << c[1];
    }
}

TEST(DropText, BlogSearchAddressesAskForUtf8Once) {
    const std::string base = "http://blogsearch.jp/search?q=x";
    const std::string longest = base + std::string(245 - base.size(), 'a');  // 245 + 10 < 256
    const std::string cases[][2] = {
        {base, base + "&ie=UTF-8"},
        {base + "&IE=utf_8", base + "&IE=utf_8"},
        {"HTTP://blogsearch.jp/?q=x", "HTTP://blogsearch.jp/?q=x"},  // the prefix is compared exactly
        {longest, longest + "&ie=UTF-8"},
        {longest + "a", longest + "a"},
    };
    for (const auto& c : cases) EXPECT_EQ(c[1], WithUtf8Request(c[0].c_str())) << c[0];
}

class UrlDropTest : public ::testing::Test {
  protected:
    UrlDropTest() : app(*fixture.app), form(new SettingsForm), runner(app, *form) {
        app.state = AppState::Showing;
    }

    AppFixture fixture;
    App& app;
    TestPlatform& test = fixture.test;
    std::unique_ptr<SettingsForm> form;
    TickingRunner runner;
};

TEST_F(UrlDropTest, OnlyAnAddressThatFitsIsTakenAndOnlyWhileTheDialogIsFree) {
    const std::string tooLong = "http://a.test/" + std::string(256 - 14, 'a');
    EXPECT_TRUE(DroppedAddressFits(app, tooLong.substr(1).c_str()));
    EXPECT_FALSE(DroppedAddressFits(app, tooLong.c_str()));
    app.state = AppState::OpenLink;  // a tick is about to open a link
    EXPECT_FALSE(DropAllowed(app, false));
    app.state = AppState::NothingToShow;
    EXPECT_FALSE(DropAllowed(app, true));  // the dialog still works on a drop
    EXPECT_TRUE(DropAllowed(app, false));
    ASSERT_EQ(3u, test.messages.shown.size());
    EXPECT_EQ("URLが長すぎます。", test.messages.shown[0].text);
    EXPECT_EQ("文字数超過", test.messages.shown[0].title);
    EXPECT_EQ("作業中", test.messages.shown[1].title);
}

TEST_F(UrlDropTest, AnOpmlAddressOrDocumentIsImportedAndMarksTheListChangedWhenItGrew) {
    const std::string list =
        "<?xml version=\"1.0\"?><opml version=\"1.1\"><body>"
        "<outline text=\"A\" xmlUrl=\"http://a.test/\"/><outline text=\"B\" "
        "xmlUrl=\"http://b.test/\"/></body></opml>";
    test.fetcher.Always("http://lists.test/my.opml", kFetchOk, list);
    test.fetcher.Always("http://a.test/", kFetchOk, "<rss><title>A</title><item></item></rss>");
    SiteLookup drop(app);
    LookupOutcome outcome = drop.Begin("http://lists.test/my.opml", true);
    while (outcome == LookupOutcome::Working) outcome = drop.Tick();
    ASSERT_EQ(LookupOutcome::Opml, outcome);
    EXPECT_EQ("http://lists.test/my.opml", drop.url);
    ImportDroppedDocument(*form, drop.document(), runner);
    ASSERT_EQ(2, form->feeds.count);
    EXPECT_EQ("（1）A", FeedLine(form->feeds, 0));
    EXPECT_EQ("（0）B", FeedLine(form->feeds, 1));
    EXPECT_TRUE(form->listChanged);

    // The same list again (as a second dropped file) adds nothing; a file without outlines shows no
    // import dialog.
    form->listChanged = false;
    ImportDroppedDocument(*form, TextView{list.c_str(), static_cast<int>(list.size())}, runner);
    ImportDroppedDocument(*form, TextView{"<html>no list</html>", 20}, runner);
    EXPECT_EQ((std::vector<int>{2, 2}), runner.totals);
    EXPECT_EQ(2, form->feeds.count);
    EXPECT_FALSE(form->listChanged);
}

}  // namespace
