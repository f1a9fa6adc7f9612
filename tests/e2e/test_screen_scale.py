"""The same files at 100, 125, 150 and 200 % screen scale (Wine's LogPixels 96, 120, 144, 192): the
ticker, its text, a schedule row and the schedule window grow with the scale, the settings dialog's
colour preview stays inside its group, and the settings file a run leaves behind is the one it was
given. Runs on a private 1600x1200 Xvfb screen (the settings dialog is about 1300 pixels tall at
200 %) and sets LogPixels 96 again at the end, so the other tests of the prefix are unaffected.
"""
import datetime
import os
import subprocess
import time
import unittest

import probe
from harness import (ARTIFACTS, MENU_SCHEDULE, MENU_SETTINGS, TEXT1, Ticker, kill_wine, run_quiet, runs,
                     wine_env)

SCALES = (96, 120, 144, 192)
SCHEDULE, EDITOR, SETTINGS = "スケジュール", "編集", "設定"
TODAY_FILL = (255, 255, 192)
PREVIEW_BACK, PREVIEW_FRAME = (112, 112, 96), (188, 188, 82)
# A settings file as the program writes it, with the position stored at exit (savepos=1).
SETTINGS_FILE = (
    "winX=100\r\nwinY=47\r\nwidth=600\r\nschecx=400\r\nschecy=300\r\nxmove=100\r\nscrollf=1\r\nbackR=112\r\n"
    "backG=112\r\nbackB=96\r\nrectR=188\r\nrectG=188\r\nrectB=82\r\ntext1R=255\r\ntext1G=222\r\n"
    "text1B=119\r\ntext2R=248\r\ntext2G=246\r\ntext2B=192\r\nupday=2\r\nwintop=1\r\nmousesche=0\r\n"
    "fsize=18\r\nuptimer=90\r\nifmodified=\r\nfontface=ＭＳ Ｐゴシック\r\nftype=700\r\nscrolldiv=5\r\n"
    "toumeido=300\r\nalerttime=3\r\ndisptimer=2\r\nsavepos=1\r\n").encode("cp932")


def scaled(units, dpi):
    return (units * dpi + 48) // 96


def without_time_header(data):
    """The settings file without its ifmodified line, the end time of the last update."""
    return b"".join(line for line in data.splitlines(keepends=True) if not line.startswith(b"ifmodified="))


def set_log_pixels(env, dpi):
    kill_wine(env)
    for key in (r"HKCU\Control Panel\Desktop", r"HKCC\Software\Fonts"):
        run_quiet(["wine", "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"],
                  env=env, timeout=60)
    kill_wine(env)


class ScreenScaleTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        n = 140
        while os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
            n += 1
        cls.xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1600x1200x24", "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        cls.env = wine_env()
        cls.env["DISPLAY"] = f":{n}"
        for _ in range(100):
            if run_quiet(["xdpyinfo", "-display", cls.env["DISPLAY"]], timeout=10)[0] == 0:
                break
            time.sleep(0.1)

    @classmethod
    def tearDownClass(cls):
        set_log_pixels(cls.env, 96)
        cls.xvfb.terminate()
        cls.xvfb.wait(10)

    def start(self, dpi):
        today = datetime.date.today()
        tasks = "".join(f"{today.year},{today.month},{today.day},{h},0,0,-1,\r\n会議{h}\r\n" for h in (9, 10))
        files = {"Newsroller.ini": SETTINGS_FILE, "schedule.dat": tasks.encode("cp932")}
        ticker = Ticker(f"screen_scale/{dpi}", files=files, start=False)
        ticker.env["DISPLAY"] = ticker.display = self.env["DISPLAY"]
        set_log_pixels(ticker.env, dpi)
        self.addCleanup(ticker.close)
        ticker.start()
        return ticker

    def test_ticker_schedule_and_preview_follow_the_scale_and_the_file_stays(self):
        heights = {}
        for dpi in SCALES:
            with self.subTest(dpi=dpi):
                ticker = self.start(dpi)
                w = ticker.window
                # winX/winY are the client area's corner, in 96-dpi units; Wine's dialog frame is 3.
                self.assertEqual((w.x + 3, w.y + 3), (scaled(100, dpi), scaled(47, dpi)))
                self.assertLessEqual(abs(w.width - 600 * dpi / 96), 1)
                self.assertLessEqual(abs(w.height - 27 * dpi / 96), 1)
                shot = ticker.screenshot("ticker")
                rows = [sum(1 for x in range(ticker.client_x + 1, ticker.client_x + 300)
                            if shot.pixel(x, y) == TEXT1)
                        for y in range(ticker.client_y + 1, ticker.client_y + ticker.client_height - 1)]
                text = runs(rows, max_gap=2)
                self.assertTrue(text, f"no status text in {shot.path}")
                heights[dpi] = [text[0][1] - text[0][0]]

                self.check_preview(ticker, dpi)
                heights[dpi].append(self.schedule_row_height(ticker, dpi))

                ticker.quit()
                with open(ticker.program_file("Newsroller.ini"), "rb") as f:
                    written = f.read()
                self.assertEqual(without_time_header(written), without_time_header(SETTINGS_FILE))
        # Text and rows grow with the scale, within a pixel of the 100 % size times the scale (a glyph's
        # ink and a font's leading round on their own, so one pixel more is allowed for the row).
        for dpi in SCALES[1:]:
            text, row = heights[dpi]
            self.assertLessEqual(abs(text - heights[96][0] * dpi / 96), 1.5, heights)
            self.assertLessEqual(abs(row - heights[96][1] * dpi / 96), 2, heights)

    def check_preview(self, ticker, dpi):
        """The colour preview (back colour outlined in the frame colour) lies inside the group "カラー"."""
        ticker.choose_menu_item(MENU_SETTINGS)
        dialog = probe.wait_window(ticker, SETTINGS)
        self.assertIsNotNone(dialog, "設定 did not open")
        time.sleep(0.5)
        shot = ticker.screenshot("settings")
        group = [c for c in dialog["children"] if c["text"] == "カラー"][0]["rect"]
        left, top, right, bottom = dialog["rect"]
        w = ticker.window  # topmost, it may cover part of the dialog
        frame = [(x, y) for y in range(top, bottom) for x in range(left, right)
                 if shot.pixel(x, y) == PREVIEW_FRAME and not (w.x <= x < w.x + w.width and w.y <= y < w.y + w.height)]
        self.assertTrue(frame, f"no colour preview in {shot.path}")
        xs, ys = [p[0] for p in frame], [p[1] for p in frame]
        preview = (min(xs), min(ys), max(xs) + 1, max(ys) + 1)
        self.assertTrue(group[0] < preview[0] and group[1] < preview[1] and preview[2] < group[2] and
                        preview[3] < group[3], f"preview {preview} outside the group {group} at {dpi}")
        self.assertEqual(shot.pixel((preview[0] + preview[2]) // 2, preview[1] + 2), PREVIEW_BACK)
        ticker.focus(ticker.find_windows(f"^{SETTINGS}$")[0].id)
        ticker.keys("Escape")
        self.assertTrue(probe.wait_window(ticker, SETTINGS, gone=True), "Escape left 設定 open")

    def schedule_row_height(self, ticker, dpi):
        """Opens the schedule window (sized from schecx, schecy in units) and the editor; the height of
        one of the two light yellow rows of today's tasks."""
        ticker.choose_menu_item(MENU_SCHEDULE)
        window = probe.wait_window(ticker, SCHEDULE)
        self.assertIsNotNone(window, "スケジュール did not open")
        left, top, right, bottom = window["rect"]
        self.assertLessEqual(abs(right - left - 400 * dpi / 96), 1)
        self.assertLessEqual(abs(bottom - top - 300 * dpi / 96), 1)
        time.sleep(0.5)
        shot = ticker.screenshot("schedule")
        x = right - scaled(30, dpi)  # in the task column, right of its short texts
        band = runs([1 if shot.pixel(x, y) == TODAY_FILL else 0 for y in range(top, bottom)])
        self.assertTrue(band, f"no row of today in {shot.path}")
        row = (band[0][1] - band[0][0]) / 2  # two rows, one band
        # The editor, for the screenshot: "追加" from the rows' popup menu.
        before = {w.id for w in ticker.visible_windows()}
        ticker.click(x - 100, top + (band[0][0] + band[0][1]) // 2, button=3)
        self.assertTrue(ticker.wait_for(lambda: ticker._new_untitled(before), timeout=5), "no popup menu")
        ticker.focus(ticker.find_windows(f"^{SCHEDULE}$")[0].id)
        ticker.keys("Down", "Return")
        self.assertIsNotNone(probe.wait_window(ticker, EDITOR), "追加 opened no editor")
        time.sleep(0.5)
        ticker.screenshot("editor")
        ticker.focus(ticker.find_windows(f"^{EDITOR}$")[0].id)
        ticker.keys("Escape")
        self.assertTrue(probe.wait_window(ticker, EDITOR, gone=True))
        ticker.focus(ticker.find_windows(f"^{SCHEDULE}$")[0].id)
        ticker.keys("Escape")
        self.assertTrue(probe.wait_window(ticker, SCHEDULE, gone=True))
        return row
