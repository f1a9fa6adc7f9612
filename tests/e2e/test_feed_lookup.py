"""Feeds as people find them, from outside: "RSSから読み込む" from a site's address to its feed (a page
with two feed links offers the chooser, a page without any has its site's /feed found, an error
answer and a site without a feed say so in a message and fill nothing), at 100 and 150 %; and in
the update cycle, an error page is a failure (the cached copy is shown), a feed moved for good
follows in URL-List.txt, a host that asked to be left alone is not asked again, and the ETag comes
back as If-None-Match. Against nginx and the fault server on 127.0.0.1."""
import os
import subprocess
import time
import unittest

import loopback
import probe
import test_cycle
from harness import MENU_SETTINGS, MENU_UPDATE, Ticker, file_signature, read_bytes, run_quiet, wine_env
from test_screen_scale import set_log_pixels
from test_settings_dialog import DIALOG, LOOKUP, MAXIMUM, SITE, URL, DialogProbe

CHOOSER = "フィードの選択"
LOOKUP_BOX = "RSSから読み込む"
CHOOSER_LIST = 1061


def write(path, data):
    full = loopback.www_path(path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)


def two_feed_site():
    """An nginx page whose head names two feeds, with Japanese titles; the address of the page and of
    the second feed."""
    write("lookup/two/news.xml", loopback.rss_bytes("地域ニュース", [("新しい図書館", "http://lib.example/1")]))
    write("lookup/two/blog.xml", loopback.rss_bytes("編集部ブログ", [("取材の裏側", "http://lib.example/b1"),
                                                                    ("読者の声", "http://lib.example/b2")]))
    write("lookup/two/index.html", (
        '<!DOCTYPE html><html><head><meta charset="utf-8"><title>地域サイト</title>'
        '<link rel="alternate" type="application/rss+xml" title="地域ニュース" href="news.xml">'
        "<link href='/lookup/two/blog.xml' title='編集部ブログ' type='application/rss+xml' rel='alternate'>"
        "</head><body>ようこそ</body></html>").encode("utf-8"))
    return loopback.http_url("lookup/two/index.html"), loopback.http_url("lookup/two/blog.xml")


class LookupSteps:
    def start(self, name, feeds=(), env_display=None, dpi=None):
        ticker = Ticker(name, files={"URL-List.txt": loopback.feed_list(list(feeds))}, start=False)
        if env_display:
            ticker.env["DISPLAY"] = ticker.display = env_display
        if dpi:
            set_log_pixels(ticker.env, dpi)
        self.addCleanup(ticker.close)
        ticker.start()
        self.probe = DialogProbe(ticker)
        return ticker

    def look_up(self, ticker, address):
        ticker.choose_menu_item(MENU_SETTINGS)
        self.assertIsNotNone(ticker.wait_window(f"^{DIALOG}$", 10), "設定 did not open")
        self.assertTrue(probe.set_text(ticker, self.probe.control(DIALOG, URL), address))
        self.assertTrue(probe.click(ticker, self.probe.control(DIALOG, LOOKUP)))

    def choose_second(self, ticker, label):
        """Waits for the chooser, checks its lines, keeps a screenshot, and takes the second line
        from the keyboard."""
        chooser = ticker.wait_window(f"^{CHOOSER}$", 15)
        self.assertIsNotNone(chooser, "the chooser did not open")
        items = [text for text, _ in self.probe.items(CHOOSER, CHOOSER_LIST)]
        self.assertEqual(items, [f"地域ニュース  <{loopback.http_url('lookup/two/news.xml')}>",
                                 f"編集部ブログ  <{loopback.http_url('lookup/two/blog.xml')}>"])
        time.sleep(0.5)
        shot = ticker.screenshot(label)
        shot.crop(os.path.join(ticker.folder, f"{label}-chooser.png"), chooser.x, chooser.y, chooser.width,
                  chooser.height)
        ticker.focus(chooser.id)
        ticker.keys("Down", "Return")
        self.assertTrue(ticker.wait_window_gone(chooser.id, 10), "the chooser stayed open")
        return chooser


