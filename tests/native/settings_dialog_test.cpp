// The settings dialog against the running program: the site-name lookup, OK and Cancel and what
// they tell the update cycle, and list edits made while a cycle is fetching.
#include "app/settings_dialog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/cycle.h"
#include "app/site_lookup.h"
#include "app/ticker_habits.h"
#include "net/conditional_header.h"
#include "support/test_platform.h"

namespace {

std::string Rss(const std::string& title, int items) {
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel><title>" + title + "</title>";
    for (int i = 0; i < items; ++i) {
        doc += "<item><title>t" + std::to_string(i) + "</title><link>http://x.test/" + std::to_string(i) +
               "</link></item>";
    }
    return doc + "</channel></rss>";
}

// Refuses to replace one file, as a read-only or locked file would.
class LockedFile : public FileSystem {
  public:
    LockedFile(FileSystem& inner, std::string locked) : inner_(inner), locked_(std::move(locked)) {}
    FileProbe Probe(const char* name) override { return inner_.Probe(name); }
    int64_t Read(const char* name, char* dest, size_t capacity) override {
        return inner_.Read(name, dest, capacity);
    }
    bool CreateEmptyIfMissing(const char* name) override { return inner_.CreateEmptyIfMissing(name); }
    bool CreateFolder(const char* name) override { return inner_.CreateFolder(name); }
    bool WriteNew(const char* name, const char* data, size_t size) override {
        return inner_.WriteNew(name, data, size);
    }
    bool Copy(const char* from, const char* to) override { return inner_.Copy(from, to); }
    bool Replace(const char* from, const char* to) override {
        return locked_ != to && inner_.Replace(from, to);
    }
    bool Remove(const char* name) override { return inner_.Remove(name); }
    void Pause(int) override {}
    bool LastWriteTime(const char* name, int64_t& time) override { return inner_.LastWriteTime(name, time); }
    bool SetLastWriteTime(const char* name, int64_t time) override {
        return inner_.SetLastWriteTime(name, time);
    }

  private:
    FileSystem& inner_;
    std::string locked_;
};

class SettingsDialogTest : public ::testing::Test {
  protected:
    SettingsDialogTest()
        : fetcher(test.fetcher),
          locked(test.files, "URL-List.txt"),
          platform{test.messages, test.shell, test.clock, test.files, fetcher, test.pump, test.host},
          app(new App(platform)),
          form(new SettingsForm) {
        ResetApp(*app);
        app->startupPassDue = false;
    }

    void RunCycle() {
        for (int i = 0; i < 500 && (app->state == AppState::BeginCycle || app->state == AppState::Fetching ||
                                    app->cycle.running());
             ++i) {
            Tick(*app);
        }
        if (app->tablePending) TakeNewTable(*app);
    }

    // The fields as the dialog shows the current settings.
    OkFields Fields() {
        const AppSettings& s = app->settings;
        OkFields f;
        f.upday = std::to_string(s.upday), f.uptimer = std::to_string(s.uptimer);
        f.speed = std::to_string(ShownSpeed(s)), f.step = std::to_string(s.scrolldiv);
        f.transparency = std::to_string(ShownTransparency(s)), f.alerttime = std::to_string(s.alerttime);
        f.width = std::to_string(s.width), f.xmove = std::to_string(s.xmove);
        f.winX = std::to_string(s.winX), f.winY = std::to_string(s.winY), f.fsize = std::to_string(s.fsize);
        f.wintop = s.wintop, f.scrollf = s.scrollf, f.mousesche = s.mousesche, f.savepos = s.savepos;
        f.bold = s.ftype == 700;
        return f;
    }

    bool Ok(const OkFields& fields) {
        AppSettings chosen;
        return BeginSettingsOk(*app, *form, fields, chosen) && FinishSettingsOk(*app, *form, chosen);
    }

