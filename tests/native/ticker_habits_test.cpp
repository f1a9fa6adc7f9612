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

}  // namespace
