// The import dialog's ticks over the settings dialog's list: one outline per tick, new feeds
// fetched once for their item count, the stop at 100 feeds, abort, and the ticks that must not run.
#include "app/opml_import_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "config/settings_form.h"
#include "net/conditional_header.h"
#include "support/app_fixture.h"
#include "support/import_fakes.h"

namespace {

std::string Rss(const std::string& title, int items) {
    std::string doc = "<rss><channel><title>" + title + "</title>";
    for (int i = 0; i < items; ++i) doc += "<item><title>t</title><link>http://x/</link></item>";
    return doc + "</channel></rss>";
}

std::string Opml(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"1.1\"><body>\n" + body +
           "</body></opml>\n";
}

std::string Outline(const std::string& site, const std::string& url) {
    return "<outline text=\"" + site + "\" type=\"rss\" xmlUrl=\"" + url + "\"/>\n";
}

// Runs its action once, while the next fetch waits (the dialog's messages arrive then).
class HookedFetcher : public Fetcher {
  public:
    explicit HookedFetcher(Fetcher& inner) : inner_(inner) {}
    Session EnsureSession() override { return inner_.EnsureSession(); }
    FetchResult Fetch(const char* url, const char* header, DocumentBuffer& document) override {
        if (whileWaiting) {
            auto action = whileWaiting;
            whileWaiting = nullptr;
            action();
        }
        return inner_.Fetch(url, header, document);
    }
    std::function<void()> whileWaiting;

  private:
    Fetcher& inner_;
};

class ImportTickTest : public ::testing::Test {
  protected:
    ImportTickTest()
        : hooked(test.fetcher),
          platform{test.messages, test.shell, test.clock, test.files, hooked, test.pump, test.host},
          app(new App(platform)),
          form(new SettingsForm) {
        ResetApp(*app);
        app->state = AppState::Showing;
        app->dialogOpen = true;
    }

    void Register(const std::string& site, const std::string& url, int maximum) {
        FeedTable& f = form->feeds;
        CopyCut(f.site[f.count], kSlotSize, site.c_str());
        CopyCut(f.url[f.count], kSlotSize, url.c_str());
        f.maximum[f.count++] = maximum;
    }

    // Ticks until the session ends; the ticks taken.
    int RunToEnd(ImportSession& session) {
        int ticks = 1;
        while (session.Tick(view) != ImportTick::Finished && ticks < 10000) ++ticks;
        return ticks;
    }

    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        for (int i = 0; i < form->feeds.count; ++i) lines.push_back(FeedLine(form->feeds, i));
        return lines;
    }

    TestPlatform test;
    HookedFetcher hooked;
    Platform platform;
    std::unique_ptr<App> app;
    std::unique_ptr<SettingsForm> form;
    RecordingImportView view;
};

TEST_F(ImportTickTest, NewFeedsAreAddedWithTheirItemCountAndRegisteredOnesOnlyShown) {
    Register("Old", "http://old.test/rss", 7);
    test.fetcher.Always("http://fifteen.test/rss", kFetchOk, Rss("Other name", 15));
    test.fetcher.Always("http://notitle.test/rss", kFetchOk, "<rss><item>no title</item></rss>");
    test.fetcher.Always("http://304.test/rss", kFetchEmpty);
    const std::string document = Opml(                                     //
        "<outline text=\"Folder\">\n" +                                    // skipped, children taken
        Outline(u8"十五件", "http://fifteen.test/rss") +                   //
        Outline("No title", "http://notitle.test/rss") + "</outline>\n" +  //
        Outline("Old again", "http://old.test/rss") +                      // registered: shown only
        Outline("Down", "http://down.test/rss") +                          // the fetch fails
        Outline("Empty answer", "http://304.test/rss") +                   //
        Outline("Fifteen twice", "http://fifteen.test/rss"));              // registered by now
    ImportSession session(*app, *form, TextView{document.c_str(), static_cast<int>(document.size())});
    EXPECT_EQ(7, session.outlineTotal());
    EXPECT_EQ(8, RunToEnd(session));  // one tick per outline, then the end

    EXPECT_EQ((std::vector<std::string>{"（7）Old", "（15）十五件", "（0）No title", "（0）Down",
                                        "（0）Empty answer"}),
              Lines());
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), view.added);
    EXPECT_EQ(4, form->selection);
    EXPECT_EQ(7, view.progress);
    EXPECT_EQ((std::vector<std::string>{"十五件 http://fifteen.test/rss", "No title http://notitle.test/rss",
                                        "Old again http://old.test/rss", "Down http://down.test/rss",
                                        "Empty answer http://304.test/rss",
                                        "Fifteen twice http://fifteen.test/rss"}),
              view.outlines);
    // Each new feed fetched once, whole; only the one with items kept.
    ASSERT_EQ(4u, test.fetcher.requests.size());
    for (const FetchRequest& r : test.fetcher.requests) EXPECT_EQ(kUnconditionalHeader, r.header);
    EXPECT_EQ(Rss("Other name", 15), test.folder.Read("cache/http@%%fifteen@test%rss"));
    EXPECT_EQ((std::vector<std::string>{"http@%%fifteen@test%rss"}), test.folder.List("cache"));
    EXPECT_TRUE(test.messages.shown.empty());
    EXPECT_FALSE(app->cycleBusy);
}

