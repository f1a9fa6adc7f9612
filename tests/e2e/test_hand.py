"""The ticker under the hand, from outside: the tip under the pointer (its text read from the tip
window; screenshots at 100 % and 150 %), the wheel and the arrow keys turning the page and back,
Enter opening it, Space and Esc holding and starting the band, Shift+F10 opening the menu, and
build/windows/accessible_probe.exe (tests/e2e/win/) reading the ticker as a screen reader does."""
import os
import time
import unittest

import loopback
import probe
from harness import BUILD, FRAME, Ticker, run_quiet
from test_screen_scale import set_log_pixels

PAUSED_OUTLINE = tuple(255 - c for c in FRAME)
# Longer than the 600-pixel ticker shows in page mode.
LONG_TITLE = "臨時列車の運転計画を発表、年末年始の帰省ラッシュに合わせて東北と北陸の各線で増発し指定席の予約は来週から受け付け"
ITEMS = [(LONG_TITLE, "http://news.example:8080/a1"), ("市内の図書館で古地図の展示が始まる", "http://news.example/a2"),
         ("停電の復旧は今夜の見込みと電力会社", "http://news.example/a3")]
NAMES = [f"市政: {title}" for title, _ in ITEMS]


class HandTest(unittest.TestCase):
    def start(self, name, start=True, **ini):
        url = loopback.write_rss(f"hand/{name}.xml", ITEMS)
        ticker = Ticker(name, start=start, files={"URL-List.txt": loopback.feed_list([("市政", url, 10)]),
                                                  "Newsroller.ini": "".join(f"{k}={v}\r\n" for k, v in ini.items())
                                                  .encode("ascii")})
        self.addCleanup(ticker.close)
        return ticker

    def text(self, ticker, pause=0.4):
        time.sleep(pause)
        return ticker.band_columns(ticker.screenshot("text"))

    def outline(self, ticker):
        time.sleep(0.3)
        return ticker.screenshot("outline").pixel(ticker.client_x + 300, ticker.client_y)

    def tip(self, ticker):
        return next((w for w in probe.dump(ticker) if w["class"] == "NewsrollerTip"), None)

    def test_tip_shows_the_whole_title_and_the_host_at_100_and_150_percent(self):
        for dpi in (96, 144):
            ticker = self.start(f"hand_tip_{dpi}", start=False, scrollf=0, hoverstop=1, disptimer=10)
            set_log_pixels(ticker.env, dpi)
            self.addCleanup(set_log_pixels, ticker.env, 96)
            ticker.start()
            self.assertTrue(ticker.wait_for(lambda: sum(map(bool, self.text(ticker, 0))) > 100, timeout=30))
            ticker.move(ticker.client_x + 200, ticker.client_y + ticker.client_height // 2)
            tip = ticker.wait_for(lambda: self.tip(ticker), timeout=5)
            self.assertIsNotNone(tip, f"{dpi}: no tip under the pointer")
            self.assertEqual(tip["title"].split("\r\n"), [LONG_TITLE, f"市政  {time.strftime('%Y/%m/%d')}",
                                                          "news.example:8080"])
            left, top, right, bottom = tip["rect"]
            self.assertGreaterEqual(top, ticker.window.y + ticker.window.height, "the tip covers the ticker")
            shot, x, y = ticker.screenshot("tip"), max(0, left - 20), max(0, ticker.window.y)
            shot.crop(os.path.join(ticker.folder, f"tip-{dpi}.png"), x, y, min(shot.width - x, right - x + 20),
                      min(shot.height - y, bottom - y + 10))
            ticker.move(640, 600)
            self.assertTrue(ticker.wait_for(lambda: self.tip(ticker) is None, timeout=5), "the tip stayed")
            ticker.close()

    def test_wheel_and_arrow_keys_turn_the_page_and_back_and_enter_opens_it(self):
        ticker = self.start("hand_page_steps", scrollf=0, hoverstop=1, disptimer=10)
        self.assertTrue(ticker.wait_for(lambda: sum(map(bool, self.text(ticker, 0))) > 100, timeout=30))
        ticker.move(ticker.client_x + 300, ticker.client_y + 10)
        ticker.focus(ticker.window.id)
        first = self.text(ticker)
        for forward, back in (("click 4", "click 5"), ("key Right", "key Left")):
            ticker.xdotool(*forward.split())
            self.assertNotEqual(first, self.text(ticker), f"{forward}: the page did not turn")
            ticker.xdotool(*back.split())
            self.assertEqual(first, self.text(ticker), f"{back}: not back at the first page")
        ticker.keys("Right", "Return")
        self.assertTrue(ticker.wait_for(lambda: any("news.example/a2" in line for line in ticker.browser_log())),
                        f"Enter opened nothing: {ticker.browser_log()}")

    def test_space_holds_the_band_and_starts_it_again(self):
        ticker = self.start("hand_pause", scrollf=1, hoverstop=0)
        self.assertIsNotNone(ticker.wait_for_band(), "the band did not fill the ticker")
        ticker.move(ticker.client_x + 300, ticker.client_y + 10)
        ticker.focus(ticker.window.id)
        ticker.keys("space")
        self.assertEqual(self.outline(ticker), PAUSED_OUTLINE)
        held = self.text(ticker, 0)
        self.assertEqual(held, self.text(ticker, 2), "the band moved while paused")
        ticker.keys("space")
        self.assertNotEqual(held, self.text(ticker, 1), "Space did not start the band")
        self.assertEqual(self.outline(ticker), FRAME)
        ticker.keys("space", "Escape")  # Esc resumes too
        self.assertEqual(self.outline(ticker), FRAME)
        before = {w.id for w in ticker.visible_windows()}
        ticker.focus(ticker.window.id)
        ticker.keys("shift+F10")
        menu = ticker.wait_for(lambda: ticker._new_untitled(before), timeout=5)
        self.assertIsNotNone(menu, "Shift+F10 opened no menu")
        self.assertEqual((menu.x, menu.y), (ticker.client_x, ticker.client_y), "not the popup menu at the ticker")

    def test_a_screen_reader_reads_the_headline_and_hears_the_page_turns(self):
        ticker = self.start("hand_reader", scrollf=0, hoverstop=0, disptimer=2)
        time.sleep(2)
        code, output = run_quiet(["wine", os.path.join(BUILD, "windows", "accessible_probe.exe"), "6"], env=ticker.env,
                                 timeout=60)
        with open(os.path.join(ticker.folder, "names.txt"), "w", encoding="utf-8") as f:
            f.write(output)
        events = [line.split("\t", 1) for line in output.splitlines() if "\t" in line]
        self.assertEqual(code, 0, output[-300:])
        names = [name for _, name in events]
        self.assertGreaterEqual(len(names), 4, events)
        # An event for a turn made just before the start's reading (events come at most once a
        # second) names what that reading read already.
        if names[1] == names[0]:
            names = names[1:]
        # The name read at the start, then one event per page turn in the table's order, never two within a second.
        for before, after in zip(names, names[1:]):
            self.assertEqual(NAMES.index(after), (NAMES.index(before) + 1) % len(NAMES), names)
        times = [int(ms) for ms, _ in events[1:]]
        self.assertGreaterEqual(min(b - a for a, b in zip(times, times[1:])), 950, times)


if __name__ == "__main__":
    unittest.main()
