#include "platform/screen_scale.h"

#include <gtest/gtest.h>

#include <vector>

#include "config/settings.h"

namespace {

TEST(ScreenScaleTest, UnitsToPixelsAndBackRoundHalfAwayFromZero) {
    const struct {
        int units, dpi, pixels, back;
    } cases[] = {
        {230, 96, 230, 230}, {18, 120, 23, 18},     {27, 144, 41, 27}, {13, 120, 16, 13},
        {-7, 144, -11, -7},  {600, 192, 1200, 600}, {2, 72, 2, 3},     {100, 0, 100, 100},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScaleToDpi(c.units, c.dpi), c.pixels) << c.units << " at " << c.dpi;
        EXPECT_EQ(ScaleFromDpi(c.pixels, c.dpi), c.back) << c.pixels << " at " << c.dpi;
    }
    ScreenMetrics screen;
    screen.left = -1920;
    screen.width = 3840;
    screen.dpi = 144;
    const ScreenMetrics units = ScreenInUnits(screen);
    EXPECT_EQ((std::vector<int>{-1280, 2560, 512, 2, kBaseDpi}),
              (std::vector<int>{units.left, units.width, units.height, units.frameX, units.dpi}));
}

// A position stored at exit is read at the next start: from 96 dpi on it never moves, and a position
// the user dragged to settles after one store.
TEST(ScreenScaleTest, StoredPositionsDoNotDrift) {
    for (int dpi : {96, 120, 144, 168, 192, 240}) {
        for (int units = -3000; units <= 3000; ++units) {
            ASSERT_EQ(ScaleFromDpi(ScaleToDpi(units, dpi), dpi), units) << units << " at " << dpi;
            const int settled = ScaleToDpi(ScaleFromDpi(units, dpi), dpi);
            ASSERT_EQ(ScaleToDpi(ScaleFromDpi(settled, dpi), dpi), settled) << units << " at " << dpi;
        }
    }
}

}  // namespace
