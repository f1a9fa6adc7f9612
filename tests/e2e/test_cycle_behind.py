"""The update cycle behind the headlines, against many slow feed hosts on loopback addresses
(tests/servers/feed_hosts_server.py): the headlines keep moving through a refresh, a start over a
filled cache shows them before any answer, dead hosts give one box per cycle and none the next, and
the program ends at once with eight requests in flight."""
import os
import shutil
import time
import unittest

import loopback
import probe
from harness import BUILD, MENU_UPDATE, Ticker, file_signature, read_bytes
from test_cycle import ACCESS_ERROR_BOX, cache_name

SCROLL_AND_SAVE = b"savepos=0\r\n"
PAGES = b"savepos=0\r\nscrollf=0\r\n"


class CycleBehindTest(unittest.TestCase):
    def hosts(self, name, **options):
        root = os.path.join(BUILD, "e2e", "feed-hosts", name)
        shutil.rmtree(root, ignore_errors=True)
        server = loopback.FeedHosts(root, **options)
        server.__enter__()
        self.addCleanup(server.__exit__)
        return server

    def start(self, name, feeds, files):
        files = dict(files)
        files["URL-List.txt"] = loopback.feed_list(feeds)
        ticker = Ticker(name, files=files, start=False)
        self.addCleanup(ticker.close)
        ticker.start()
        return ticker

    @staticmethod
    def feeds_on(server, count, hosts):
        """`count` feeds spread over hosts 1 .. `hosts`: (site, url, maximum) entries."""
        feeds = []
        for i in range(count):
            host = i % hosts + 1
            url = server.write(host, f"f{i}.xml", f"サイト{i}", [(f"記事{i}の見出し", f"http://news.example/{i}/1")],
                               mtime=time.time() - 3600)
            feeds.append((f"サイト{i}", url, 5))
        return feeds

    def test_headlines_keep_moving_through_a_refresh_against_slow_hosts(self):
        server = self.hosts("refresh", hosts=8, delay=1.5)
        ticker = self.start("behind_refresh", self.feeds_on(server, 16, 8), {"Newsroller.ini": SCROLL_AND_SAVE})
        self.assertIsNotNone(ticker.wait_for_band(min_columns=150, timeout=40), "no headlines after the first cycle")
        asked = len(server.requests())
        before = file_signature(ticker.program_file("Newsroller.ini"))
        ticker.choose_menu_item(MENU_UPDATE)
        shots = []
        while file_signature(ticker.program_file("Newsroller.ini")) == before and len(shots) < 80:
            shot = ticker.screenshot("refresh")
            shots.append(ticker.band_columns(shot))
            time.sleep(0.2)
        self.assertNotEqual(file_signature(ticker.program_file("Newsroller.ini")), before, "the refresh did not end")
        self.assertGreater(len(server.requests()), asked, "the refresh asked nothing")
        # Two rounds of answers 1.5 s apart: the refresh lasts seconds, and through all of it the band
        # holds headlines and moves.
        self.assertGreaterEqual(len(shots), 5)
        for i, columns in enumerate(shots):
            self.assertGreaterEqual(sum(1 for n in columns if n), 150, f"screenshot {i} of the refresh shows no headlines")
        for i in range(1, len(shots)):
            self.assertNotEqual(shots[i - 1], shots[i], f"the band stood still between screenshots {i - 1} and {i}")
        print(f"\n    a refresh of {len(shots)} screenshots, each with headlines, each moved", end=" ")

    def test_a_start_over_a_filled_cache_shows_headlines_before_any_answer(self):
        server = self.hosts("cache", hosts=5, delay=5)
        feeds = self.feeds_on(server, 10, 5)
        cached = {os.path.join("cache", cache_name(url)):
                  loopback.rss_bytes(site, [(f"{site}の前回の記事", f"http://news.example/cached/{i}")])
                  for i, (site, url, _) in enumerate(feeds)}
        began = time.time()
        ticker = self.start("behind_cache", feeds, {**cached, "Newsroller.ini": PAGES})
        shown = time.time()
        # The page shown is a cached article (the pages turn about every 0.7 s): a click opens it,
        # while every request still waits for its answer.
        ticker.click(ticker.client_x + 40, ticker.client_y + ticker.client_height // 2)
        opened = ticker.wait_for(lambda: [line for line in ticker.browser_log() if "news.example/cached/" in line], 4,
                                 0.1)
        clicked = time.time()
        self.assertTrue(opened, "the click opened no cached article")
        self.assertRegex(opened[0], r"http://news\.example/cached/\d")
        self.assertEqual([r for r in server.requests() if r["status"]], [], "an answer came before the headline")
        self.assertLess(clicked - began, 5)
        print(f"\n    window after {shown - began:.1f} s, the cached headline opened {clicked - shown:.1f} s later",
              end=" ")

    def test_dead_hosts_without_a_cache_give_one_box_naming_them_all_and_the_next_cycle_none(self):
        server = self.hosts("dead", hosts=6, delay=0.2, dead=(3, 4))
        feeds = self.feeds_on(server, 6, 6)  # サイト2 on host 3, サイト3 on host 4
        feeds += [("止まったサイト", server.url(3, "more.xml"), 5), ("消えたサイト", server.url(4, "more.xml"), 5)]
        began = time.time()
        ticker = self.start("behind_dead", feeds, {"Newsroller.ini": SCROLL_AND_SAVE})
        box = probe.wait_window(ticker, ACCESS_ERROR_BOX, timeout=40)
        took = time.time() - began
        self.assertTrue(box, "no access-error box")
        self.assertEqual(probe.message_text(box).replace("\r\n", "\n"), "サイト2\nサイト3\n止まったサイト\n消えたサイト")
        self.assertEqual(len(probe.windows(ticker, ACCESS_ERROR_BOX)), 1)
        # A dead host costs one time-out (10 s): its second feed is not asked after the first gave up.
        self.assertLess(took, 25, f"the first cycle took {took:.1f} s")
        dead_asked = [r for r in server.requests() if r["host"] in ("127.0.0.3", "127.0.0.4")]
        self.assertLessEqual(len(dead_asked), 4)
        ticker.dismiss(ticker.message_box(ACCESS_ERROR_BOX, 5))
        self.assertTrue(probe.wait_window(ticker, ACCESS_ERROR_BOX, timeout=5, gone=True))

        before = file_signature(ticker.program_file("Newsroller.ini"))
        ticker.choose_menu_item(MENU_UPDATE)
        self.assertTrue(ticker.wait_file_changed("Newsroller.ini", before, 40), "the second cycle did not end")
        time.sleep(3)
        self.assertEqual(probe.windows(ticker, ACCESS_ERROR_BOX), [], "the same sites were announced again")
        print(f"\n    one box after {took:.1f} s naming the 4 dead feeds; none after the second cycle", end=" ")

    def test_closing_with_eight_requests_in_flight_ends_at_once_and_keeps_every_file(self):
        server = self.hosts("close", hosts=8, dead=range(1, 9))
        feeds = self.feeds_on(server, 16, 8)
        ticker = self.start("behind_close", feeds, {"Newsroller.ini": SCROLL_AND_SAVE})
        self.assertTrue(ticker.wait_for(lambda: len(server.requests()) >= 8, 20, 0.1), "fewer than 8 requests")
        time.sleep(1)
        self.assertEqual(len(server.requests()), 8, "more than 8 requests in flight")
        self.assertEqual(len({r["host"] for r in server.requests()}), 8)
        settings = read_bytes(ticker.program_file("Newsroller.ini"))
        asked = time.time()
        ticker.focus(ticker.window.id)
        ticker.keys("alt+F4")
        code = ticker.wait_exit(20)
        took = time.time() - asked
        self.assertEqual(code, 0)
        # Wine's own end of a process takes a few seconds; no request is waited for (10 s each).
        self.assertLess(took, 9, f"the program took {took:.1f} s to end")
        self.assertEqual(read_bytes(ticker.program_file("Newsroller.ini")), settings)
        self.assertEqual(os.listdir(ticker.program_file("cache")) if os.path.isdir(ticker.program_file("cache")) else [],
                         [])
        print(f"\n    closed with 8 requests in flight: ended after {took:.1f} s", end=" ")


if __name__ == "__main__":
    unittest.main()
