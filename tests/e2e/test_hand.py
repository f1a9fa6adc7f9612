"""The ticker under the hand, from outside: the tip under the pointer (its text read from the tip
window, screenshots at 100 % and 150 %), the wheel and the arrow keys stepping through the headlines
in page mode, Enter opening the headline shown, Space holding and starting the band, and a second
program reading the ticker as a screen reader does (build/windows/accessible_probe.exe,
tests/e2e/win/accessible_probe_win.cpp): the accessible name and its change events following the
page turns."""
import os
import time
import unittest

import loopback
import probe
from harness import BUILD, FRAME, Ticker, run_quiet
from test_screen_scale import set_log_pixels

ACCESSIBLE_PROBE = os.path.join(BUILD, "windows", "accessible_probe.exe")
PAUSED_OUTLINE = tuple(255 - c for c in FRAME)
# Longer than the 600-pixel ticker shows in page mode.
LONG_TITLE = "臨時列車の運転計画を発表、年末年始の帰省ラッシュに合わせて東北と北陸の各線で増発し指定席の予約は来週から受け付け"
ITEMS = [(LONG_TITLE, "http://news.example:8080/a1"), ("市内の図書館で古地図の展示が始まる", "http://news.example/a2"),
         ("停電の復旧は今夜の見込みと電力会社", "http://news.example/a3")]


def settings(**values):
    return "".join(f"{k}={v}\r\n" for k, v in values.items()).encode("ascii")


def accessible(ticker, *args):
    code, output = run_quiet(["wine", ACCESSIBLE_PROBE, *[str(a) for a in args]], env=ticker.env, timeout=60)
    if code != 0:
        raise AssertionError(f"accessible_probe {args} failed ({code}): {output[-300:]}")
    return [line for line in output.splitlines() if line.strip()]


