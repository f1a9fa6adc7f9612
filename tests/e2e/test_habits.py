"""The ticker beside other programs, from outside: the band held under the resting pointer with
hoverstop=1 (and not without it), the ticker leaving the top of the z-order while a full-screen window
covers its monitor, a ticker lost off screen by a display change coming back, and the Run entry
written and removed with the settings dialog's check box.
build/windows/screen_helper.exe (tests/e2e/win/screen_helper_win.cpp) plays the full-screen program
and the display change."""
import os
import subprocess
import time
import unittest

import loopback
import probe
from harness import BUILD, FRAME_X, FRAME_Y, MENU_SETTINGS, Ticker, run_quiet

HELPER = os.path.join(BUILD, "windows", "screen_helper.exe")
WS_EX_TOPMOST = 0x8
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
STARTUP_BOX, OK = 1043, 1


def helper(ticker, *args):
    code, output = run_quiet(["wine", HELPER, *[str(a) for a in args]], env=ticker.env, timeout=60)
    if code != 0:
        raise AssertionError(f"screen_helper {args} failed ({code}): {output[-300:]}")
    return output.split()


def topmost(ticker):
    return bool(int(helper(ticker, "exstyle")[-2]) & WS_EX_TOPMOST)


def below_film(ticker):
    return helper(ticker, "exstyle")[-1] == "1"


class HabitsTest(unittest.TestCase):
    def start(self, name, files=None):
        ticker = Ticker(name, files=files)
        self.addCleanup(ticker.close)
        return ticker

    def test_band_stands_still_under_the_pointer_only_with_hoverstop(self):
        url = loopback.write_rss("habits/hover.xml", [("停電の復旧は今夜の見込みと電力会社", "http://h.example/1"),
                                                       ("市内の図書館で古地図の展示が始まる", "http://h.example/2")])
        for hoverstop in (1, 0):
            ticker = self.start(f"habits_hover_{hoverstop}", {
                "URL-List.txt": loopback.feed_list([("市政", url, 10)]),
                "Newsroller.ini": f"hoverstop={hoverstop}\r\n".encode("ascii")})
            shot = ticker.wait_for_band(label="band")
            self.assertIsNotNone(shot, "the band did not fill the ticker")
            ticker.move(ticker.client_x + 120, ticker.client_y + 10)
            time.sleep(0.5)
            resting = ticker.band_columns(ticker.screenshot("pointer-resting"))
            time.sleep(2)
            rested = ticker.band_columns(ticker.screenshot("pointer-rested-2s"))
            self.assertEqual(resting == rested, hoverstop == 1, f"hoverstop={hoverstop}, pointer on the ticker")
            ticker.move(640, 600)
            time.sleep(1)
            gone = ticker.band_columns(ticker.screenshot("pointer-gone"))
            self.assertNotEqual(rested, gone, f"hoverstop={hoverstop}: the band did not go on after the pointer left")
            ticker.close()

    def test_full_screen_window_takes_the_ticker_off_the_top_until_it_closes(self):
        ticker = self.start("habits_full_screen")
        self.assertTrue(topmost(ticker), "wintop=1: the ticker starts topmost")
        log = open(os.path.join(ticker.folder, "full-screen.log"), "wb")
        self.addCleanup(log.close)
        film = subprocess.Popen(["wine", HELPER, "fullscreen", "6"], env=ticker.env, stdout=log,
                                stderr=subprocess.STDOUT)
        self.assertTrue(ticker.wait_for(lambda: not topmost(ticker), timeout=5, step=0.3),
                        "the ticker stayed topmost over the full-screen window")
        # Below the full-screen window too (which is not topmost itself).
        self.assertTrue(below_film(ticker))
        ticker.screenshot("full-screen")
        film.wait(30)
        self.assertTrue(ticker.wait_for(lambda: topmost(ticker), timeout=5, step=0.3),
                        "the ticker did not come back on top after the full-screen window closed")

    def test_ticker_lost_by_a_display_change_comes_back_and_a_shown_one_stays(self):
        ticker = self.start("habits_display_change")
        left, top, right, bottom = map(int, helper(ticker, "lose", 3000, 2000)[-4:])
        # Placed as at start with winX=3000, winY=2000: against the right and bottom edges of 1280 x 800.
        self.assertEqual((left, top, right, bottom), (1280 - 600 + FRAME_X, 800 - 27 + FRAME_Y, 1280 + FRAME_X,
                                                      800 + FRAME_Y))
        self.assertEqual((ticker.refresh().x, ticker.window.y), (left, top))
        ticker.screenshot("back-on-screen")
        # On the monitor, even half beyond its edge: kept where it is.
        self.assertEqual(helper(ticker, "lose", 900, 300)[-4:], ["900", "300", "1500", "327"])

    def run_entry(self, ticker):
        code, output = ticker.run_wine("reg", "query", RUN_KEY, "/v", "Newsroller")
        return output if code == 0 and "Newsroller" in output else None

    def set_start_with_windows(self, ticker, checked):
        """Opens 設定, sets "Windowsの起動時に実行" as asked and presses OK; the box as it opened."""
        ticker.choose_menu_item(MENU_SETTINGS)
        dialog = probe.wait_window(ticker, "設定")
        self.assertIsNotNone(dialog, "設定 did not open")
        box = probe.control(dialog, STARTUP_BOX)
        was = box["checked"]
        if was != checked:
            self.assertTrue(probe.click(ticker, box))
        self.assertTrue(probe.click(ticker, probe.control(dialog, OK)))
        self.assertTrue(probe.wait_window(ticker, "設定", gone=True), "OK left the dialog open")
        return was

    def test_the_run_entry_comes_and_goes_with_the_check_box(self):
        ticker = self.start("habits_run_entry")
        ticker.run_wine("reg", "delete", RUN_KEY, "/v", "Newsroller", "/f")
        self.addCleanup(ticker.run_wine, "reg", "delete", RUN_KEY, "/v", "Newsroller", "/f")
        self.assertFalse(self.set_start_with_windows(ticker, True))
        entry = self.run_entry(ticker)
        self.assertIsNotNone(entry, "no Run entry after OK")
        self.assertIn('"' + probe.windows_path(ticker.program_file("Newsroller.exe")) + '"', entry)
        # Shown checked when it names this program; cleared, it goes.
        self.assertTrue(self.set_start_with_windows(ticker, False))
        self.assertIsNone(self.run_entry(ticker), "the Run entry stayed")


if __name__ == "__main__":
    unittest.main()
