// The import dialog's ticks over the settings dialog's list: one outline per tick, new feeds
// fetched once for their item count, the stop at 100 feeds, abort, and the ticks that must not act.
#include "app/opml_import_dialog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "config/settings_form.h"
#include "net/conditional_header.h"
#include "support/import_fakes.h"
#include "support/test_platform.h"

namespace {

std::string Outline(const std::string& site, const std::string& url) {
    return "<outline text=\"" + site + "\" xmlUrl=\"" + url + "\"/>\n";
}

class ImportTickTest : public ::testing::Test {
  protected:
    ImportTickTest()
        : fetcher(test.fetcher),
          platform{test.messages, test.shell, test.clock, test.files, fetcher, test.pump, test.host},
          app(new App(platform)),
          form(new SettingsForm) {
        ResetApp(*app);
        app->state = AppState::Showing;
    }

    void Start(const std::string& body) {
        document = "<?xml version=\"1.0\"?><opml version=\"1.1\"><body>\n" + body + "</body></opml>";
        session = std::make_unique<ImportSession>(
            *app, *form, TextView{document.c_str(), static_cast<int>(document.size())});
    }
    int RunToEnd() {  // the ticks taken
        int ticks = 1;
        while (session->Tick(view) != ImportTick::Finished && ticks < 1000) ++ticks;
        return ticks;
    }
    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        for (int i = 0; i < form->feeds.count; ++i) lines.push_back(FeedLine(form->feeds, i));
        return lines;
    }

    TestPlatform test;
    WaitingFetcher fetcher;
    Platform platform;
    std::unique_ptr<App> app;
    std::unique_ptr<SettingsForm> form;
    std::string document;
    std::unique_ptr<ImportSession> session;
    RecordingImportView view;
};

TEST_F(ImportTickTest, NewFeedsAreAddedWithTheirItemCountAndRegisteredOnesOnlyShown) {
    ASSERT_TRUE(AddFeed(*form, "Old", "http://old.test/", "7").done);
    std::string items;
    for (int i = 0; i < 15; ++i) items += "<item></item>";
    test.fetcher.Always("http://fifteen.test/", kFetchOk,
                        "<rss><title>Other name</title>" + items + "</rss>");
    test.fetcher.Always("http://notitle.test/", kFetchOk, "<rss><item>no title</item></rss>");
    test.fetcher.Always("http://304.test/", kFetchEmpty);
    Start("<outline text=\"Folder\">\n" + Outline(u8"十五件", "http://fifteen.test/") +
          Outline("No title", "http://notitle.test/") + "</outline>\n" +
          Outline("Old again", "http://old.test/") + Outline("Down", "http://down.test/") +
          Outline("304", "http://304.test/") + Outline("Fifteen twice", "http://fifteen.test/"));
    EXPECT_EQ(7, session->outlineTotal());
    EXPECT_EQ(8, RunToEnd());  // one tick per outline, then the end

    EXPECT_EQ(
        (std::vector<std::string>{"（7）Old", "（15）十五件", "（0）No title", "（0）Down", "（0）304"}),
        Lines());
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), view.added);
    EXPECT_EQ(4, form->selection);
    EXPECT_EQ(7, view.progress);
    EXPECT_EQ(6u, view.outlines.size());  // every outline with an address, registered or not
    EXPECT_EQ("Old again http://old.test/", view.outlines[2]);
    // Each new feed fetched once, whole; only the one with items kept.
    ASSERT_EQ(4u, test.fetcher.requests.size());
    for (const FetchRequest& r : test.fetcher.requests) EXPECT_EQ(kUnconditionalHeader, r.header);
    EXPECT_EQ((std::vector<std::string>{"http@%%fifteen@test%"}), test.folder.List("cache"));
    EXPECT_TRUE(test.messages.shown.empty());
}

TEST_F(ImportTickTest, TheImportStopsAtOneHundredFeeds) {
    struct Case {
        int registered, outlines, ticks;
    } cases[] = {{0, 150, 101}, {99, 3, 2}, {100, 1, 1}, {0, 100, 101}};  // the 101st tick finds 100
    for (const Case& c : cases) {
        form->feeds.count = 0;
        test.messages.shown.clear();
        for (int i = 0; i < c.registered; ++i)
            AddFeed(*form, "R", ("http://r.test/" + std::to_string(i)).c_str(), "1");
        std::string body;
        for (int i = 0; i < c.outlines; ++i) body += Outline("N", "http://n.test/" + std::to_string(i));
        Start(body);
        EXPECT_EQ(c.ticks, RunToEnd()) << c.registered << "+" << c.outlines;
        EXPECT_EQ(100, form->feeds.count) << c.registered << "+" << c.outlines;
        ASSERT_EQ(1u, test.messages.shown.size());
        EXPECT_EQ("登録サイト数が100件になりました。", test.messages.shown[0].text);
        EXPECT_EQ("件数超過", test.messages.shown[0].title);
    }
}

// The new feed's answer comes later than its tick: the ticks meanwhile wait and take no outline,
// and the dialog stays usable; "中断" gives the request up and ends the import, keeping what was added.
TEST_F(ImportTickTest, TicksWaitForTheNewFeedsAnswerAndAbortGivesItUp) {
    Start(Outline("A", "http://a.test/") + Outline("B", "http://b.test/") + Outline("C", "http://c.test/"));
    test.fetcher.Always("http://a.test/", kFetchOk, "<rss><title>A</title><item></item><item></item></rss>");
    test.fetcher.Hold("http://a.test/");
    test.fetcher.Hold("http://b.test/");
    ASSERT_EQ(ImportTick::Continue, session->Tick(view));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ImportTick::Waiting, session->Tick(view));
    EXPECT_EQ(1, view.progress);
    EXPECT_TRUE(view.added.empty());

    test.fetcher.Release("http://a.test/");
    EXPECT_EQ(ImportTick::Continue, session->Tick(view));  // A's count, then B asked for
    EXPECT_EQ((std::vector<int>{0}), view.added);
    session->Abort();
    EXPECT_EQ(ImportTick::Finished, session->Tick(view));
    EXPECT_EQ((std::vector<std::string>{"http://b.test/"}), test.fetcher.cancelled);
    EXPECT_EQ((std::vector<std::string>{"（2）A", "（0）B"}), Lines());
    EXPECT_EQ(2, view.progress);
    EXPECT_EQ(0, test.fetcher.InFlight());
}

}  // namespace
