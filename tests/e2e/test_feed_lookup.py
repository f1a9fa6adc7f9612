"""Feeds as people find them: "RSSから読み込む" from a site's address to its feed (the chooser for a
page with two feeds at 100 and 150 %, a site's /feed, the message of an error answer and of a site
without feeds), and in the cycle the server's answers read right (an error page, a move for good,
Retry-After, ETag). Against nginx and the fault server on 127.0.0.1."""
import os
import time
import unittest

import loopback
import probe
import test_cycle
from harness import MENU_SETTINGS, MENU_UPDATE, Ticker, file_signature, read_bytes
from test_screen_scale import PrivateScreen, set_log_pixels
from test_settings_dialog import DIALOG, LOOKUP, MAXIMUM, SITE, URL, DialogProbe

CHOOSER, LOOKUP_BOX, CHOOSER_LIST, CANCEL = "フィードの選択", "RSSから読み込む", 1061, 2


def write(path, data):
    full = loopback.www_path(path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)


class LookupTest(unittest.TestCase):
    def start(self, name, display=None, dpi=None):
        ticker = Ticker(name, files={"URL-List.txt": b""}, start=False)
        if display:
            ticker.env["DISPLAY"] = ticker.display = display
            set_log_pixels(ticker.env, dpi)
        self.addCleanup(ticker.close)
        ticker.start()
        self.probe = DialogProbe(ticker)
        return ticker

    def look_up(self, ticker, address, typed=False):
        if not ticker.find_windows(f"^{DIALOG}$"):
            ticker.choose_menu_item(MENU_SETTINGS)
            self.assertIsNotNone(ticker.wait_window(f"^{DIALOG}$", 10), "設定 did not open")
        if typed:  # a click selects the whole field: what is typed replaces it
            left, top, right, bottom = self.probe.rect(DIALOG, URL)
            ticker.click((left + right) // 2, (top + bottom) // 2)
            ticker.xdotool("type", "--delay", "30", address)
            self.assertEqual(self.probe.text(DIALOG, URL), address)
        else:
            self.assertTrue(probe.set_text(ticker, self.probe.control(DIALOG, URL), address))
        self.assertTrue(probe.click(ticker, self.probe.control(DIALOG, LOOKUP)))

    def assert_fields(self, site, url, maximum):
        self.assertEqual(self.probe.wait_text(DIALOG, SITE, lambda text: text == site), site)
        self.assertEqual((self.probe.text(DIALOG, URL), self.probe.text(DIALOG, MAXIMUM)), (url, maximum))

    def test_a_page_without_feed_links_has_its_sites_feed_found(self):
        write("lookup/usual/index.html", b"<!DOCTYPE html><html><head><title>Usual</title></head></html>")
        write("feed", loopback.rss_bytes("サイトのフィード", [("一つ目", "http://u.example/1"), ("二つ目", "http://u.example/2")]))
        ticker = self.start("lookup/usual")
        since = loopback.nginx_log_size()
        self.look_up(ticker, loopback.http_url("lookup/usual/index.html"))
        self.assert_fields("サイトのフィード", loopback.http_url("feed"), "2")
        self.assertEqual([r["path"] for r in loopback.nginx_requests(since)[0]], ["/lookup/usual/index.html", "/feed"])

    def test_an_error_answer_and_a_site_without_feeds_say_so_and_fill_nothing(self):
        ticker = self.start("lookup/messages")
        usual = ["/feed", "/rss", "/index.xml", "/atom.xml", "/feed.xml", "/rss.xml", "/index.rdf"]
        for address, label, says, asked in [
            (loopback.fault_url("/missing.xml"), "404", "サーバーの応答: 404 Not Found\r\nこのアドレスにはページがありません。",
             ["/missing.xml"]),
            # Typed over the field's text without a scheme: https gets no answer from the plain
            # server, http the page without feeds.
            (f"127.0.0.1:{os.environ['NEWSROLLER_FAULT_PORT']}/page", "no-feed",
             "このサイトにはフィード（RSS）が見つかりませんでした。", ["/page"] + usual)]:
            since = loopback.fault_log_size()
            self.look_up(ticker, address, typed=label == "no-feed")
            box = ticker.message_box(LOOKUP_BOX, 45)
            self.assertIsNotNone(box, f"{label}: no message")
            time.sleep(0.5)
            ticker.screenshot(f"message-{label}")
            self.assertIn(says, self.probe.message(LOOKUP_BOX))
            self.assertTrue(ticker.dismiss(box))
            self.assertEqual((self.probe.text(DIALOG, SITE), self.probe.text(DIALOG, MAXIMUM)), ("", ""), label)
            self.assertEqual([r["path"] for r in loopback.fault_requests(since)[0] if r["agent"]], asked)


class ChooserScaleTest(PrivateScreen, LookupTest):
    """On a private screen large enough for the settings dialog at 150 %."""
    test_a_page_without_feed_links_has_its_sites_feed_found = None
    test_an_error_answer_and_a_site_without_feeds_say_so_and_fill_nothing = None

    def test_a_page_with_two_feeds_offers_the_chooser_and_fills_the_chosen_feed(self):
        news, blog = loopback.http_url("lookup/two/news.xml"), loopback.http_url("lookup/two/blog.xml")
        write("lookup/two/news.xml", loopback.rss_bytes("地域ニュース", [("新しい図書館", "http://lib.example/1")]))
        write("lookup/two/blog.xml", loopback.rss_bytes("編集部ブログ", [("取材の裏側", "http://lib.example/b1"),
                                                                        ("読者の声", "http://lib.example/b2")]))
        write("lookup/two/index.html", (
            '<!DOCTYPE html><html><head><meta charset="utf-8"><title>地域サイト</title>'
            '<link rel="alternate" type="application/rss+xml" title="地域ニュース" href="news.xml">'
            "<link href='/lookup/two/blog.xml' title='編集部ブログ' type='application/rss+xml' rel='alternate'>"
            "</head><body>ようこそ</body></html>").encode("utf-8"))
        widths = {}
        for dpi in (96, 144):
            ticker = self.start(f"lookup/chooser/{dpi}", self.env["DISPLAY"], dpi)
            self.look_up(ticker, loopback.http_url("lookup/two/index.html"))
            chooser = ticker.wait_window(f"^{CHOOSER}$", 15)
            self.assertIsNotNone(chooser, "the chooser did not open")
            self.assertEqual(self.probe.items(CHOOSER, CHOOSER_LIST),
                             [(f"地域ニュース  <{news}>", True), (f"編集部ブログ  <{blog}>", False)])
            time.sleep(0.5)
            ticker.screenshot("chooser").crop(os.path.join(ticker.folder, "chooser.png"), chooser.x, chooser.y,
                                              chooser.width, chooser.height)
            widths[dpi] = chooser.width
            ticker.focus(chooser.id)
            ticker.keys("Down", "Return")
            self.assertTrue(ticker.wait_window_gone(chooser.id, 10), "the chooser stayed open")
            self.assert_fields("編集部ブログ", blog, "2")
            ticker.close()
        self.assertLess(abs(widths[144] - 1.5 * widths[96]), 0.1 * widths[144], widths)  # it grows with the scale


class ServerAnswersTest(unittest.TestCase):
    def start(self, name, feeds, files=None):
        files = dict(files or {}, **{"URL-List.txt": loopback.feed_list(feeds)})
        ticker = Ticker(name, files=files)
        self.addCleanup(ticker.close)
        stamped = lambda: (ticker.settings() or {}).get(b"ifmodified", b"").endswith(b"GMT") and \
            not (ticker.settings() or {}).get(b"ifmodified", b"").endswith(test_cycle.DEFAULT_IMS.encode())
        self.assertTrue(ticker.wait_for(stamped, 30, 0.1), "the first update cycle did not end")
        return ticker

    def refresh(self, ticker):
        before = file_signature(ticker.program_file("Newsroller.ini"))
        ticker.choose_menu_item(MENU_UPDATE)
        self.assertTrue(ticker.wait_file_changed("Newsroller.ini", before, 30), "the update cycle did not end")

    def cached(self, ticker, url, suffix=""):
        return read_bytes(os.path.join(ticker.program_file("cache"), test_cycle.cache_name(url) + suffix))

    def test_an_error_page_and_a_busy_host_leave_the_cached_articles_and_the_host_is_left_alone(self):
        error, busy = loopback.fault_url("/status?code=500"), loopback.fault_url("/status?code=429&retry=3600")
        copy = loopback.rss_bytes("控え", [("前回の記事", "http://x.example/1")])
        since = loopback.fault_log_size()
        ticker = self.start("answers/error_and_busy", [("故障", error, 10), ("混雑", busy, 10)],
                            {"cache/" + test_cycle.cache_name(url): copy for url in (error, busy)})
        self.assertEqual([(site, title) for site, title, _ in ticker.article_page()],
                         [("故障", "前回の記事"), ("混雑", "前回の記事")])
        self.assertEqual(self.cached(ticker, error), copy)
        self.refresh(ticker)
        # The host asked for an hour's rest: neither of its feeds is asked at the refresh.
        self.assertEqual(len(loopback.fault_requests(since)[0]), 2)

    def test_a_feed_moved_for_good_is_listed_at_its_new_address_after_the_cycle(self):
        old, new, temporary = loopback.fault_url("/r/301/ok"), loopback.fault_url("/ok"), loopback.fault_url("/r/302/ok?t=1")
        ticker = self.start("answers/moved", [("移転", old, 10), ("一時", temporary, 10)])
        listed = lambda: read_bytes(ticker.program_file("URL-List.txt"))
        self.assertTrue(ticker.wait_for(lambda: listed() == loopback.feed_list([("移転", new, 10), ("一時", temporary, 10)]),
                                        10), listed())
        self.assertEqual(sorted(os.listdir(ticker.program_file("cache"))),
                         sorted([test_cycle.cache_name(new), test_cycle.cache_name(temporary)]))

    def test_the_second_request_of_an_etag_feed_carries_if_none_match(self):
        url = loopback.fault_url("/etag?tag=e2e")
        since = loopback.fault_log_size()
        ticker = self.start("answers/etag", [("タグ", url, 10)])
        self.refresh(ticker)
        requests = loopback.fault_requests(since)[0]
        self.assertEqual([(r["path"], r["if_none_match"]) for r in requests], [("/etag", ""), ("/etag", '"e2e"')])
        self.assertEqual(self.cached(ticker, url, ".etag"), b'"e2e"')


if __name__ == "__main__":
    unittest.main()