TEST_F(ImportTickTest, TheImportStopsAtOneHundredFeeds) {
    struct Case {
        int registered, outlines, added, ticks;
    } cases[] = {
        {0, 150, 100, 101},  // the 101st tick finds the table full
        {99, 3, 1, 2},
        {100, 1, 0, 1},      // full before the first outline
        {0, 100, 100, 101},  // the message comes although no outline is left
    };
    for (const Case& c : cases) {
        form->feeds.count = 0;
        test.messages.shown.clear();
        for (int i = 0; i < c.registered; ++i) Register("R", "http://r.test/" + std::to_string(i), 1);
        std::string body;
        for (int i = 0; i < c.outlines; ++i) body += Outline("N", "http://n.test/" + std::to_string(i));
        const std::string document = Opml(body);
        ImportSession session(*app, *form, TextView{document.c_str(), static_cast<int>(document.size())});
        EXPECT_EQ(c.ticks, RunToEnd(session)) << c.registered << "+" << c.outlines;
        EXPECT_EQ(c.registered + c.added, form->feeds.count) << c.registered << "+" << c.outlines;
        ASSERT_EQ(1u, test.messages.shown.size()) << c.registered << "+" << c.outlines;
        EXPECT_EQ("登録サイト数が100件になりました。", test.messages.shown[0].text);
        EXPECT_EQ("件数超過", test.messages.shown[0].title);
        EXPECT_EQ(MessageIcon::Warning, test.messages.shown[0].icon);
    }
}

TEST_F(ImportTickTest, AbortEndsAtTheNextTickAndKeepsWhatWasAdded) {
    const std::string document = Opml(Outline("A", "http://a.test/") + Outline("B", "http://b.test/") +
                                      Outline("C", "http://c.test/"));
    ImportSession session(*app, *form, TextView{document.c_str(), static_cast<int>(document.size())});
    ASSERT_EQ(ImportTick::Continue, session.Tick(view));
    // "中断" pressed while the second feed is fetched.
    hooked.whileWaiting = [&] { session.Abort(); };
    ASSERT_EQ(ImportTick::Continue, session.Tick(view));
    EXPECT_EQ(ImportTick::Finished, session.Tick(view));
    EXPECT_EQ((std::vector<std::string>{"（0）A", "（0）B"}), Lines());
    EXPECT_EQ(2u, test.fetcher.requests.size());
}

// The fetch dispatches messages: the dialog's timer fires meanwhile, and the update cycle may start
// (a click on an empty ticker). Neither may take an outline or start a second fetch.
TEST_F(ImportTickTest, TicksDoNothingWhileATickOrACycleFetches) {
    const std::string document = Opml(Outline("A", "http://a.test/") + Outline("B", "http://b.test/"));
    ImportSession session(*app, *form, TextView{document.c_str(), static_cast<int>(document.size())});
    ImportTick nested = ImportTick::Continue;
    bool cycleBusyWhileFetching = false;
    hooked.whileWaiting = [&] {
        nested = session.Tick(view);
        cycleBusyWhileFetching = app->cycleBusy;
    };
    ASSERT_EQ(ImportTick::Continue, session.Tick(view));
    EXPECT_EQ(ImportTick::Ignored, nested);
    EXPECT_TRUE(cycleBusyWhileFetching);  // no cycle tick starts a fetch of its own meanwhile
    EXPECT_EQ(1, form->feeds.count);

    for (AppState busy : {AppState::BeginCycle, AppState::Fetching}) {
        app->state = busy;
        EXPECT_EQ(ImportTick::Waiting, session.Tick(view));
    }
    app->state = AppState::Showing;
    app->cycleBusy = true;
    EXPECT_EQ(ImportTick::Waiting, session.Tick(view));
    EXPECT_EQ(1, form->feeds.count);
    EXPECT_EQ(1, view.progress);
    // An abort needs no fetch: it ends the import even while the cycle runs.
    session.Abort();
    EXPECT_EQ(ImportTick::Finished, session.Tick(view));
    EXPECT_EQ(1u, test.fetcher.requests.size());
}

}  // namespace