    TestPlatform test;
    WaitingFetcher fetcher;
    LockedFile locked;
    Platform platform;
    std::unique_ptr<App> app;
    std::unique_ptr<SettingsForm> form;
};

LookupOutcome RunLookup(SiteLookup& lookup, const char* url) {
    LookupOutcome outcome = lookup.Begin(url, false);
    for (int i = 0; i < 10 && outcome == LookupOutcome::Working; ++i) outcome = lookup.Tick();
    return outcome;
}

TEST_F(SettingsDialogTest, LookupFetchesTheWholeDocumentAndKeepsAFeedWithItemsInTheCache) {
    app->state = AppState::Showing;
    const std::string url = "http://news.test/rss";
    test.fetcher.Always(url, kFetchOk, Rss(u8"毎朝ニュース", 4));
    SiteLookup found(*app);
    EXPECT_EQ(LookupOutcome::Found, RunLookup(found, url.c_str()));
    EXPECT_STREQ("毎朝ニュース", found.site);
    EXPECT_EQ(4, found.count);
    ASSERT_EQ(1u, test.fetcher.requests.size());
    EXPECT_EQ(kUnconditionalHeader, test.fetcher.requests[0].header);
    EXPECT_EQ(Rss(u8"毎朝ニュース", 4), test.folder.Read("cache/http@%%news@test%rss"));

    test.fetcher.Always("http://empty.test/", kFetchOk, Rss("Empty", 0));
    EXPECT_EQ(LookupOutcome::Found, RunLookup(found, "http://empty.test/"));
    EXPECT_EQ(0, found.count);
    EXPECT_FALSE(test.folder.Exists("cache/http@%%empty@test%"));
    EXPECT_EQ(LookupOutcome::NotTried, RunLookup(found, "http://"));
    EXPECT_EQ(2u, test.fetcher.requests.size());
    EXPECT_TRUE(test.messages.shown.empty());
}

TEST_F(SettingsDialogTest, LookupRunsBesideACycleWithoutTheBusyMessage) {
    // The lookup's request is one more of those in flight: it neither waits for the cycle nor
    // stops it.
    test.folder.Write("URL-List.txt", "A\thttp://a.test/\t5\r\n");
    test.fetcher.Always("http://a.test/", kFetchOk, Rss("A", 1));
    test.fetcher.Always("http://news.test/rss", kFetchOk, Rss("N", 1));
    test.fetcher.Hold("http://a.test/");
    app->state = AppState::BeginCycle;
    Tick(*app);
    ASSERT_TRUE(app->cycle.running());
    SiteLookup lookup(*app);
    EXPECT_EQ(LookupOutcome::Found, RunLookup(lookup, "http://news.test/rss"));
    EXPECT_TRUE(app->cycle.running());
    test.fetcher.Release("http://a.test/");
    RunCycle();
    EXPECT_EQ(1, app->articles.count);
    EXPECT_TRUE(test.messages.shown.empty());
}

TEST_F(SettingsDialogTest, OkWithoutListEditsRecountsOnlyAnIdleDisplay) {
    test.folder.Write("URL-List.txt", "A\thttp://a.test/\t5\r\n");
    struct {
        AppState before, after;
    } cases[] = {{AppState::Showing, AppState::Recount},
                 {AppState::NothingToShow, AppState::Recount},
                 {AppState::Fetching, AppState::Recount},  // a cycle runs with nothing shown yet
                 {AppState::OpenLink, AppState::OpenLink}};
    for (const auto& c : cases) {
        app->state = c.before;
        OpenSettingsForm(*app, *form);
        ASSERT_TRUE(Ok(Fields()));
        EXPECT_EQ(c.after, app->state);
        EXPECT_FALSE(app->cacheOnly);
        EXPECT_TRUE(app->fullRepaint);
    }
    EXPECT_EQ("A\thttp://a.test/\t5\r\n", test.folder.Read("URL-List.txt"));
    // Page mode starts its two lines afresh.
    app->state = AppState::Showing;
    CopyCut(app->line1, sizeof app->line1, "old");
    OkFields page = Fields();
    page.scrollf = false;
    ASSERT_TRUE(Ok(page));
    EXPECT_STREQ("", app->line1);
}

TEST_F(SettingsDialogTest, CancelRestoresThePreviewAndWritesNothing) {
    test.folder.Write("URL-List.txt", "A\thttp://a.test/\t5\r\n");
    app->state = AppState::NothingToShow;
    app->dialogOpen = true;
    OpenSettingsForm(*app, *form);
    PreviewTransparency(*app, *form, 20);  // nothing shown: the ticker changes at once
    EXPECT_EQ(100, app->settings.toumeido);
    EXPECT_EQ(std::vector<int>{100 - 45}, test.host.opacity);
    PreviewSpeed(*app, *form, 10);
    PreviewStep(*app, *form, 40);
    EXPECT_EQ(1, app->settings.disptimer);
    EXPECT_EQ(40, app->settings.scrolldiv);
    EXPECT_FALSE(DeleteFeed(*form).done);  // nothing selected
    SelectFeed(*form, 0);
    ASSERT_TRUE(DeleteFeed(*form).done);

    CancelSettings(*app, *form);
    EXPECT_EQ(300, app->settings.toumeido);
    EXPECT_EQ(2, app->settings.disptimer);
    EXPECT_EQ(5, app->settings.scrolldiv);
    EXPECT_EQ((std::vector<int>{55, 255}), test.host.opacity);
    EXPECT_FALSE(app->dialogOpen);
    EXPECT_EQ("A\thttp://a.test/\t5\r\n", test.folder.Read("URL-List.txt"));
    EXPECT_FALSE(test.folder.Exists("Newsroller.ini"));

    // While articles are shown the display applies the opacity at its own pace.
    app->state = AppState::Showing;
    PreviewTransparency(*app, *form, 5);
    EXPECT_TRUE(app->transparencyPending);
    EXPECT_EQ(2u, test.host.opacity.size());
}

// OK is all or nothing: when the settings file or an edited list cannot be written, the dialog stays
// open and neither the running settings nor either file has changed.
TEST_F(SettingsDialogTest, OkThatCannotWriteEverythingChangesNothing) {
    const std::string list = "A\thttp://a.test/\t5\r\n";
    const struct {
        const char* lockedFile;
        bool listEdited;
        const char* message;
    } cases[] = {{"URL-List.txt", true, "URL-List.txtファイルをオープンできませんでした。"},
                 {"Newsroller.ini", true, "Newsroller.iniファイルをオープンできませんでした。"},
                 {"Newsroller.ini", false, "Newsroller.iniファイルをオープンできませんでした。"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lockedFile) + (c.listEdited ? ", list edited" : ""));
        test.folder.Write("URL-List.txt", list);
        test.folder.Write("Newsroller.ini", "uptimer=90\r\n");
        const std::string iniBefore = test.folder.Read("Newsroller.ini");
        test.messages.shown.clear();
        LockedFile lockedFiles(test.files, c.lockedFile);
        Platform lockedPlatform{test.messages, test.shell, test.clock, lockedFiles,
                                fetcher,       test.pump,  test.host};
        App lockedApp(lockedPlatform);
        ResetApp(lockedApp);
        lockedApp.state = AppState::Showing;
        const AppSettings before = lockedApp.settings;
        OpenSettingsForm(lockedApp, *form);
        PreviewSpeed(lockedApp, *form, 10);
        if (c.listEdited) {
            ASSERT_TRUE(AddFeed(*form, "B", "http://b.test/", "5").done);
        }
        OkFields fields = Fields();
        fields.uptimer = "30", fields.width = "400", fields.scrollf = false;
        AppSettings chosen;
        ASSERT_TRUE(BeginSettingsOk(lockedApp, *form, fields, chosen));
        EXPECT_FALSE(FinishSettingsOk(lockedApp, *form, chosen));
        ASSERT_EQ(1u, test.messages.shown.size());
        EXPECT_EQ(c.message, test.messages.shown[0].text);
        EXPECT_EQ(before.uptimer, lockedApp.settings.uptimer);
        EXPECT_EQ(before.width, lockedApp.settings.width);
        EXPECT_EQ(before.scrollf, lockedApp.settings.scrollf);
        EXPECT_EQ(1, lockedApp.settings.disptimer);  // the preview stays until Cancel
        EXPECT_EQ(AppState::Showing, lockedApp.state);
        EXPECT_FALSE(lockedApp.cacheOnly);
        EXPECT_EQ(list, test.folder.Read("URL-List.txt"));
        // Written back from the running values, with the preview taken back.
        if (std::string(c.lockedFile) == "Newsroller.ini") {
            EXPECT_EQ(iniBefore, test.folder.Read("Newsroller.ini"));
        } else {
            EXPECT_NE(std::string::npos, test.folder.Read("Newsroller.ini").find("uptimer=90\r\n"));
            EXPECT_NE(std::string::npos, test.folder.Read("Newsroller.ini").find("disptimer=2\r\n"));
        }
        // Cancel now takes back everything, as the user expects of it.
        CancelSettings(lockedApp, *form);
        EXPECT_EQ(before.disptimer, lockedApp.settings.disptimer);
    }
}

