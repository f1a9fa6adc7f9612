"""The same files at 100, 125, 150 and 200 % (Wine's LogPixels 96, 120, 144, 192): the ticker, its
text, the schedule window and its rows grow with the scale, the settings dialog's colour preview
stays inside its group, and a run leaves the settings file as it found it; a settings file held at
start and taken later gives a font of the scaled size too. On a private 1600x1200 screen (the settings dialog is about 1300 pixels tall at 200 %); LogPixels is 96 again afterwards.
"""
import datetime
import os
import re
import subprocess
import threading
import time
import unittest

import loopback
import probe
from harness import MENU_SCHEDULE, MENU_SETTINGS, TEXT1, Ticker, kill_wine, run_quiet, runs, wine_env
from test_settings_file import settings_text

SCALES = (96, 120, 144, 192)
TODAY_FILL, PREVIEW_FRAME = (255, 255, 192), (188, 188, 82)
# As the program writes it; winY and the schedule window's size are stored at exit (savepos=1).
SETTINGS_FILE = "".join(f"{pair}\r\n" for pair in (
    "winX=100 winY=47 width=600 schecx=400 schecy=300 xmove=100 scrollf=1 backR=112 backG=112 backB=96 rectR=188 "
    "rectG=188 rectB=82 text1R=255 text1G=222 text1B=119 text2R=248 text2G=246 text2B=192 upday=2 wintop=1 "
    "mousesche=0 fsize=18 uptimer=90 ifmodified=").split() + ["fontface=ＭＳ Ｐゴシック"] + (
    "ftype=700 scrolldiv=5 toumeido=300 alerttime=3 disptimer=2 savepos=1 hoverstop=0").split())


def set_log_pixels(env, dpi):
    kill_wine(env)
    for key in (r"HKCU\Control Panel\Desktop", r"HKCC\Software\Fonts"):
        run_quiet(["wine", "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"], env=env)
    kill_wine(env)


class PrivateScreen:
    """A test class on an Xvfb screen of its own, large enough for the dialogs at 150 % (cls.env
    carries its DISPLAY); the Wine prefix goes back to 96 dpi at the end."""

    @classmethod
    def setUpClass(cls):
        n = 140
        while os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
            n += 1
        cls.xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1600x1200x24", "-nolisten", "tcp"])
        cls.env = dict(wine_env(), DISPLAY=f":{n}")
        while run_quiet(["xdpyinfo", "-display", cls.env["DISPLAY"]], timeout=10)[0] != 0:
            time.sleep(0.1)

    @classmethod
    def tearDownClass(cls):
        set_log_pixels(cls.env, 96)
        cls.xvfb.terminate()


