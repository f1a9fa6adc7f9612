"""The ticker window from outside: placement and colours, the popup menu, quitting, dragging versus
clicking, the About dialog (which opens the guide) and the tray icon."""
import os
import shutil
import time
import unittest
import urllib.parse

import harness
from harness import (BACK, DEFAULT_FSIZE, DEFAULT_WIDTH, DEFAULT_WIN_X, DEFAULT_WIN_Y, FRAME, FRAME_X, FRAME_Y,
                     MENU_ABOUT, MENU_QUIT, TEXT1, Ticker)

GUIDE = "はじめにお読みください.txt"
SCROLL_HEIGHT = DEFAULT_FSIZE + 9


class TickerWindowTest(unittest.TestCase):
    def start(self, name, **kwargs):
        ticker = Ticker(name, **kwargs)
        self.addCleanup(ticker.close)
        return ticker

    def test_window_is_placed_sized_and_painted_from_the_defaults(self):
        ticker = self.start("placement")
        w = ticker.window
        self.assertEqual((w.width, w.height), (DEFAULT_WIDTH, SCROLL_HEIGHT))
        self.assertEqual((w.x, w.y), (DEFAULT_WIN_X - FRAME_X, DEFAULT_WIN_Y - FRAME_Y))
        # Without a settings file the defaults are written to a new one.
        with open(ticker.program_file("Newsroller.ini"), "rb") as f:
            self.assertIn(b"winX=230\r\n", f.read())

        shot = ticker.screenshot("ticker")
        cx, cy = ticker.client_x, ticker.client_y
        inner_w, inner_h = DEFAULT_WIDTH - 2 * FRAME_X, SCROLL_HEIGHT - 2 * FRAME_Y
        # The frame outlines the client area; the background fills it right of the status text.
        for x, y in ((cx, cy + 10), (cx + 300, cy), (cx + 300, cy + inner_h - 1), (cx + inner_w - 1, cy + 10)):
            self.assertEqual(shot.pixel(x, y), FRAME, f"frame at {x},{y}")
        for x, y in ((cx + 400, cy + 10), (cx + inner_w - 10, cy + inner_h - 4)):
            self.assertEqual(shot.pixel(x, y), BACK, f"background at {x},{y}")
        # The status text is drawn in text colour 1 at the left: enough of its pixels to be legible.
        self.assertGreater(shot.count(TEXT1, cx + 2, cy + 1, cx + 120, cy + inner_h - 1), 40)
        # The visible ticker alone, for the documentation.
        shot.crop(os.path.join(ticker.folder, "ticker-strip.png"), cx, cy, inner_w, inner_h)

    def test_window_follows_the_settings_file(self):
        settings = "winX=100\r\nwinY=200\r\nwidth=480\r\nscrollf=0\r\nfsize=20\r\nbackR=0\r\nbackG=64\r\nbackB=128\r\n"
        ticker = self.start("settings_file", files={"Newsroller.ini": settings.encode("ascii")})
        w = ticker.window
        self.assertEqual((w.x, w.y), (100 - FRAME_X, 200 - FRAME_Y))
        self.assertEqual((w.width, w.height), (480, 2 * 20 + 10))  # page mode: two lines
        shot = ticker.screenshot("page-mode")
        self.assertEqual(shot.pixel(ticker.client_x + 300, ticker.client_y + 20), (0, 64, 128))
        self.assertEqual(shot.pixel(ticker.client_x, ticker.client_y + 20), FRAME)

    def test_right_click_opens_the_menu_and_quit_ends_with_exit_code_0(self):
        ticker = self.start("menu_and_quit")
        menu = ticker.open_menu()
        self.assertIsNotNone(menu, "no popup menu after a right-click")
        # Eight items of one text line each, opened at the pointer.
        self.assertGreater(menu.height, 8 * 14)
        self.assertLessEqual(abs(menu.x - (ticker.client_x + 300)), 4)
        shot = ticker.screenshot("menu")
        self.assertNotEqual(shot.pixel(menu.x + menu.width // 2, menu.y + 3), (0, 0, 0))
        shot.crop(os.path.join(ticker.folder, "ticker-with-menu.png"), ticker.client_x, ticker.client_y,
                  DEFAULT_WIDTH - 2 * FRAME_X, min(shot.height, menu.y + menu.height + 4) - ticker.client_y)
        ticker.focus(ticker.window.id)
        ticker.keys("Escape")
        self.assertTrue(ticker.wait_window_gone(menu.id), "Escape left the menu open")
        self.assertTrue(ticker.running())

        ticker.choose_menu_item(MENU_QUIT)
        code = ticker.wait_exit(15)
        self.assertEqual(code, 0)
        self.assertEqual(ticker.find_windows("^Newsroller$"), [])

    def test_press_with_three_moves_drags_the_window(self):
        ticker = self.start("drag")
        start = ticker.window
        x, y = ticker.client_x + 200, ticker.client_y + 8
        ticker.move(x, y)
        ticker.xdotool("mousedown", "1")
        time.sleep(0.2)
        for step in range(1, 4):  # the third movement message starts the drag
            ticker.move(x + 2 * step, y + step)
        ticker.move(x + 100, y + 200)
        ticker.move(x + 150, y + 300)
        ticker.xdotool("mouseup", "1")
        time.sleep(0.5)
        moved = ticker.refresh()
        ticker.screenshot("dragged")
        self.assertGreater(moved.x - start.x, 120)
        self.assertGreater(moved.y - start.y, 250)
        self.assertEqual((moved.width, moved.height), (start.width, start.height))
        self.assertTrue(ticker.running())

    def test_release_after_two_moves_leaves_no_move_armed_for_the_hovering_pointer(self):
        ticker = self.start("release_after_two_moves")
        start = ticker.window
        x, y = ticker.client_x + 300, ticker.client_y + 8
        ticker.move(x, y)
        ticker.xdotool("mousedown", "1")
        time.sleep(0.2)
        for step in (1, 2):  # two movements: neither a click nor a drag
            ticker.move(x + 2 * step, y)
        ticker.xdotool("mouseup", "1")
        time.sleep(0.3)
        # With no button held the window must not start following the pointer.
        for dx in (10, 40, 80, 120):
            ticker.move(x + dx, y + dx // 4)
        now = ticker.refresh()
        ticker.screenshot("after-hover")
        self.assertEqual((now.x, now.y), (start.x, start.y))
        self.assertTrue(ticker.running())

    def test_press_and_release_without_moves_is_a_click_not_a_drag(self):
        ticker = self.start("click")
        start = ticker.window
        x, y = ticker.client_x + 200, ticker.client_y + 8
        ticker.click(x, y)
        # One small movement between press and release is still a click.
        ticker.xdotool("mousedown", "1")
        ticker.move(x + 1, y)
        ticker.xdotool("mouseup", "1")
        time.sleep(0.5)
        now = ticker.refresh()
        self.assertEqual((now.x, now.y), (start.x, start.y))
        # With the update cycle in place a click on an empty ticker starts a cycle, which makes the
        # cache folder again.
        cache = ticker.program_file("cache")
        if os.path.isdir(cache):
            shutil.rmtree(cache)
            ticker.click(x, y)
            self.assertTrue(ticker.wait_for(lambda: os.path.isdir(cache), 10), "the click started no update")
        # The click was taken as a click: the menu (which a pending press would not hinder) still
        # opens and the program is alive.
        self.assertIsNotNone(ticker.open_menu())
        ticker.focus(ticker.window.id)
        ticker.keys("Escape")
        self.assertTrue(ticker.running())

    def test_about_dialog_opens_the_guide_and_closes_only_by_its_button(self):
        # A build without a distributor's page: "配布元サイトを開く" opens the guide beside the exe.
        ticker = self.start("about")
        ticker.choose_menu_item(MENU_ABOUT)
        about = ticker.wait_window("^" + harness.ABOUT_TITLE + "$")
        self.assertIsNotNone(about, "the About dialog did not open")
        shot = ticker.screenshot("about")
        # The icon's colours are in the dialog's upper left part.
        self.assertGreater(shot.count(FRAME, about.x, about.y, about.x + about.width // 3, about.y + about.height), 10)

        # While the dialog is open the ticker's menu is blocked.
        self.assertIsNone(ticker.open_menu())

        with open(ticker.program_file(GUIDE), "wb") as f:
            f.write("Newsroller\r\n".encode("cp932"))
        ticker.move(about.x + about.width // 2, about.y + about.height // 2)
        ticker.focus(about.id)
        ticker.keys("Tab", "space")  # "配布元サイトを開く"
        self.assertTrue(ticker.wait_for(lambda: ticker.browser_log(), 10), "the guide was not opened")
        # The shell hands the file on as a file: address.
        self.assertTrue(urllib.parse.unquote(ticker.browser_log()[0]).endswith("/about/program/" + GUIDE),
                        ticker.browser_log())
        ticker.keys("Escape")
        time.sleep(0.5)
        self.assertTrue(ticker.find_windows("^" + harness.ABOUT_TITLE + "$"), "Escape closed the About dialog")

        ticker.focus(about.id)
        ticker.keys("Tab", "space")  # "閉じる"
        self.assertTrue(ticker.wait_window_gone(about.id), "閉じる left the dialog open")
        # The dialog-open flag is clear again: the menu opens.
        self.assertIsNotNone(ticker.open_menu())
        ticker.focus(ticker.window.id)
        ticker.keys("Escape")
        self.assertEqual(len(ticker.browser_log()), 1)

    def test_tray_icon_shows_and_opens_the_menu(self):
        ticker = self.start("tray")
        tray = ticker.wait_window("^Wine System Tray$")
        self.assertIsNotNone(tray, "no tray window")
        shot = ticker.screenshot("tray")
        # The first icon of the tray is the ticker's own: its frame and background colours.
        self.assertGreater(shot.count(FRAME, tray.x, tray.y, tray.x + tray.height, tray.y + tray.height), 10)
        self.assertGreater(shot.count(BACK, tray.x, tray.y, tray.x + tray.height, tray.y + tray.height), 10)
        # A left click on the icon puts a ticker that was moved away back in its place, also when the
        # display is idle (no feeds: nothing else redraws it).
        home = ticker.window
        ticker.xdotool("windowmove", str(home.id), "500", "400")
        self.assertTrue(ticker.wait_for(lambda: ticker.refresh().x == 500, 5), "the ticker was not moved away")
        ticker.click(tray.x + tray.height // 2, tray.y + tray.height // 2)
        self.assertTrue(ticker.wait_for(lambda: (ticker.refresh().x, ticker.window.y) == (home.x, home.y), 5),
                        f"the tray click left the ticker at {ticker.window}")
        before = {w.id for w in ticker.visible_windows()}
        ticker.click(tray.x + tray.height // 2, tray.y + tray.height // 2, button=3)
        menu = ticker.wait_for(lambda: ticker._new_untitled(before), 5)
        self.assertIsNotNone(menu, "no menu from the tray icon")
        ticker.screenshot("tray-menu")
        ticker.focus(ticker.window.id)
        ticker.keys("Escape")
        self.assertTrue(ticker.wait_window_gone(menu.id))
        self.assertEqual(ticker.quit(), 0)


if __name__ == "__main__":
    unittest.main()