class FeedLookupTest(LookupSteps, unittest.TestCase):
    def test_a_page_without_feed_links_has_its_sites_feed_found(self):
        ticker = self.start("lookup/usual")
        since = loopback.fault_log_size()
        self.look_up(ticker, loopback.fault_url("/page"))
        self.assertEqual(self.probe.wait_text(DIALOG, SITE, bool), "Fault server")
        self.assertEqual(self.probe.text(DIALOG, URL), loopback.fault_url("/feed"))
        self.assertEqual(self.probe.text(DIALOG, MAXIMUM), "2")
        requests, _ = loopback.fault_requests(since)
        self.assertEqual([r["path"] for r in requests], ["/page", "/feed"])

    def test_an_error_answer_and_a_site_without_feeds_say_so_and_fill_nothing(self):
        site = "lookup/none/index.html"
        write(site, b"<!DOCTYPE html><html><head><title>No feeds here</title></head><body></body></html>")
        ticker = self.start("lookup/messages")
        port = os.environ["NEWSROLLER_HTTP_PORT"]
        cases = [
            (loopback.fault_url("/missing.xml"), "404", ["サーバーの応答: 404 Not Found", "このアドレスにはページがありません。"]),
            # Typed without a scheme: https gets no answer from the plain server, http the page.
            (f"127.0.0.1:{port}/{site}", "no-feed", ["このサイトにはフィード（RSS）が見つかりませんでした。", "「URL」に入力してください。"]),
        ]
        for address, label, says in cases:
            since = loopback.nginx_log_size()
            self.look_up(ticker, address)
            box = ticker.message_box(LOOKUP_BOX, 30)
            self.assertIsNotNone(box, f"{label}: no message")
            time.sleep(0.5)
            ticker.screenshot(f"message-{label}")
            text = self.probe.message(LOOKUP_BOX)
            for part in says:
                self.assertIn(part, text)
            self.assertTrue(ticker.dismiss(box))
            self.assertEqual(self.probe.text(DIALOG, SITE), "", label)  # not "404 Not Found"
            self.assertEqual(self.probe.text(DIALOG, MAXIMUM), "", label)
            if label == "no-feed":
                requests, _ = loopback.nginx_requests(since)
                self.assertEqual([r["path"] for r in requests],
                                 ["/" + site, "/feed", "/rss", "/index.xml", "/atom.xml", "/feed.xml", "/rss.xml",
                                  "/index.rdf"])
            probe.click(ticker, self.probe.control(DIALOG, 2))  # ｷｬﾝｾﾙ
            self.assertTrue(ticker.wait_for(lambda: not ticker.find_windows(f"^{DIALOG}$"), 10))


class ChooserScaleTest(LookupSteps, unittest.TestCase):
    """On a private screen large enough for the settings dialog at 150 %."""

    @classmethod
    def setUpClass(cls):
        n = 160
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

    def test_a_page_with_two_feeds_offers_the_chooser_and_fills_the_chosen_feed(self):
        page, blog = two_feed_site()
        widths = {}
        for dpi in (96, 144):
            ticker = self.start(f"lookup/chooser/{dpi}", env_display=self.env["DISPLAY"], dpi=dpi)
            self.look_up(ticker, page)
            widths[dpi] = self.choose_second(ticker, f"chooser-{dpi}").width
            self.assertEqual(self.probe.wait_text(DIALOG, SITE, bool), "編集部ブログ")
            self.assertEqual(self.probe.text(DIALOG, URL), blog)
            self.assertEqual(self.probe.text(DIALOG, MAXIMUM), "2")
            ticker.close()
        # The chooser grows with the scale, as its dialog units do.
        self.assertLess(abs(widths[144] - 1.5 * widths[96]), 0.1 * widths[144], widths)


