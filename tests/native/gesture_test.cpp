#include "display/gesture.h"

#include <gtest/gtest.h>

#include "app/app.h"
#include "support/app_fixture.h"

namespace {

class GestureTest : public ::testing::Test, protected AppFixture {
  protected:
    void SetUp() override {
        app->today = 500;
        for (const char* site : {"A", "B", "C"}) AddArticle(site, "t");
        app->state = AppState::Showing;
        RecountShownArticles(*app);
        app->currentArticle = 2;
        app->settings.xmove = 100;
    }
    int Sweep(int from, int to, int step) {
        int fired = 0;
        for (int x = from; x >= to; x -= step) fired += PointerMoved(*app, x) == GestureResult::SteppedBack;
        return fired;
    }
};

TEST_F(GestureTest, LeftwardSweepStepsBackOnce) {
    int fired = 0;
    int firedAt = -1;
    for (int x = 500; x >= 380; x -= 20) {
        if (PointerMoved(*app, x) == GestureResult::SteppedBack) {
            ++fired;
            firedAt = x;
        }
    }
    EXPECT_EQ(1, fired);
    EXPECT_EQ(380, firedAt);  // 500 - 380 = 120 > 100; 400 is not yet beyond
    EXPECT_EQ(1, app->currentArticle);
    EXPECT_STREQ("B", app->line1);
    EXPECT_TRUE(app->repaintPending);
    EXPECT_EQ(1, test.host.invalidations);
}

TEST_F(GestureTest, LargeJumpRestartsAndRightwardMoveStartsOver) {
    PointerMoved(*app, 500);
    PointerMoved(*app, 350);  // a jump of 150 restarts the gesture here
    EXPECT_EQ(350, app->gesture.startX);
    EXPECT_EQ(0, Sweep(340, 260, 20));
    PointerMoved(*app, 261);  // one pixel right ends it
    EXPECT_EQ(0, app->gesture.tracking);
    EXPECT_EQ(1, Sweep(250, 140, 10));
}

TEST_F(GestureTest, NothingHappensOutsideTheIdleStatesOrWithNothingToStepTo) {
    app->state = AppState::Fetching;
    EXPECT_EQ(0, Sweep(500, 300, 20));
    EXPECT_EQ(0, app->gesture.tracking);
    app->state = AppState::Showing;
    app->settings.mousesche = 1;
    app->dialogOpen = 1;
    EXPECT_EQ(0, Sweep(500, 300, 20));
    app->dialogOpen = 0;
    PointerMoved(*app, 600);
    GestureResult last = GestureResult::None;
    for (int x = 590; x >= 400; x -= 10) {
        GestureResult r = PointerMoved(*app, x);
        if (r != GestureResult::None) last = r;
    }
    EXPECT_EQ(GestureResult::OpenSchedule, last);
    EXPECT_EQ(1, app->dialogOpen);
    app->settings.mousesche = 0;
    app->articles.count = 1;
    PointerMoved(*app, 700);
    EXPECT_EQ(0, Sweep(690, 400, 10));
}

}  // namespace