class HandTest(unittest.TestCase):
    def start(self, name, ini, start=True):
        url = loopback.write_rss(f"hand/{name}.xml", ITEMS)
        ticker = Ticker(name, start=start, files={"URL-List.txt": loopback.feed_list([("市政", url, 10)]),
                                                  "Newsroller.ini": ini})
        self.addCleanup(ticker.close)
        return ticker

    def text_area(self, ticker):
        return ticker.band_columns(ticker.screenshot("text"))

    def wait_text(self, ticker):
        self.assertTrue(ticker.wait_for(lambda: sum(1 for n in self.text_area(ticker) if n) > 100, timeout=30),
                        "no headline on the ticker")

    def tip(self, ticker):
        found = [w for w in probe.dump(ticker) if w["class"] == "NewsrollerTip"]
        return found[0] if found else None

    def test_tip_shows_the_whole_title_and_the_host_at_100_and_150_percent(self):
        for dpi in (96, 144):
            ticker = self.start(f"hand_tip_{dpi}", settings(scrollf=0, hoverstop=1, disptimer=10), start=False)
            set_log_pixels(ticker.env, dpi)
            self.addCleanup(set_log_pixels, ticker.env, 96)
            ticker.start()
            self.wait_text(ticker)
            ticker.move(ticker.client_x + 200, ticker.client_y + ticker.client_height // 2)
            tip = ticker.wait_for(lambda: self.tip(ticker), timeout=5)
            self.assertIsNotNone(tip, f"{dpi}: no tip under the pointer")
            self.assertEqual(tip["title"].split("\r\n")[0], LONG_TITLE)
            self.assertIn("市政", tip["title"])
            self.assertIn("news.example:8080", tip["title"])
            left, top, right, bottom = tip["rect"]
            self.assertGreaterEqual(top, ticker.window.y + ticker.window.height, "the tip covers the ticker")
            shot = ticker.screenshot("tip")
            x, y = max(0, left - 20), max(0, ticker.window.y)
            shot.crop(os.path.join(ticker.folder, f"tip-{dpi}.png"), x, y, min(shot.width - x, right - x + 20),
                      min(shot.height - y, bottom - y + 10))
            ticker.move(640, 600)
            self.assertTrue(ticker.wait_for(lambda: self.tip(ticker) is None, timeout=5), "the tip stayed")
            ticker.close()

    def page(self, ticker):
        time.sleep(0.4)
        return self.text_area(ticker)

    def test_wheel_and_arrow_keys_turn_the_page_and_back_and_enter_opens_it(self):
        ticker = self.start("hand_page_steps", settings(scrollf=0, hoverstop=1, disptimer=10))
        self.wait_text(ticker)
        ticker.move(ticker.client_x + 300, ticker.client_y + 10)
        ticker.focus(ticker.window.id)
        first = self.page(ticker)
        for forward, back in (("click 4", "click 5"), ("key Right", "key Left")):
            ticker.xdotool(*forward.split())
            second = self.page(ticker)
            self.assertNotEqual(first, second, f"{forward}: the page did not turn")
            ticker.xdotool(*back.split())
            self.assertEqual(first, self.page(ticker), f"{back}: not back at the first page")
        ticker.xdotool("key", "Right")
        ticker.keys("Return")
        self.assertTrue(ticker.wait_for(lambda: any("news.example/a2" in line for line in ticker.browser_log())),
                        f"Enter opened nothing: {ticker.browser_log()}")

    def test_space_holds_the_band_and_starts_it_again(self):
        ticker = self.start("hand_pause", settings(scrollf=1, hoverstop=0))
        self.assertIsNotNone(ticker.wait_for_band(), "the band did not fill the ticker")
        ticker.move(ticker.client_x + 300, ticker.client_y + 10)
        ticker.focus(ticker.window.id)
        ticker.keys("space")
        time.sleep(0.3)
        held = ticker.screenshot("held")
        self.assertEqual(held.pixel(ticker.client_x + 300, ticker.client_y), PAUSED_OUTLINE)
        time.sleep(2)
        self.assertEqual(ticker.band_columns(held), ticker.band_columns(ticker.screenshot("held-2s")))
        ticker.keys("space")
        time.sleep(1)
        going = ticker.screenshot("going")
        self.assertNotEqual(ticker.band_columns(held), ticker.band_columns(going), "Space did not start the band")
        self.assertEqual(going.pixel(ticker.client_x + 300, ticker.client_y), FRAME)
        # Esc resumes too; Shift+F10 opens the popup menu from the keyboard.
        ticker.keys("space", "Escape")
        time.sleep(0.3)
        self.assertEqual(ticker.screenshot("esc").pixel(ticker.client_x + 300, ticker.client_y), FRAME)
        before = {w.id for w in ticker.visible_windows()}
        ticker.focus(ticker.window.id)
        ticker.keys("shift+F10")
        menu = ticker.wait_for(lambda: ticker._new_untitled(before), timeout=5)
        self.assertIsNotNone(menu, "Shift+F10 opened no menu")
        self.assertEqual((menu.x, menu.y), (ticker.client_x, ticker.client_y), "not the popup menu at the ticker")
        ticker.keys("Escape")

    def test_a_screen_reader_reads_the_headline_and_hears_the_page_turns(self):
        ticker = self.start("hand_reader", settings(scrollf=0, hoverstop=0, disptimer=2))
        names = [f"市政: {title}" for title, _ in ITEMS]
        self.assertTrue(ticker.wait_for(lambda: accessible(ticker, "name")[0] in names, timeout=30),
                        "the accessible name is not a headline")
        lines = accessible(ticker, "events", 6)
        with open(os.path.join(ticker.folder, "name-events.txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        events = [line.split("\t", 1) for line in lines]
        seen = [name for _, name in events]
        self.assertGreaterEqual(len(seen), 3, events)
        # The pages in the table's order, one event per turn and never two within a second.
        for before, after in zip(seen, seen[1:]):
            self.assertEqual(names.index(after), (names.index(before) + 1) % len(names), seen)
        times = [int(ms) for ms, _ in events]
        self.assertGreaterEqual(min(b - a for a, b in zip(times, times[1:])), 950, times)


if __name__ == "__main__":
    unittest.main()
