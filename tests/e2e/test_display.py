"""The ticker showing the news, from outside: feeds on the loopback nginx, Newsroller.exe under Wine,
screenshots read pixel by pixel. The scrolling band, the two lines of page mode, the blinking
schedule alert and its dismissal, a click on a title, the article page, the leftward sweep, the jump
to the first article and a manual update.

The update interval is at least 20 minutes, so a cycle runs at start and then only on "RSSを更新する".
"""
import os
import time
import unittest

import loopback
from harness import (BACK, FRAME, MENU_JUMP, MENU_READ_ALL, MENU_READ_NEW, MENU_UPDATE, TEXT1, TEXT2, Ticker,
                     runs)

FSIZE = 18
SCROLL_STEP = (5 + 1) * FSIZE // 12  # pixels per move of the band at the default scrolldiv 5
DAY = 24 * 3600


def feed_url(test, name, items, when=None):
    """A feed of (title, link) items in nginx's folder, private to one test."""
    return loopback.write_rss(f"display/{test}/{name}.xml", items, when=when)


def band_shift(before, after, max_shift=400, min_text=30):
    """The smallest d >= 0 with after[x] == before[x + d] on every column both screenshots show, with
    at least `min_text` columns of text in that overlap; None when no shift explains the change."""
    n = len(before)
    for d in range(0, min(max_shift, n - 1)):
        overlap = n - d
        if sum(1 for x in range(overlap) if after[x]) < min_text:
            continue
        if all(after[x] == before[x + d] for x in range(overlap)):
            return d
    return None


def schedule_due_in(seconds, text):
    """schedule.dat with one dated task at the minute `seconds` from now, in the host's local time (which
    is Wine's): due between seconds - 60 and seconds from now."""
    due = time.localtime(time.time() + seconds)
    record = f"{due.tm_year},{due.tm_mon},{due.tm_mday},{due.tm_hour},{due.tm_min},0,-1,\r\n{text}\r\n"
    return record.encode("cp932")


def text_extent(counts):
    """(first, last) index of a nonzero column, or None."""
    hits = [i for i, n in enumerate(counts) if n]
    return (hits[0], hits[-1]) if hits else None


