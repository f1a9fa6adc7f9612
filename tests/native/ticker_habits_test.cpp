#include "app/ticker_habits.h"

#include <gtest/gtest.h>

namespace {

TEST(FullScreenProgram, CoversTheTickersMonitorWhenItsRectangleHoldsTheMonitors) {
    const ScreenRect monitor = {1920, 0, 3840, 1080};  // the ticker's, right of the primary monitor
    struct Case {
        const char* what;
        ForegroundWindow window;
        bool covers;
    } cases[] = {
        {"exactly the monitor", {{1920, 0, 3840, 1080}, "MediaPlayerClass"}, true},
        {"beyond every edge", {{1910, -10, 3850, 1090}, "GameWindow"}, true},
        {"one pixel short at the bottom", {{1920, 0, 3840, 1079}, "MediaPlayerClass"}, false},
        {"the work area above a taskbar", {{1920, 0, 3840, 1040}, "Chrome_WidgetWin_1"}, false},
        {"the other monitor", {{0, 0, 1920, 1080}, "MediaPlayerClass"}, false},
        {"both monitors", {{0, 0, 3840, 1080}, "ScreenSaverClass"}, true},
        {"the desktop", {{0, 0, 3840, 1080}, "Progman"}, false},
        {"the desktop behind the icons", {{0, 0, 3840, 1080}, "WorkerW"}, false},
        {"the taskbar", {{1920, 0, 3840, 1080}, "Shell_TrayWnd"}, false},
        {"a second monitor's taskbar", {{1920, 0, 3840, 1080}, "Shell_SecondaryTrayWnd"}, false},
        {"one of the ticker's own windows", {{1920, 0, 3840, 1080}, "#32770", true}, false},
        {"minimised or hidden", {{1920, 0, 3840, 1080}, "MediaPlayerClass", false, false}, false},
        {"maximised with a title bar", {{1912, -8, 3848, 1088}, "Notepad", false, true, true}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.covers, CoversMonitor(c.window, monitor)) << c.what;
    EXPECT_FALSE(CoversMonitor({{0, 0, 3840, 1080}, "GameWindow"}, ScreenRect{0, 0, 0, 0}))
        << "no monitor known";
}

TEST(DisplaysChanged, ALostTickerComesBackByTheRuleOfTheStartAndAShownOneStays) {
    ScreenMetrics laptop;  // one 1280 x 800 monitor left, frames 3
    laptop.width = 1280;
    laptop.height = 800;
    const std::vector<ScreenRect> alone = {{0, 0, 1280, 800}};
    // A wide monitor with a low one to its right: the virtual screen's lower right corner is empty.
    ScreenMetrics pair = laptop;
    pair.width = 3200;
    pair.height = 1080;
    ScreenMetrics primary = laptop;
    primary.width = 1920;
    primary.height = 1080;
    const std::vector<ScreenRect> lShaped = {{0, 0, 1920, 1080}, {1920, 0, 3200, 720}};
    struct Case {
        const char* what;
        int x, y;  // the client area's corner after the change (600 x 27 in scroll mode)
        const ScreenMetrics& screen;
        const std::vector<ScreenRect>& monitors;
        bool moved;
        int winX, winY;
    } cases[] = {
        {"partly on the monitor left (winX, winY as stored)", 1270, 790, laptop, alone, false, 230, 0},
        {"above and left of every monitor", -900, -50, laptop, alone, true, 0, 0},
        {"in the corner no monitor shows", 3000, 1000, pair, lShaped, true, 1920 + 6 - 600, 1000},
    };
    for (const Case& c : cases) {
        AppSettings s;
        SetDefaultSettings(s);
        EXPECT_EQ(c.moved, BringOntoAMonitor(s, c.x, c.y, c.screen, primary, c.monitors)) << c.what;
        EXPECT_EQ(c.winX, s.winX) << c.what;
        EXPECT_EQ(c.winY, s.winY) << c.what;
    }
    // Shown, but stored where no monitor is left: a full repaint would lose it, so the shown place is kept.
    AppSettings s;
    SetDefaultSettings(s);
    s.winX = 1500;
    EXPECT_FALSE(BringOntoAMonitor(s, 100, 700, laptop, primary, alone));
    EXPECT_EQ(100, s.winX);
    EXPECT_EQ(700, s.winY);
}

}  // namespace