class ServerAnswersTest(unittest.TestCase):
    def start(self, name, feeds, files=None):
        files = dict(files or {})
        files["URL-List.txt"] = loopback.feed_list(feeds)
        ticker = Ticker(name, files=files)
        self.addCleanup(ticker.close)
        return ticker

    def wait_cycle(self, ticker, before, timeout=30):
        self.assertTrue(ticker.wait_file_changed("Newsroller.ini", before, timeout), "the update cycle did not end")

    def first_cycle(self, ticker):
        def stamped():
            value = (ticker.settings() or {}).get(b"ifmodified")
            return value and value != test_cycle.IMS_PREFIX + test_cycle.DEFAULT_IMS.encode()
        self.assertTrue(ticker.wait_for(stamped, 30, 0.1), "the first update cycle did not end")

    def refresh(self, ticker):
        before = file_signature(ticker.program_file("Newsroller.ini"))
        ticker.choose_menu_item(MENU_UPDATE)
        self.wait_cycle(ticker, before)

    def test_an_error_page_in_the_cycle_leaves_the_cached_articles_on_the_ticker(self):
        url = loopback.fault_url("/status?code=500")
        cached = loopback.rss_bytes("故障サイト", [("前回の記事", "http://x.example/1"), ("前々回の記事", "http://x.example/2")])
        ticker = self.start("answers/error_page", [("故障サイト", url, 10)],
                            {"cache/" + test_cycle.cache_name(url): cached})
        self.first_cycle(ticker)
        self.assertEqual([title for _, title, _ in ticker.article_page()], ["前回の記事", "前々回の記事"])
        self.assertEqual(read_bytes(os.path.join(ticker.program_file("cache"), test_cycle.cache_name(url))), cached)

    def test_a_feed_moved_for_good_is_listed_at_its_new_address_after_the_cycle(self):
        old, new, temporary = loopback.fault_url("/r/301/ok"), loopback.fault_url("/ok"), loopback.fault_url("/r/302/feed")
        ticker = self.start("answers/moved", [("移転", old, 10), ("一時", temporary, 10)])
        self.first_cycle(ticker)
        self.assertTrue(ticker.wait_for(lambda: read_bytes(ticker.program_file("URL-List.txt")) ==
                                        loopback.feed_list([("移転", new, 10), ("一時", temporary, 10)]), 10),
                        read_bytes(ticker.program_file("URL-List.txt")))
        cache = sorted(os.listdir(ticker.program_file("cache")))
        self.assertEqual(cache, sorted([test_cycle.cache_name(new), test_cycle.cache_name(temporary)]))
        since = loopback.fault_log_size()
        self.refresh(ticker)
        # The moved feed is asked at its new address; the temporary redirect is followed again.
        self.assertEqual(sorted(r["path"] for r in loopback.fault_requests(since)[0]), ["/feed", "/ok", "/r/302/feed"])

    def test_a_host_that_asks_to_be_left_alone_is_not_asked_at_the_next_refresh(self):
        url = loopback.fault_url("/status?code=429&retry=3600")
        ticker = self.start("answers/retry_after", [("混雑", url, 10)])
        since = loopback.fault_log_size()
        self.first_cycle(ticker)
        self.assertEqual(len(loopback.fault_requests(since)[0]), 1)
        self.refresh(ticker)
        self.assertEqual([r["path"] for r in loopback.fault_requests(since)[0]], ["/status"])

    def test_the_second_request_of_an_etag_feed_carries_if_none_match(self):
        ticker = self.start("answers/etag", [("タグ", loopback.fault_url("/etag?tag=e2e"), 10)])
        since = loopback.fault_log_size()
        self.first_cycle(ticker)
        self.refresh(ticker)
        requests = loopback.fault_requests(since)[0]
        self.assertEqual([(r["path"], r["if_none_match"]) for r in requests], [("/etag", ""), ("/etag", '"e2e"')])
        self.assertEqual(read_bytes(os.path.join(ticker.program_file("cache"),
                                                 test_cycle.cache_name(loopback.fault_url("/etag?tag=e2e")) + ".etag")),
                         b'"e2e"')


if __name__ == "__main__":
    unittest.main()