class DisplayTest(unittest.TestCase):
    def start(self, name, feeds, settings=None, schedule=None):
        """Starts the ticker on a feed list of (site, url, maximum) entries."""
        files = {"URL-List.txt": loopback.feed_list(feeds)}
        if settings:
            files["Newsroller.ini"] = "".join(f"{k}={v}\r\n" for k, v in settings.items()).encode("ascii")
        if schedule is not None:
            files["schedule.dat"] = schedule
        ticker = Ticker(name, files=files)
        self.addCleanup(ticker.close)
        return ticker

    def wait_shot(self, ticker, label, predicate, timeout=20, step=0.2):
        """Screenshots until predicate(shot) holds; the last screenshot, or a failure at the deadline."""
        deadline = time.time() + timeout
        while True:
            shot = ticker.screenshot(label)
            if predicate(shot):
                return shot
            if time.time() > deadline:
                self.fail(f"{label}: not seen within {timeout} s (last screenshot {shot.path})")
            time.sleep(step)

    # ---- Scroll mode ----------------------------------------------------------------------------

    def test_band_scrolls_left_with_site_markers_before_titles(self):
        url = feed_url("scroll", "news", [("東京で初雪を観測", "http://news.example/a1"),
                                          ("新しい駅ビルが開業へ", "http://news.example/a2")])
        sports = feed_url("scroll", "sports", [("将棋の名人戦は千日手", "http://sports.example/b1")])
        ticker = self.start("display_scroll", [("ニュース", url, 10), ("スポーツ", sports, 10)])
        # The band enters from the right edge; wait until its first item reaches the left edge.
        self.wait_shot(ticker, "band", lambda s: (text_extent(ticker.band_columns(s)) or (99,))[0] < 20)

        # Six seconds of screenshots: the first item (about 300 px) leaves the window on the left
        # meanwhile, and the band restarts one article later, as seamlessly as it moves.
        shots = []
        for i in range(15):
            shots.append(ticker.screenshot(f"moving-{i}"))
            time.sleep(0.3)
        profiles = [ticker.band_columns(s) for s in shots]
        moved = 0
        for (a, pa), (b, pb) in zip(zip(shots, profiles), zip(shots[1:], profiles[1:])):
            d = band_shift(pa, pb)
            self.assertIsNotNone(d, f"{b.path} is no leftward shift of {a.path}")
            # The band moves in whole steps, and never faster than one step per two 60 ms ticks.
            self.assertEqual(d % SCROLL_STEP, 0, f"shift {d} between {a.path} and {b.path}")
            self.assertLess(d / (b.taken - a.taken), 2 * SCROLL_STEP / 0.12)
            moved += d > 0
        # About four steps between screenshots; a machine under load may miss a few ticks, not all.
        self.assertGreaterEqual(moved, len(shots) - 3, "the band stood still")

        # Site markers in text colour 1, each followed by its title in text colour 2 after fsize / 2.
        shot = shots[-1]
        markers = runs(ticker.band_columns(shot, (TEXT1,)), max_gap=6)
        titles = runs(ticker.band_columns(shot, (TEXT2,)), max_gap=12)
        self.assertTrue(titles, f"no title in {shot.path}")
        inside = [m for m in markers if m[0] > 0 and m[1] < ticker.client_width - 40]
        self.assertTrue(inside, f"no whole site marker in {shot.path}")
        for start, end in inside:
            following = [t for t in titles if t[0] >= end]
            self.assertTrue(following and following[0][0] - end <= FSIZE, f"no title just after the marker at "
                            f"{start}..{end} in {shot.path}: titles {titles}")
        # The line in the frame colour at the left edge is drawn over the band.
        self.assertEqual(shot.pixel(ticker.client_x, ticker.client_y + 10), FRAME)

    def test_click_on_a_title_opens_its_link(self):
        # Two sites with one article each: the band alternates a short and a long title.
        short = feed_url("click", "short", [("短い見出し記事", "http://short.example/story")])
        long_ = feed_url("click", "long", [("長い見出しの記事は帯の上で幅を広く取って流れる",
                                            "http://long.example/story")])
        ticker = self.start("display_click", [("一", short, 10), ("二", long_, 10)])
        self.wait_shot(ticker, "band", lambda s: sum(1 for n in ticker.band_columns(s) if n) > 250)
        right = ticker.client_x + ticker.client_width - 2
        y = ticker.client_y + ticker.client_height // 2
        opened = set()
        deadline = time.time() + 40
        while len(opened) < 2 and time.time() < deadline:
            first = ticker.screenshot("before-click")
            time.sleep(0.3)
            second = ticker.screenshot("before-click")
            d = band_shift(ticker.band_columns(first), ticker.band_columns(second))
            if not d:
                continue
            speed = d / (second.taken - first.taken)
            # The short title (7 characters, about 126 px) is known when seen whole, the long one (23
            # characters) by more than 200 px of it; aim at the visible part's middle.
            visible = []
            for start, end in runs(ticker.band_columns(second, (TEXT2,)), max_gap=12):
                start, end = max(start, 40), min(end, ticker.client_width - 40)
                whole = start > 40 and end < ticker.client_width - 40
                if end - start > 200:
                    visible.append(("http://long.example/story", start, end))
                elif whole:
                    visible.append(("http://short.example/story", start, end))
            visible = [v for v in visible if v[0] not in opened]
            if not visible:
                continue
            link, start, end = visible[0]
            # Aim at the middle of the title where it will be when the click arrives.
            ticker.move(right, y)  # a rightward move first: the click's approach makes no gesture
            delay = time.time() - second.taken + 0.05
            x = ticker.client_x + 1 + (start + end) // 2 - int(speed * delay)
            before = len(ticker.browser_log())
            ticker.click_now(x, y)
            self.assertTrue(ticker.wait_for(lambda: len(ticker.browser_log()) > before, 10),
                            f"the click at {x} opened nothing ({second.path})")
            self.assertEqual(ticker.browser_log()[-1], link, f"clicked at {x}, title at {start}..{end} "
                             f"in {second.path}, {speed:.0f} px/s")
            opened.add(link)
        self.assertEqual(opened, {"http://short.example/story", "http://long.example/story"})
        self.assertTrue(ticker.running())

    # ---- The schedule alert ---------------------------------------------------------------------

    def test_alert_blinks_and_a_click_removes_its_task(self):
        url = feed_url("alert", "news", [("東京で初雪を観測", "http://news.example/a1")])
        ticker = self.start("display_alert", [("ニュース", url, 10)], schedule=schedule_due_in(120, "会議の準備"))
        cx, cy = ticker.client_x, ticker.client_y
        middle = (cx + 150, cy + 2, cx + ticker.client_width - 150, cy + 20)

        # Alternate redraws swap the colours: text 2 on the back colour, then the back colour on text 2.
        seen = {}
        deadline = time.time() + 20
        while len(seen) < 2 and time.time() < deadline:
            shot = ticker.screenshot("alert")
            background = shot.pixel(cx + 10, cy + 10)
            if background in (BACK, TEXT2) and background not in seen:
                seen[background] = shot
            time.sleep(0.07)
        self.assertEqual(set(seen), {BACK, TEXT2}, f"backgrounds seen: {list(seen)}")
        self.assertGreater(seen[BACK].count(TEXT2, *middle), 60, seen[BACK].path)
        self.assertGreater(seen[TEXT2].count(BACK, *middle), 60, seen[TEXT2].path)
        # The line "M/D H:MM 会議の準備" is centred: as much margin on the left as on the right.
        extent = text_extent(ticker.band_columns(seen[BACK], (TEXT2,)))
        self.assertIsNotNone(extent)
        left, right = extent[0], ticker.client_width - 3 - extent[1]
        self.assertLess(abs(left - right), FSIZE, f"alert line at {extent} in {seen[BACK].path}")
        # The band stands still meanwhile: no title in the band.
        self.assertEqual(seen[BACK].count(TEXT1, cx + 1, cy + 1, cx + ticker.client_width - 1, cy + 20), 0)

        ticker.click(cx + ticker.client_width // 2, cy + 10)
        path = ticker.program_file("schedule.dat")
        gone = ticker.wait_for(lambda: "会議の準備".encode("cp932") not in open(path, "rb").read(), 10)
        self.assertTrue(gone, "the dismissed task is still in schedule.dat")
        # The band comes back and stays on the back colour; the click opened nothing.
        shot = self.wait_shot(ticker, "band-after-alert",
                              lambda s: s.count(TEXT2, cx + 1, cy + 1, cx + ticker.client_width - 1, cy + 20) > 30)
        for i in range(4):
            steady = ticker.screenshot("steady")
            # The row above the text is all background: no blinking any more.
            self.assertEqual(steady.count(BACK, cx + 1, cy + 1, cx + ticker.client_width - 1, cy + 2),
                             ticker.client_width - 2, steady.path)
            time.sleep(0.1)
        self.assertEqual(ticker.browser_log(), [])

    def test_alert_with_nothing_to_show_goes_when_clicked(self):
        # No feed: the ticker says "RSSリスト未登録" once, then only the alert is redrawn.
        ticker = self.start("display_alert_idle", [], schedule=schedule_due_in(120, "歯医者の予約"))
        cx, cy = ticker.client_x, ticker.client_y
        row = (cx + 1, cy + 1, cx + ticker.client_width - 1, cy + 2)
        alert = self.wait_shot(ticker, "alert", lambda s: s.count(TEXT2, *row) == ticker.client_width - 2)
        ticker.click(cx + ticker.client_width // 2, cy + 10)
        path = ticker.program_file("schedule.dat")
        self.assertTrue(ticker.wait_for(lambda: "歯医者".encode("cp932") not in open(path, "rb").read(), 10))
        # Nothing else would ever redraw the ticker: the click itself replaces the alert line.
        for i in range(3):
            time.sleep(0.5)
            shot = ticker.screenshot("after-click")
            self.assertEqual(shot.count(BACK, *row), ticker.client_width - 2, f"{shot.path} after {alert.path}")
            self.assertEqual(shot.count(TEXT2, cx + 1, cy + 1, cx + ticker.client_width - 1, cy + 20), 0, shot.path)

    # ---- Page mode ------------------------------------------------------------------------------

    def page_lines(self, ticker, shot):
        """The drawn extent (first, last client column - 1) of line 1 in text colour 1 and of line 2 in
        text colour 2, and the stray pixels of the other colour in each line."""
        line1 = (2, 2 + FSIZE)
        line2 = (FSIZE + 2, 2 * FSIZE + 2)
        first = text_extent(ticker.band_columns(shot, (TEXT1,), *line1))
        second = text_extent(ticker.band_columns(shot, (TEXT2,), *line2))
        stray = (sum(ticker.band_columns(shot, (TEXT2,), *line1)), sum(ticker.band_columns(shot, (TEXT1,), *line2)))
        return first, second, stray

    def test_page_mode_shows_site_and_title_on_two_lines(self):
        url = feed_url("page", "news", [("東京で初雪を観測した", "http://news.example/a1")])
        ticker = self.start("display_page", [("ニュース速報", url, 10)], settings={"scrollf": 0, "disptimer": 10})
        self.assertEqual(ticker.window.height, 2 * FSIZE + 10)
        shot = self.wait_shot(ticker, "page", lambda s: self.page_lines(ticker, s)[1] is not None)
        first, second, stray = self.page_lines(ticker, shot)
        self.assertIsNotNone(first, f"no site name in text colour 1 on line 1 of {shot.path}")
        self.assertEqual(stray, (0, 0), f"a line drawn in the other line's colour in {shot.path}")
        # Both lines start at x = 3; six and ten full-width characters of the 18-pixel font.
        self.assertLessEqual(first[0], 4)
        self.assertLessEqual(second[0], 4)
        self.assertTrue(5 * FSIZE <= first[1] <= 6 * FSIZE + 4, f"line 1 ends at {first[1]} in {shot.path}")
        self.assertTrue(9 * FSIZE <= second[1] <= 10 * FSIZE + 4, f"line 2 ends at {second[1]} in {shot.path}")
        self.assertEqual(shot.pixel(ticker.client_x + ticker.client_width - 10, ticker.client_y + 20), BACK)

        # A click opens the article shown, and line 1 says so until the next article comes.
        ticker.click(ticker.client_x + 400, ticker.client_y + 30)
        self.assertTrue(ticker.wait_for(lambda: ticker.browser_log() == ["http://news.example/a1"], 10),
                        ticker.browser_log())
        shot = ticker.screenshot("opening")
        first, second, stray = self.page_lines(ticker, shot)
        self.assertTrue(first and first[1] > 9 * FSIZE, f"no 'リンク先を開いています...' in {shot.path}")
        self.assertTrue(9 * FSIZE <= second[1] <= 10 * FSIZE + 4, f"line 2 ends at {second[1]} in {shot.path}")

    def test_sweep_steps_back_jump_returns_to_the_first_and_update_fetches_again(self):
        # Four articles whose titles differ in length (3, 7, 11 and 15 characters): the width of line 2
        # tells which one is shown. Each stays 101 ticks (about 6 s) at disptimer 10.
        titles = ["初雪だ", "駅ビルが開業へ", "将棋名人戦は千日手に", "国会で予算案が可決され成立した", "新記事を本日掲載だ"]
        widths = [len(t) for t in titles]
        first = feed_url("sweep", "first", [(titles[0], "http://a.example/0"), (titles[1], "http://a.example/1")])
        second = feed_url("sweep", "second", [(titles[2], "http://b.example/2"), (titles[3], "http://b.example/3")])
        ticker = self.start("display_sweep", [("一番", first, 10), ("二番", second, 10)],
                            settings={"scrollf": 0, "disptimer": 10})

        def shown(label):
            shot = self.wait_shot(ticker, label, lambda s: self.page_lines(ticker, s)[1] is not None)
            last = self.page_lines(ticker, shot)[1][1] + 1
            return min(range(len(widths)), key=lambda i: abs(last - FSIZE * widths[i])), shot

        now, _ = shown("first")
        y = ticker.client_y + 20
        cx = ticker.client_x

        def sweep():
            # Rightward to the start (ends any earlier gesture), then left in steps of 20 px: the gesture
            # fires once when the pointer is more than xmove = 100 px left of where it began.
            ticker.move(cx + 560, y)
            ticker.sweep(y, range(cx + 540, cx + 300, -20))

        # The article rotates every 6 s: should it rotate just before the sweep, try again.
        for attempt in range(3):
            before, _ = shown("before-sweep")
            sweep()
            after, shot = shown("after-sweep")
            if after == (before - 1) % 4:
                break
        self.assertEqual(after, (before - 1) % 4, f"the sweep showed article {after} after {before} ({shot.path})")
        if after == 0:  # make sure the jump has somewhere to come from
            sweep()
            after, shot = shown("after-second-sweep")
            self.assertEqual(after, 3, shot.path)

        ticker.choose_menu_item(MENU_JUMP)
        now, shot = shown("after-jump")
        self.assertEqual(now, 0, f"先頭にジャンプ showed article {now} ({shot.path})")

        # A manual update reads the feeds again: the new table takes the old one's place at a page turn,
        # going on after the article shown, so the feed's new article comes within one round of pages.
        since = loopback.nginx_log_size()
        feed_url("sweep", "first", [(titles[4], "http://a.example/new"), (titles[1], "http://a.example/1")])
        ticker.choose_menu_item(MENU_UPDATE)
        ok = ticker.wait_for(lambda: sum(r["path"].endswith("/sweep/first.xml") and r["status"] == 200
                                         for r in loopback.nginx_requests(since)[0]) >= 1, 15)
        self.assertTrue(ok, f"no new request for the feed: {loopback.nginx_requests(since)[0]}")
        now, shot = self.wait_for_article(shown, 4, "after-update", timeout=30)
        self.assertEqual(now, 4, f"after the update article {now} is shown ({shot.path})")

    def wait_for_article(self, shown, wanted, label, timeout=10):
        deadline = time.time() + timeout
        while True:
            now, shot = shown(label)
            if now == wanted or time.time() > deadline:
                return now, shot
            time.sleep(0.2)

    # ---- The article page -----------------------------------------------------------------------

    def test_reading_new_articles_writes_the_shown_ones_and_opens_the_page(self):
        today = feed_url("page_file", "today", [("本日の一面記事", "http://today.example/1"),
                                                ('A&B "速報" > 続報', "http://today.example/2?a=1&b=2")])
        old = feed_url("page_file", "old", [("五日前の古い記事", "http://old.example/1")], when=time.time() - 5 * DAY)
        ticker = self.start("display_read", [("今日", today, 10), ("昔", old, 10)])
        self.wait_shot(ticker, "band", lambda s: sum(1 for n in ticker.band_columns(s, (TEXT2,)) if n) > 50)
        page = ticker.program_file("index.html")

        ticker.choose_menu_item(MENU_READ_NEW)
        self.assertTrue(ticker.wait_for(lambda: any(line.endswith("index.html") for line in ticker.browser_log()), 10),
                        f"the page was not opened: {ticker.browser_log()}")
        opened = ticker.browser_log()[-1]
        self.assertTrue(opened.startswith("file:///") or opened.startswith("/"), opened)
        with open(page, "rb") as f:
            text = f.read().decode("cp932")
        self.assertIn("<title>Newsroller [2日以内の記事]</title>\r\n", text)
        self.assertIn('content="text/html; charset=shift_jis"', text)
        self.assertIn("<big><b>　[今日]</b></big><br>\r\n<ul>\r\n", text)
        self.assertIn('<li><a href="http://today.example/1">本日の一面記事</a></li>\r\n', text)
        self.assertIn('<li><a href="http://today.example/2?a=1&amp;b=2">A&amp;B &quot;速報&quot; &gt; 続報</a></li>'
                      '\r\n</ul>\r\n', text)
        self.assertNotIn("五日前の古い記事", text)
        self.assertNotIn("[昔]", text)
        self.assertTrue(text.endswith("</body></html>\r\n"))

        ticker.choose_menu_item(MENU_READ_ALL)
        self.assertTrue(ticker.wait_for(lambda: "全ての記事" in open(page, "rb").read().decode("cp932"), 10))
        with open(page, "rb") as f:
            text = f.read().decode("cp932")
        self.assertIn("<title>Newsroller [全ての記事]</title>", text)
        self.assertIn('<big><b>　[昔]</b></big><br>\r\n<ul>\r\n<li><a href="http://old.example/1">五日前の古い記事</a>'
                      '</li>\r\n</ul>\r\n', text)
        self.assertTrue(ticker.wait_for(lambda: len(ticker.browser_log()) == 2, 10), ticker.browser_log())


if __name__ == "__main__":
    unittest.main()