// Closing the program, or a cycle ending, while the dialog previews: the file keeps the values
// at opening, as if Cancel had been pressed.
TEST_F(SettingsDialogTest, PreviewsAreNeverStored) {
    app->state = AppState::Showing;
    app->settings.savepos = 1;
    OpenSettingsForm(*app, *form);
    PreviewSpeed(*app, *form, 10);
    PreviewStep(*app, *form, 40);
    PreviewTransparency(*app, *form, 20);
    PreviewHoverStop(*app, true);
    app->state = AppState::ExitRequested;
    Tick(*app);
    Tick(*app);
    const std::string ini = test.folder.Read("Newsroller.ini");
    for (const char* line : {"disptimer=2\r\n", "scrolldiv=5\r\n", "toumeido=300\r\n", "hoverstop=0\r\n"}) {
        EXPECT_NE(std::string::npos, ini.find(line)) << line;
    }
    EXPECT_EQ(nullptr, app->previewingForm);
}

// A list that could not be read whole opens empty; OK with a new feed keeps the old file as a copy.
TEST_F(SettingsDialogTest, OkOverAnUnreadableListKeepsItsCopy) {
    const std::string handWritten = "A\thttp://a.test/\t5\tfourth field\r\n";
    test.folder.Write("URL-List.txt", handWritten);
    app->state = AppState::Showing;
    OpenSettingsForm(*app, *form);
    EXPECT_EQ(0, form->feeds.count);
    ASSERT_EQ(1u, test.messages.shown.size());  // the loader says so once
    ASSERT_TRUE(AddFeed(*form, "B", "http://b.test/", "5").done);
    ASSERT_TRUE(Ok(Fields()));
    EXPECT_EQ("B\thttp://b.test/\t5\r\n", test.folder.Read("URL-List.txt"));
    EXPECT_EQ(handWritten, test.folder.Read("URL-List.txt.bak"));
    EXPECT_EQ(1u, test.messages.shown.size());
}