class ScreenScaleTest(PrivateScreen, unittest.TestCase):

    def start(self, dpi):
        today = datetime.date.today()
        tasks = "".join(f"{today.year},{today.month},{today.day},{h},0,0,-1,\r\n会議{h}\r\n" for h in (9, 10))
        ticker = Ticker(f"screen_scale/{dpi}", start=False,
                        files={"Newsroller.ini": SETTINGS_FILE.encode("cp932"), "schedule.dat": tasks.encode("cp932")})
        ticker.env["DISPLAY"] = ticker.display = self.env["DISPLAY"]
        set_log_pixels(ticker.env, dpi)
        self.addCleanup(ticker.close)
        ticker.start()
        return ticker

    def test_ticker_schedule_and_preview_follow_the_scale_and_the_file_stays(self):
        heights = {}
        for dpi in SCALES:
            ticker, s = self.start(dpi), dpi / 96
            w = ticker.window  # winX, winY: the client area's corner; Wine's dialog frame is 3 pixels
            self.assertEqual((w.x + 3, w.y + 3), ((100 * dpi + 48) // 96, (47 * dpi + 48) // 96))
            self.assertLessEqual(max(abs(w.width - 600 * s), abs(w.height - 27 * s)), 1, (dpi, w))
            shot = ticker.screenshot("ticker")
            text = runs([sum(1 for x in range(w.x, w.x + w.width) if shot.pixel(x, y) == TEXT1)
                         for y in range(w.y, w.y + w.height)], max_gap=2)
            heights[dpi] = [text[0][1] - text[0][0], self.schedule_row(ticker, s)]
            self.check_preview(ticker)
            ticker.quit()
            with open(ticker.program_file("Newsroller.ini"), "rb") as f:  # all but the last update's time
                self.assertEqual(re.sub(rb"ifmodified=[^\r]*", b"ifmodified=", f.read()), SETTINGS_FILE.encode("cp932"))
        # The 100 % heights times the scale: a row within a pixel, the glyphs' ink (whose top and bottom the
        # rasterizer rounds on their own) within two.
        for dpi in SCALES[1:]:
            for measured, base, slack in zip(heights[dpi], heights[96], (2, 1)):
                self.assertLessEqual(abs(measured - base * dpi / 96), slack, heights)

    def test_settings_taken_after_being_held_at_start_give_the_scaled_font(self):
        url = loopback.write_rss("scale/held.xml", [("拡大率の記事", "http://news.example/scale/1")])
        user = settings_text(scrollf=0, fsize=24)  # page mode: the site name alone in text colour 1
        ticker = Ticker("screen_scale/held", start=False,
                        files={"Newsroller.ini": user, "URL-List.txt": loopback.feed_list([("速報", url, 10)])})
        ticker.env["DISPLAY"] = ticker.display = self.env["DISPLAY"]
        set_log_pixels(ticker.env, 144)
        self.addCleanup(ticker.close)
        release = probe.hold(ticker, ticker.program_file("Newsroller.ini"))
        threading.Thread(target=ticker.start, kwargs={"timeout": 90}, daemon=True).start()
        box = ticker.message_box("OPEN ERROR", 40)  # held: the defaults until the first cycle's write
        self.assertEqual(release(), 0)
        self.assertTrue(box and ticker.dismiss(box))
        # Taken: the page-mode height of fsize 24 at 150 %, and "速報" drawn 36 pixels high (about 30 rows
        # of ink; the unscaled 24-pixel font gives 20).
        self.assertTrue(ticker.wait_for(lambda: ticker.window and abs(ticker.refresh().height - 87) <= 1, 60))
        time.sleep(1)
        w, shot = ticker.window, ticker.screenshot("taken")
        ink = runs([sum(1 for x in range(w.x, w.x + w.width) if shot.pixel(x, y) == TEXT1)
                    for y in range(w.y, w.y + w.height)], max_gap=2)
        self.assertGreater(ink[0][1] - ink[0][0], 27, (ink, shot.path))
        self.assertEqual(ticker.quit(), 0)

    def schedule_row(self, ticker, s):
        """The schedule window, sized from schecx and schecy; one row's height in the band of the two
        light yellow rows of today's tasks."""
        ticker.choose_menu_item(MENU_SCHEDULE)
        left, top, right, bottom = probe.wait_window(ticker, "スケジュール")["rect"]
        self.assertLessEqual(max(abs(right - left - 400 * s), abs(bottom - top - 300 * s)), 1)
        time.sleep(0.5)
        shot = ticker.screenshot("schedule")
        band = runs([shot.pixel(right - 40, y) == TODAY_FILL for y in range(top, bottom)])
        ticker.focus(ticker.find_windows("^スケジュール$")[0].id)
        ticker.keys("Escape")
        self.assertTrue(probe.wait_window(ticker, "スケジュール", gone=True))
        return (band[0][1] - band[0][0]) / 2

    def check_preview(self, ticker):
        """The colour preview, outlined in the frame colour, lies inside the group "カラー"."""
        ticker.choose_menu_item(MENU_SETTINGS)
        dialog = probe.wait_window(ticker, "設定")
        time.sleep(0.5)
        shot = ticker.screenshot("settings")
        group = [c["rect"] for c in dialog["children"] if c["text"] == "カラー"][0]
        left, top, right, bottom = dialog["rect"]
        w = ticker.window  # topmost, over the dialog
        frame = [(x, y) for y in range(max(top, w.y + w.height), bottom) for x in range(left, right)
                 if shot.pixel(x, y) == PREVIEW_FRAME]
        xs, ys = [x for x, _ in frame], [y for _, y in frame]
        self.assertTrue(group[0] < min(xs) and group[1] < min(ys) and max(xs) < group[2] and max(ys) < group[3],
                        (group, min(xs), min(ys), max(xs), max(ys), shot.path))
        ticker.focus(ticker.find_windows("^設定$")[0].id)
        ticker.keys("Escape")
        self.assertTrue(probe.wait_window(ticker, "設定", gone=True))
