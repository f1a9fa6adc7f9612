// A feed that moved for good follows at the end of the cycle, not while the settings dialog holds a
// copy of the list; its copy and tag go with it.
#include <gtest/gtest.h>

#include <memory>

#include "app/app.h"
#include "app/cycle.h"
#include "config/settings_form.h"
#include "support/app_fixture.h"

namespace {

class CycleAnswersTest : public ::testing::Test, protected AppFixture {
  protected:
    void RunCycle() {
        app->state = AppState::BeginCycle;
        for (int i = 0; i < 500 && (app->state == AppState::BeginCycle || app->cycle.running()); ++i)
            Tick(*app);
    }
};

TEST_F(CycleAnswersTest, AMoveWaitsWhileTheSettingsDialogHoldsTheListAndTakesTheCopyAndTag) {
    app->startupPassDue = false;
    test.folder.Write("URL-List.txt", "S\thttp://old.test/rss\t5\r\n");
    ScriptedFetcher::Answer moved;
    moved.result = kFetchOk;
    moved.body =
        "<rss><channel><title>C</title><item><title>t</title><link>http://s.test/1</link></item></channel></"
        "rss>";
    moved.etag = "\"m\"";
    moved.movedTo = "http://new.test/feed";
    test.fetcher.Always("http://old.test/rss", moved);
    std::unique_ptr<SettingsForm> form(new SettingsForm);
    BeginSettingsForm(*form, app->settings);
    app->previewingForm = form.get();  // the dialog is open
    RunCycle();
    EXPECT_EQ("S\thttp://old.test/rss\t5\r\n", test.folder.Read("URL-List.txt"));
    app->previewingForm = nullptr;
    RunCycle();
    EXPECT_EQ("S\thttp://new.test/feed\t5\r\n", test.folder.Read("URL-List.txt"));
    EXPECT_STREQ("http://new.test/feed", app->feeds.url[0]);
    EXPECT_EQ(moved.body, test.folder.Read("cache/http@%%new@test%feed"));
    EXPECT_EQ("\"m\"", test.folder.Read("cache/http@%%new@test%feed.etag"));
    EXPECT_FALSE(test.folder.Exists("cache/http@%%old@test%rss"));
}

}  // namespace