// OK with list edits while a cycle is fetching: the cycle over the old list is given up, the edited
// list is written and read at once from the cache copies (feeds without one fetched whole), and the
// network cycle that was given up follows.
TEST_F(SettingsDialogTest, OkWithListEditsDuringACycleStartsItAgainWithTheNewList) {
    const std::string list = "A\thttp://a.test/\t5\r\nB\thttp://b.test/\t5\r\nC\thttp://c.test/\t5\r\n";
    test.folder.Write("URL-List.txt", list);
    for (const char* name : {"a", "b", "c", "d"}) {
        std::string url = std::string("http://") + name + ".test/";
        test.fetcher.Always(url, kFetchOk, Rss(name, 1));
        test.fetcher.Hold(url);
    }
    app->state = AppState::BeginCycle;
    Tick(*app);
    ASSERT_TRUE(app->cycle.running());
    ASSERT_EQ(3, test.fetcher.InFlight());

    app->dialogOpen = true;
    OpenSettingsForm(*app, *form);
    SelectFeed(*form, 0);
    ASSERT_TRUE(DeleteFeed(*form).done);  // A goes, B and C move up
    ASSERT_TRUE(AddFeed(*form, "D", "http://d.test/", "5").done);
    ASSERT_TRUE(MoveFeed(*form, -1).done);  // D before C
    ASSERT_TRUE(Ok(Fields()));
    EXPECT_TRUE(test.messages.shown.empty());
    EXPECT_EQ("B\thttp://b.test/\t5\r\nD\thttp://d.test/\t5\r\nC\thttp://c.test/\t5\r\n",
              test.folder.Read("URL-List.txt"));
    EXPECT_FALSE(app->cycle.running());
    EXPECT_EQ(3u, test.fetcher.cancelled.size());
    EXPECT_EQ(AppState::BeginCycle, app->state);

    for (const char* name : {"a", "b", "c", "d"})
        test.fetcher.Release(std::string("http://") + name + ".test/");
    test.fetcher.requests.clear();
    RunCycle();
    ASSERT_EQ(3, app->articles.count);
    EXPECT_STREQ("B", app->articles.slot[0].site);
    EXPECT_STREQ("D", app->articles.slot[1].site);
    EXPECT_STREQ("C", app->articles.slot[2].site);
    // The cache-only cycle fetched the three without copies whole; the network cycle after it asked
    // each since its new copy's date.
    ASSERT_EQ(6u, test.fetcher.requests.size());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(kUnconditionalHeader, test.fetcher.requests[i].header);
    for (int i = 3; i < 6; ++i) EXPECT_NE(kUnconditionalHeader, test.fetcher.requests[i].header);
    EXPECT_FALSE(app->networkCycleOwed);
}

TEST_F(SettingsDialogTest, OpmlSaveNeedsAnIdleDisplayAndFeeds) {
    app->state = AppState::Fetching;
    SaveOpmlFromSettings(*app, *form);
    app->state = AppState::Showing;
    SaveOpmlFromSettings(*app, *form);
    ASSERT_TRUE(AddFeed(*form, "A", "http://a.test/", "5").done);
    SaveOpmlFromSettings(*app, *form);
    ASSERT_EQ(3u, test.messages.shown.size());
    EXPECT_EQ("作業中", test.messages.shown[0].title);
    EXPECT_EQ("RSSは１件も登録されていません。", test.messages.shown[1].text);
    EXPECT_EQ("Newsroller.opmlに保存しました。", test.messages.shown[2].text);
    EXPECT_NE(std::string::npos, test.folder.Read("Newsroller.opml").find("http://a.test/"));
}

}  // namespace
