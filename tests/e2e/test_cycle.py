"""The update cycle of the real Newsroller.exe against real servers on loopback: nginx over HTTP and
TLS, a server whose certificate nobody trusts, and the fault server. Each test starts the program in
a fresh folder whose URL-List.txt names feeds generated with today's dates, and checks what the
program leaves behind (the cache folder, Newsroller.ini, index.html), what the servers logged, the
message boxes it raised and what it drew."""
import calendar
import email.utils
import os
import re
import threading
import time
import unittest

import loopback
from harness import FRAME_X, FRAME_Y, MENU_QUIT, MENU_UPDATE, TEXT1, TEXT2, Screenshot, Ticker, file_signature, read_bytes

AGENT = "Newsroller1_88"
DEFAULT_IMS = "Thu, 01 Jan 2004 00:00:00 GMT"
IMS_PREFIX = b"If-Modified-Since: "
ACCESS_ERROR = "[Newsroller]アクセスエラー"
ACCESS_ERROR_BOX = "下記のサイトでアクセスエラーが起きました。"
WARNING_BOX = "警告"
IMS_FORMAT = re.compile(rb"If-Modified-Since: (Sun|Mon|Tue|Wed|Thu|Fri|Sat), (\d\d) "
                        rb"(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) (\d{4}) (\d\d):(\d\d):(\d\d) GMT")
MONTHS = [b"Jan", b"Feb", b"Mar", b"Apr", b"May", b"Jun", b"Jul", b"Aug", b"Sep", b"Oct", b"Nov", b"Dec"]
WEEKDAYS = [b"Mon", b"Tue", b"Wed", b"Thu", b"Fri", b"Sat", b"Sun"]  # time.gmtime's order


def cache_name(url):
    """The name of a feed's cache file: the URL with . < > ? : | \\ " * as "@" and / as "%"."""
    return "".join("@" if c in '.<>?:|\\"*' else "%" if c == "/" else c for c in url)


def stamp_seconds(value):
    """The UTC seconds of an ifmodified value; fails the test's assertion when malformed."""
    m = IMS_FORMAT.fullmatch(value)
    if not m:
        raise AssertionError(f"malformed ifmodified: {value!r}")
    day, month, year = int(m.group(2)), MONTHS.index(m.group(3)) + 1, int(m.group(4))
    seconds = calendar.timegm((year, month, day, int(m.group(5)), int(m.group(6)), int(m.group(7))))
    if WEEKDAYS[time.gmtime(seconds).tm_wday] != m.group(1):
        raise AssertionError(f"wrong weekday in {value!r}")
    return seconds


def http_date(seconds):
    """An HTTP date as the program sends it and nginx logs it."""
    return email.utils.formatdate(int(seconds), usegmt=True)


def file_date(path):
    """A file's last-write time in whole seconds."""
    return int(os.stat(path).st_mtime)


class CycleTest(unittest.TestCase):
    def start(self, name, feeds, files=None):
        files = dict(files or {})
        files["URL-List.txt"] = loopback.feed_list(feeds)
        ticker = Ticker(name, files=files, start=False)
        self.addCleanup(ticker.close)
        ticker.start()
        return ticker

    def wait_first_cycle(self, ticker, timeout=30):
        """Waits until the first cycle has stamped Newsroller.ini; returns the stamp."""
        def stamped():
            settings = ticker.settings()
            value = settings.get(b"ifmodified") if settings else None
            return value if value and value != IMS_PREFIX + DEFAULT_IMS.encode() else None

        value = ticker.wait_for(stamped, timeout, 0.05)
        self.assertTrue(value, "the first update cycle did not end")
        return value

    def update(self, ticker, timeout=30):
        """Chooses "RSSを更新する" and waits until the cycle has ended (Newsroller.ini written anew)."""
        before = file_signature(ticker.program_file("Newsroller.ini"))
        ticker.choose_menu_item(MENU_UPDATE)
        self.assertTrue(ticker.wait_file_changed("Newsroller.ini", before, timeout), "the update cycle did not end")
        return ticker.settings()[b"ifmodified"]

    def cache_files(self, ticker):
        folder = ticker.program_file("cache")
        return sorted(os.listdir(folder)) if os.path.isdir(folder) else []

    def cache_bytes(self, ticker, url):
        return read_bytes(os.path.join(ticker.program_file("cache"), cache_name(url)))

    def cache_date(self, ticker, url):
        return file_date(os.path.join(ticker.program_file("cache"), cache_name(url)))

    def assert_ticker_shows_text(self, ticker, label, timeout=10):
        """Waits until the strip holds enough pixels of the two text colours to be article lines (the
        band scrolls in from the right); keeps the last screenshot and the strip as PNGs."""
        w = ticker.window
        inner_w, inner_h = w.width - 2 * FRAME_X, w.height - 2 * FRAME_Y
        box = (ticker.client_x + 1, ticker.client_y + 1, ticker.client_x + inner_w - 1, ticker.client_y + inner_h - 1)
        deadline = time.time() + timeout
        while True:
            shot = Screenshot.take(os.path.join(ticker.folder, f"{label}.png"), ticker.display)
            text = shot.count(TEXT1, *box) + shot.count(TEXT2, *box)
            if text >= 400 or time.time() > deadline:
                break
            time.sleep(0.5)
        shot.crop(os.path.join(ticker.folder, f"{label}-strip.png"), ticker.client_x, ticker.client_y, inner_w, inner_h)
        self.assertGreaterEqual(text, 400, f"no article text in the ticker ({shot.path})")
        return shot

    # ---- The first cycle ------------------------------------------------------------------------

    def test_first_cycle_caches_every_feed_stamps_the_settings_and_shows_the_articles(self):
        tokyo = loopback.write_rss("cycle/first/tokyo.xml", [("東京で初雪を観測", "http://news.example/tokyo/1"),
                                                             ("新しい駅が開業へ", "http://news.example/tokyo/2")])
        osaka = loopback.write_rss("cycle/first/osaka.xml", [("大阪で花火大会、十万人が見物", "http://news.example/osaka/1")],
                                   encoding="shift_jis")
        # The query and the port put "?", ":" and "." into the cache file's name.
        kyoto = loopback.write_rss("cycle/first/kyoto.xml", [("京都の紅葉が見頃に", "http://news.example/kyoto/1"),
                                                             ("市バスの路線図", "/local/bus.html")]) + "?ed=2"
        feeds = [("東京ニュース", tokyo, 10), ("大阪ニュース", osaka, 10), ("京都ニュース", kyoto, 10)]
        since = loopback.nginx_log_size()
        started = int(time.time())
        ticker = self.start("cycle_first", feeds)
        stamp = self.wait_first_cycle(ticker)
        ended = time.time()

        # One cache file per feed, named after its URL, holding the document as served.
        self.assertEqual(self.cache_files(ticker), sorted(cache_name(url) for _, url, _ in feeds))
        self.assertIn(cache_name(kyoto), self.cache_files(ticker))
        self.assertEqual(cache_name(tokyo), f"http@%%127@0@0@1@{os.environ['NEWSROLLER_HTTP_PORT']}%cycle%first%tokyo@xml")
        for path, url in (("cycle/first/tokyo.xml", tokyo), ("cycle/first/osaka.xml", osaka),
                          ("cycle/first/kyoto.xml", kyoto)):
            self.assertEqual(self.cache_bytes(ticker, url), read_bytes(loopback.www_path(path)), url)

        # The settings file got the time of the cycle (its beginning) as its new conditional header:
        # 48 bytes, UTC.
        self.assertEqual(len(stamp), 48)
        self.assertTrue(started - 1 <= stamp_seconds(stamp) <= ended + 1,
                        f"{stamp!r} is not the time of the cycle ({started}..{ended:.0f})")
        self.assertEqual(ticker.settings()[b"winX"], b"230")

        # One request per feed, each with the agent and the header (the defaults' date on a first start).
        requests, _ = loopback.nginx_requests(since)
        self.assertEqual(sorted(r["path"] for r in requests),
                         sorted(["/cycle/first/tokyo.xml", "/cycle/first/osaka.xml", "/cycle/first/kyoto.xml?ed=2"]))
        for r in requests:
            self.assertEqual((r["status"], r["agent"], r["if_modified_since"]), (200, AGENT, DEFAULT_IMS), r)

        self.assert_ticker_shows_text(ticker, "first-cycle")
        self.assertEqual(ticker.article_page(), [
            ("東京ニュース", "東京で初雪を観測", "http://news.example/tokyo/1"),
            ("東京ニュース", "新しい駅が開業へ", "http://news.example/tokyo/2"),
            ("大阪ニュース", "大阪で花火大会、十万人が見物", "http://news.example/osaka/1"),
            ("京都ニュース", "京都の紅葉が見頃に", "http://news.example/kyoto/1"),
            # A link relative to the site is joined to the feed's scheme, host and port.
            ("京都ニュース", "市バスの路線図", loopback.http_url("local/bus.html")),
        ])

    # ---- Conditional requests -------------------------------------------------------------------

    def test_unchanged_feeds_come_from_the_cache_and_a_changed_feed_is_fetched_again(self):
        an_hour_ago = int(time.time()) - 3600
        news = loopback.write_rss("cycle/cond/news.xml", [("国会で予算案が成立", "http://news.example/n/1")],
                                  mtime=an_hour_ago)
        sport = loopback.write_rss("cycle/cond/sport.xml", [("横綱が優勝を決める", "http://news.example/s/1")],
                                   encoding="shift_jis", mtime=an_hour_ago - 60)
        ticker = self.start("cycle_conditional", [("ニュース", news, 10), ("スポーツ", sport, 10)])
        self.wait_first_cycle(ticker)
        sport_cached = self.cache_bytes(ticker, sport)
        self.assertEqual(sport_cached, read_bytes(loopback.www_path("cycle/cond/sport.xml")))
        # Each cache copy carries the date the server gave its document.
        cache_path = os.path.join(ticker.program_file("cache"), cache_name(news))
        self.assertEqual(file_date(cache_path), an_hour_ago)
        self.assertEqual(self.cache_date(ticker, sport), an_hour_ago - 60)

        # The cache copy of one feed is replaced by a document of its own (dated as the program dated
        # it): what the ticker then shows of that feed can only come from the cache file.
        with open(cache_path, "wb") as f:
            f.write(loopback.rss_bytes("ニュース", [("キャッシュに残っていた記事", "http://news.example/n/cached")]))
        os.utime(cache_path, (an_hour_ago, an_hour_ago))
        cached_signature = file_signature(cache_path)

        # Second cycle: each feed is asked since its own copy's date, and answered 304 without a body.
        since = loopback.nginx_log_size()
        second_stamp = self.update(ticker)
        requests, _ = loopback.nginx_requests(since)
        self.assertEqual(sorted((r["path"], r["status"], r["if_modified_since"]) for r in requests),
                         [("/cycle/cond/news.xml", 304, http_date(an_hour_ago)),
                          ("/cycle/cond/sport.xml", 304, http_date(an_hour_ago - 60))])
        for r in requests:
            self.assertEqual(r["agent"], AGENT, r)
        # The settings file still gets the time of the cycle, as older copies of the program read it.
        self.assertEqual(len(second_stamp), 48)
        self.assert_ticker_shows_text(ticker, "from-cache")
        self.assertEqual(ticker.article_page(), [
            ("ニュース", "キャッシュに残っていた記事", "http://news.example/n/cached"),
            ("スポーツ", "横綱が優勝を決める", "http://news.example/s/1"),
        ])
        # A document read from the cache is not written back, nor dated anew.
        self.assertEqual(file_signature(cache_path), cached_signature)
        self.assertEqual(self.cache_bytes(ticker, sport), sport_cached)
        self.assertEqual(self.cache_date(ticker, sport), an_hour_ago - 60)

        # One feed changes: it alone is fetched in full, its cache copy replaced and dated anew.
        changed = int(time.time()) - 5
        loopback.write_rss("cycle/cond/sport.xml", [("新横綱が誕生", "http://news.example/s/2"),
                                                    ("大関が休場", "http://news.example/s/3")],
                           encoding="shift_jis", mtime=changed)
        since = loopback.nginx_log_size()
        self.update(ticker)
        requests, _ = loopback.nginx_requests(since)
        self.assertEqual(sorted((r["path"], r["status"], r["if_modified_since"]) for r in requests),
                         [("/cycle/cond/news.xml", 304, http_date(an_hour_ago)),
                          ("/cycle/cond/sport.xml", 200, http_date(an_hour_ago - 60))])
        self.assertEqual(self.cache_bytes(ticker, sport), read_bytes(loopback.www_path("cycle/cond/sport.xml")))
        self.assertEqual(self.cache_date(ticker, sport), changed)
        self.assertEqual(file_signature(cache_path), cached_signature)
        self.assertEqual(ticker.article_page(), [
            ("ニュース", "キャッシュに残っていた記事", "http://news.example/n/cached"),
            ("スポーツ", "新横綱が誕生", "http://news.example/s/2"),
            ("スポーツ", "大関が休場", "http://news.example/s/3"),
        ])

        # A feed whose cache copy has gone is asked for the whole document at once (the defaults' old
        # date), and cached again.
        os.remove(cache_path)
        since = loopback.nginx_log_size()
        self.update(ticker)
        requests, _ = loopback.nginx_requests(since)
        self.assertEqual([(r["path"], r["status"], r["if_modified_since"]) for r in requests],
                         [("/cycle/cond/news.xml", 200, DEFAULT_IMS),
                          ("/cycle/cond/sport.xml", 304, http_date(changed))])
        self.assertEqual(read_bytes(cache_path), read_bytes(loopback.www_path("cycle/cond/news.xml")))
        self.assertEqual(file_date(cache_path), an_hour_ago)
        self.assertEqual(ticker.article_page()[0], ("ニュース", "国会で予算案が成立", "http://news.example/n/1"))

        # The dates survive a restart: the first cycle of the next run asks with them and gets 304s.
        self.assertEqual(ticker.quit(), 0)
        before = file_signature(ticker.program_file("Newsroller.ini"))
        since = loopback.nginx_log_size()
        ticker.start()
        self.assertTrue(ticker.wait_file_changed("Newsroller.ini", before, 30), "the first cycle did not end")
        requests, _ = loopback.nginx_requests(since)
        self.assertEqual([(r["path"], r["status"], r["if_modified_since"]) for r in requests],
                         [("/cycle/cond/news.xml", 304, http_date(an_hour_ago)),
                          ("/cycle/cond/sport.xml", 304, http_date(changed))])
        self.assertEqual(len(ticker.article_page()), 3)

    def test_a_feed_changed_while_the_cycle_runs_is_fetched_in_full_by_the_next_cycle(self):
        news = loopback.write_rss("cycle/race/news.xml", [("朝の記事", "http://news.example/race/1")],
                                  mtime=time.time() - 3600)
        # A slow server after it keeps the cycle going for ten seconds (its cache copy stands in).
        silent = loopback.fault_url("/silent?hold=30")
        cached = loopback.rss_bytes("遅いサイト", [("前回取得した記事", "http://news.example/slow/1")])
        since, fault_since = loopback.nginx_log_size(), loopback.fault_log_size()
        ticker = self.start("cycle_race", [("速報", news, 10), ("遅いサイト", silent, 10)],
                            {os.path.join("cache", cache_name(silent)): cached})
        self.assertTrue(ticker.wait_for(lambda: loopback.fault_requests(fault_since)[0], 20, 0.05),
                        "the slow server was not asked")
        self.assertEqual([(r["path"], r["status"]) for r in loopback.nginx_requests(since)[0]],
                         [("/cycle/race/news.xml", 200)])
        # The feed changes after it was read but before the cycle ends.
        time.sleep(1.1)
        loopback.write_rss("cycle/race/news.xml", [("昼の記事", "http://news.example/race/2")])
        changed = int(os.stat(loopback.www_path("cycle/race/news.xml")).st_mtime)
        self.wait_first_cycle(ticker, 40)

        # The next cycle (without the slow server) must not take the change for old news.
        with open(ticker.program_file("URL-List.txt"), "wb") as f:
            f.write(loopback.feed_list([("速報", news, 10)]))
        since = loopback.nginx_log_size()
        self.update(ticker)
        requests, _ = loopback.nginx_requests(since)
        self.assertEqual([(r["path"], r["status"]) for r in requests], [("/cycle/race/news.xml", 200)],
                         f"a change at {changed} was answered 304 for {requests[0]['if_modified_since']}")
        self.assertEqual(ticker.article_page(), [("速報", "昼の記事", "http://news.example/race/2")])

    def test_each_feed_is_asked_since_its_copys_date_by_servers_that_answer_exact_or_before(self):
        # "/" answers 304 to any date not older than the file's (before); "/exact/" only to the file's
        # own date, nginx's default: both must give 304 for an unchanged feed and 200 for a changed one.
        an_hour_ago = int(time.time()) - 3600
        feeds, files = [], {}
        for prefix, label in (("", "before"), ("exact/", "exact")):
            for name in ("same", "touched"):
                path = f"cycle/modes/{label}-{name}.xml"
                loopback.write_rss(path, [(f"{label} {name} の最初の記事", f"http://news.example/{label}/{name}/1")],
                                   mtime=an_hour_ago)
                url = loopback.http_url(prefix + path)
                feeds.append((f"{label}-{name}", url, 10))
                files[(label, name)] = (path, url)
        ticker = self.start("cycle_modes", feeds)
        self.wait_first_cycle(ticker)
        for path, url in files.values():
            self.assertEqual(self.cache_date(ticker, url), an_hour_ago, url)

        # Nothing changed: every feed is answered 304 with the date of its own copy.
        since = loopback.nginx_log_size()
        self.update(ticker)
        requests, _ = loopback.nginx_requests(since)
        self.assertEqual(sorted((r["path"], r["status"], r["if_modified_since"]) for r in requests), [
            ("/cycle/modes/before-same.xml", 304, http_date(an_hour_ago)),
            ("/cycle/modes/before-touched.xml", 304, http_date(an_hour_ago)),
            ("/exact/cycle/modes/exact-same.xml", 304, http_date(an_hour_ago)),
            ("/exact/cycle/modes/exact-touched.xml", 304, http_date(an_hour_ago)),
        ])

        # One feed of each kind is touched: those two come whole with their new articles.
        touched = int(time.time()) - 5
        for label in ("before", "exact"):
            path, _ = files[(label, "touched")]
            loopback.write_rss(path, [(f"{label} touched の新しい記事", f"http://news.example/{label}/touched/2")],
                               mtime=touched)
        since = loopback.nginx_log_size()
        self.update(ticker)
        requests, _ = loopback.nginx_requests(since)
        self.assertEqual(sorted((r["path"], r["status"], r["if_modified_since"]) for r in requests), [
            ("/cycle/modes/before-same.xml", 304, http_date(an_hour_ago)),
            ("/cycle/modes/before-touched.xml", 200, http_date(an_hour_ago)),
            ("/exact/cycle/modes/exact-same.xml", 304, http_date(an_hour_ago)),
            ("/exact/cycle/modes/exact-touched.xml", 200, http_date(an_hour_ago)),
        ])
        titles = [title for _, title, _ in ticker.article_page()]
        self.assertEqual(titles, ["before same の最初の記事", "before touched の新しい記事",
                                  "exact same の最初の記事", "exact touched の新しい記事"])
        for label in ("before", "exact"):
            path, url = files[(label, "touched")]
            self.assertEqual(self.cache_bytes(ticker, url), read_bytes(loopback.www_path(path)))
            self.assertEqual(self.cache_date(ticker, url), touched)

        # And the cycle after that is all 304 again, the touched feeds asked with their new date.
        since = loopback.nginx_log_size()
        self.update(ticker)
        requests, _ = loopback.nginx_requests(since)
        self.assertEqual(sorted((r["path"], r["status"], r["if_modified_since"]) for r in requests), [
            ("/cycle/modes/before-same.xml", 304, http_date(an_hour_ago)),
            ("/cycle/modes/before-touched.xml", 304, http_date(touched)),
            ("/exact/cycle/modes/exact-same.xml", 304, http_date(an_hour_ago)),
            ("/exact/cycle/modes/exact-touched.xml", 304, http_date(touched)),
        ])

    def test_a_feed_that_changed_while_its_fetch_failed_is_fetched_in_full_once_it_answers_again(self):
        an_hour_ago = int(time.time()) - 3600
        feeds, paths = [], {}
        for prefix, label in (("", "before"), ("exact/", "exact")):
            path = f"cycle/flaky/{label}.xml"
            loopback.write_rss(path, [(f"{label} の古い記事", f"http://news.example/flaky/{label}/1")],
                               mtime=an_hour_ago)
            paths[label] = (prefix, path)
            feeds.append((label, loopback.http_url(prefix + path), 10))
        ticker = self.start("cycle_flaky", feeds)
        self.wait_first_cycle(ticker)

        # Both feeds change, and their server fails (closes the connection without an answer) for
        # one cycle: the cache copies stand in, without a message box.
        changed = int(time.time()) - 5
        for label, (_, path) in paths.items():
            loopback.write_rss(path, [(f"{label} の新しい記事", f"http://news.example/flaky/{label}/2")],
                               mtime=changed)
            with open(loopback.www_path(path) + ".fail", "wb"):
                pass
        since = loopback.nginx_log_size()
        self.update(ticker)
        requests, _ = loopback.nginx_requests(since)
        self.assertTrue(requests)
        self.assertEqual({r["status"] for r in requests}, {444})
        self.assertEqual(ticker.find_windows("^" + re.escape(ACCESS_ERROR_BOX) + "$"), [])
        self.assertEqual([title for _, title, _ in ticker.article_page()], ["before の古い記事", "exact の古い記事"])

        # The server answers again: the change, made before the failed cycle, is fetched in full.
        for _, path in paths.values():
            os.remove(loopback.www_path(path) + ".fail")
        since = loopback.nginx_log_size()
        self.update(ticker)
        requests, _ = loopback.nginx_requests(since)
        self.assertEqual([(r["path"], r["status"], r["if_modified_since"]) for r in requests], [
            ("/cycle/flaky/before.xml", 200, http_date(an_hour_ago)),
            ("/exact/cycle/flaky/exact.xml", 200, http_date(an_hour_ago)),
        ])
        self.assertEqual([title for _, title, _ in ticker.article_page()], ["before の新しい記事", "exact の新しい記事"])

    def test_compressed_answers_cost_less_than_half_the_bytes_and_are_cached_decoded(self):
        feeds, paths, total = [], [], 0
        for n in range(3):
            path = f"cycle/gzip/feed-{n}.xml"
            items = [(f"圧縮された記事 第{n + 1}報の{k + 1}：関係者が記者会見で今後の見通しを説明",
                      f"http://news.example/gzip/{n}/{k}.html") for k in range(20)]
            loopback.write_rss(path, items, mtime=time.time() - 3600)
            total += len(read_bytes(loopback.www_path(path)))
            url = loopback.http_url("gzip/" + path)
            feeds.append((f"圧縮{n}", url, 20))
            paths.append((path, url))
        since = loopback.nginx_log_size()
        ticker = self.start("cycle_gzip", feeds)
        self.wait_first_cycle(ticker)
        requests, _ = loopback.nginx_requests(since)
        self.assertEqual(sorted((r["path"], r["status"]) for r in requests), sorted(("/gzip/" + p, 200) for p, _ in paths))
        sent = sum(r["bytes_sent"] for r in requests)
        print(f"\n    {sent} bytes sent for {total} bytes of documents ({sent / total:.0%})", end=" ")
        self.assertLess(sent, total / 2)
        # The cache holds the documents as the server holds them, not compressed.
        for path, url in paths:
            self.assertEqual(self.cache_bytes(ticker, url), read_bytes(loopback.www_path(path)), url)
        articles = ticker.article_page()
        self.assertEqual(len(articles), 60)
        self.assertEqual(articles[0][:2], ("圧縮0", "圧縮された記事 第1報の1：関係者が記者会見で今後の見通しを説明"))

    # ---- TLS ------------------------------------------------------------------------------------

    def test_trusted_tls_feed_is_read_and_an_untrusted_server_is_an_access_error(self):
        loopback.ensure_servers()
        self.assertTrue(os.environ.get("NEWSROLLER_TEST_CA"),
                        "the test CA is not trusted by the host (servers.py needs root to install it)")
        loopback.write_rss("cycle/tls/secure.xml", [("暗号化された通信で届いた記事", "https://news.example/tls/1")])
        loopback.write_rss("cycle/tls/plain.xml", [("その後のサイトも読まれる", "http://news.example/plain/1")])
        trusted = loopback.https_url("cycle/tls/secure.xml")
        untrusted = loopback.https_url("cycle/tls/secure.xml", trusted=False)
        plain = loopback.http_url("cycle/tls/plain.xml")
        since = loopback.nginx_log_size()
        ticker = self.start("cycle_tls", [("安全なサイト", trusted, 10), ("信用できないサイト", untrusted, 10),
                                          ("普通のサイト", plain, 10)])

        # The untrusted server fails both attempts; one box names the site once the cycle's headlines
        # are on the ticker, and the ticker goes on meanwhile.
        box = ticker.message_box(ACCESS_ERROR_BOX, 40)
        self.assertIsNotNone(box, "no access-error message box")
        shot = ticker.screenshot("access-error-box")
        # Its text (the site name, checked by eye in the screenshot) is drawn in black beside the icon.
        self.assertGreater(shot.count((0, 0, 0), box.x + box.width // 3, box.y + 5, box.x + box.width - 5,
                                      box.y + box.height // 2, tolerance=60), 20)
        self.assertEqual([w.id for w in ticker.find_windows("^" + re.escape(ACCESS_ERROR_BOX) + "$")], [box.id])
        # The box comes after the cycle's end: the settings are stamped by then.
        self.wait_first_cycle(ticker, 1)
        self.assertTrue(ticker.dismiss(box), "the message box did not close")

        requests, _ = loopback.nginx_requests(since)
        https_port, http_port = int(os.environ["NEWSROLLER_HTTPS_PORT"]), int(os.environ["NEWSROLLER_HTTP_PORT"])
        self.assertEqual(sorted((r["path"], r["status"], r["scheme"], r["port"], r["agent"]) for r in requests),
                         [("/cycle/tls/plain.xml", 200, "http", http_port, AGENT),
                          ("/cycle/tls/secure.xml", 200, "https", https_port, AGENT)])
        self.assertEqual(self.cache_files(ticker), sorted([cache_name(trusted), cache_name(plain)]))
        self.assertEqual(ticker.article_page(), [
            ("安全なサイト", "暗号化された通信で届いた記事", "https://news.example/tls/1"),
            ("信用できないサイト", ACCESS_ERROR, untrusted),
            ("普通のサイト", "その後のサイトも読まれる", "http://news.example/plain/1"),
        ])
        self.assert_ticker_shows_text(ticker, "tls")

    # ---- The fault server -----------------------------------------------------------------------

    def test_a_silent_server_holds_only_its_own_feed_and_the_window_answers_meanwhile(self):
        silent = loopback.fault_url("/silent?hold=30")
        following = loopback.write_rss("cycle/fault/next.xml", [("待った後の記事", "http://news.example/next/1")])
        missing = loopback.fault_url("/no-such-feed.xml")
        # A document that arrives in eight pieces 0.3 s apart.
        drip = loopback.fault_url("/drip?chunks=8&interval=0.3")
        # The silent server's feed was read in an earlier cycle: its cache copy stands in for it.
        cached = loopback.rss_bytes("遅いサイト", [("前回取得した記事", "http://news.example/slow/1")])
        # The page that is not found is no document: the feed's copy from an earlier cycle is shown.
        cached_missing = loopback.rss_bytes("無いページ", [("消える前の記事", "http://news.example/gone/1")])
        files = {os.path.join("cache", cache_name(silent)): cached,
                 os.path.join("cache", cache_name(missing)): cached_missing}
        fault_since, nginx_since = loopback.fault_log_size(), loopback.nginx_log_size()
        # The times at which the servers first logged a request of this test, watched from before
        # the start (the cycle begins before the window is found).
        seen = {}

        def watch():
            while "nginx" not in seen and time.time() < give_up:
                if "fault" not in seen and loopback.fault_log_size() > fault_since:
                    seen["fault"] = time.time()
                if loopback.nginx_log_size() > nginx_since:
                    seen["nginx"] = time.time()
                time.sleep(0.02)

        give_up = time.time() + 90
        watcher = threading.Thread(target=watch)
        watcher.start()
        self.addCleanup(watcher.join)
        self.addCleanup(lambda: seen.setdefault("nginx", 0))
        ticker = self.start("cycle_fault", [("遅いサイト", silent, 10), ("次のサイト", following, 10),
                                            ("無いページ", missing, 10), ("少しずつ届くサイト", drip, 10)], files)

        self.assertTrue(ticker.wait_for(lambda: "fault" in seen, 20, 0.02), "no request reached the fault server")
        # The other feeds are asked beside the silent one, not after it.
        self.assertTrue(ticker.wait_for(lambda: "nginx" in seen, 5, 0.02), "the other feeds waited for the silent one")
        self.assertLess(seen["nginx"] - seen["fault"], 3)
        # While the silent request waits the window still handles the pointer: a right-click opens the menu.
        time.sleep(max(0.0, seen["fault"] + 1.0 - time.time()))
        menu = ticker.open_menu()
        self.assertIsNotNone(menu, "the window did not answer during the fetch")
        ticker.screenshot("menu-while-waiting")
        ticker.focus(ticker.window.id)
        ticker.keys("Escape")
        self.assertTrue(ticker.wait_window_gone(menu.id), "Escape left the menu open")

        # The cycle ends when the silent request gives up, about ten seconds after it was made.
        self.wait_first_cycle(ticker, 40)
        waited = time.time() - seen["fault"]
        self.assertTrue(8 <= waited <= 25, f"the cycle ended {waited:.1f} s after the silent request")
        print(f"\n    the cycle ended {waited:.1f} s after the silent request", end=" ")

        # A cache copy was there: no second, unconditional request and no message box.
        self.assertEqual([r["path"] for r in loopback.fault_requests(fault_since)[0]],
                         ["/silent", "/no-such-feed.xml", "/drip"])
        self.assertEqual(ticker.find_windows("^" + re.escape(ACCESS_ERROR_BOX) + "$"), [])
        # The 404 page is a failed fetch, never taken for the feed: its copy stays and is shown.
        self.assertEqual(self.cache_files(ticker), sorted([cache_name(silent), cache_name(following),
                                                           cache_name(missing), cache_name(drip)]))
        self.assertEqual(self.cache_bytes(ticker, silent), cached)
        self.assertEqual(self.cache_bytes(ticker, missing), cached_missing)
        self.assertEqual(ticker.article_page(), [
            ("遅いサイト", "前回取得した記事", "http://news.example/slow/1"),
            ("次のサイト", "待った後の記事", "http://news.example/next/1"),
            ("無いページ", "消える前の記事", "http://news.example/gone/1"),
            ("少しずつ届くサイト", "First item", "http://localhost/1"),
            ("少しずつ届くサイト", "Second item", "http://localhost/2"),
        ])
        self.assert_ticker_shows_text(ticker, "after-fault")

    def test_quit_while_a_fetch_hangs_ends_the_program_without_waiting_for_it(self):
        following = loopback.write_rss("cycle/quit/first.xml", [("先に読まれる記事", "http://news.example/q/1")])
        silent = loopback.fault_url("/silent?hold=30")
        cached = loopback.rss_bytes("遅いサイト", [("前回取得した記事", "http://news.example/slow/1")])
        fault_since = loopback.fault_log_size()
        ticker = self.start("cycle_quit", [("先のサイト", following, 10), ("遅いサイト", silent, 10)],
                            {os.path.join("cache", cache_name(silent)): cached})
        self.assertTrue(ticker.wait_for(lambda: loopback.fault_requests(fault_since)[0], 20, 0.05),
                        "the silent server was not asked")
        time.sleep(1)
        asked = time.time()
        ticker.choose_menu_item(MENU_QUIT)
        # The request that hangs is given up: the program does not wait for its time-out.
        code = ticker.wait_exit(40)
        took = time.time() - asked
        self.assertEqual(code, 0, "the program did not end")
        self.assertLess(took, 9, f"the program took {took:.1f} s to end")
        print(f"\n    quit while a fetch hangs: ended after {took:.1f} s", end=" ")
        # The cycle never ended: no stamp; the feed read before the quit has its copy, the other
        # keeps its old one whole.
        settings = ticker.settings()
        self.assertEqual(settings.get(b"ifmodified", IMS_PREFIX + DEFAULT_IMS.encode()),
                         IMS_PREFIX + DEFAULT_IMS.encode())
        self.assertEqual(self.cache_bytes(ticker, silent), cached)
        self.assertEqual([r["path"] for r in loopback.fault_requests(fault_since)[0]], ["/silent"])

    def test_closing_by_alt_f4_or_taskkill_in_the_middle_of_a_fetch_ends_the_program_and_keeps_every_file(self):
        # A fetch that waits for an answer, and one that is reading a document that comes in pieces.
        held = loopback.fault_url("/silent?hold=30")
        drip = loopback.fault_url("/drip?chunks=12&interval=0.5")
        following = loopback.write_rss("cycle/close/next.xml", [("閉じた後の記事", "http://news.example/close/1")])
        for how in ("alt+F4", "taskkill"):
            for url, label in ((held, "held"), (drip, "drip")):
                with self.subTest(how=how, fetch=label):
                    cached = {url: loopback.rss_bytes("遅いサイト", [("前回の記事", "http://news.example/c/1")]),
                              following: loopback.rss_bytes("次のサイト", [("前回の次", "http://news.example/c/2")])}
                    files = {os.path.join("cache", cache_name(u)): data for u, data in cached.items()}
                    files["Newsroller.ini"] = b"savepos=0\r\n"
                    fault_since = loopback.fault_log_size()
                    ticker = self.start(f"cycle_close_{label}_{how.replace('+', '_')}",
                                        [("遅いサイト", url, 10), ("次のサイト", following, 10)], files)
                    self.assertTrue(ticker.wait_for(lambda: loopback.fault_requests(fault_since)[0], 20, 0.05),
                                    "the fault server was not asked")
                    time.sleep(1.5)  # in the middle of the wait or of the pieces
                    settings = read_bytes(ticker.program_file("Newsroller.ini"))
                    asked = time.time()
                    if how == "taskkill":
                        code, output = ticker.run_wine("taskkill", "/IM", "Newsroller.exe")
                        self.assertEqual(code, 0, output)
                    else:
                        ticker.focus(ticker.window.id)
                        ticker.keys("alt+F4")
                    code = ticker.wait_exit(30)
                    took = time.time() - asked
                    self.assertEqual(code, 0, f"the program did not end ({how}, {label})")
                    # The fetch wait gives up after about ten seconds; the end follows it closely.
                    self.assertLess(took, 16, f"the program took {took:.1f} s to end")
                    print(f"\n    {how} during the {label} fetch: ended after {took:.1f} s", end=" ")
                    for u, data in cached.items():
                        self.assertEqual(self.cache_bytes(ticker, u), data, f"the cache of {u} changed")
                    self.assertEqual(self.cache_files(ticker), sorted(cache_name(u) for u in cached))
                    # The settings file was not touched: no cycle ended and the position is not kept.
                    self.assertEqual(read_bytes(ticker.program_file("Newsroller.ini")), settings)
                    ticker.close()

    # ---- Links ----------------------------------------------------------------------------------

    def test_click_opens_a_web_link_and_refuses_dangerous_ones(self):
        # Page mode: the click opens the article on show, the only one of its cycle.
        settings = b"scrollf=0\r\n"
        safe = "http://news.example/articles/2024/記事.html"
        # (label, link in the feed, what the shell opens or None for a warning)
        cases = [
            ("safe", safe, safe),
            ("exe", "http://news.example/files/setup.exe", None),
            ("file", "file:///C:/windows/win.ini.html", None),
            ("script", "javascript:alert(1)", None),
            # The extension is what follows the last ".": "exe?x=1" is not a dangerous one.
            ("query", "https://news.example/get/file.exe?x=1", "https://news.example/get/file.exe?x=1"),
            # Spaces are percent-encoded; a quote could end the browser's argument and add others.
            ("space", "http://news.example/my page.html", "http://news.example/my%20page.html"),
            ("quote", 'http://news.example/a.html" --new-window "file:///C:/windows/win.ini', None),
        ]
        first = loopback.write_rss("cycle/links/safe.xml", [("リンクの記事 safe", safe)])
        ticker = self.start("cycle_links", [("リンク", first, 10)], {"Newsroller.ini": settings})
        self.wait_first_cycle(ticker)
        opened = []
        for label, link, shell_gets in cases:
            with self.subTest(link=link):
                if label != "safe":
                    # The feed list is read anew by every cycle: the next one shows this feed alone.
                    url = loopback.write_rss(f"cycle/links/{label}.xml", [(f"リンクの記事 {label}", link)])
                    with open(ticker.program_file("URL-List.txt"), "wb") as f:
                        f.write(loopback.feed_list([("リンク", url, 10)]))
                    self.update(ticker)
                    # The new table takes its place at the next page turn (about 1.3 s at the default pace).
                    time.sleep(2)
                ticker.click(ticker.client_x + 200, ticker.client_y + 10)
                if shell_gets:
                    opened.append(shell_gets)
                    self.assertTrue(ticker.wait_for(lambda: len(ticker.browser_log()) >= len(opened), 20),
                                    f"{link} was not opened")
                else:
                    box = ticker.message_box(WARNING_BOX, 15)
                    self.assertIsNotNone(box, f"no warning for {link}")
                    ticker.screenshot(f"warning-{label}")
                    self.assertTrue(ticker.dismiss(box))
                    time.sleep(1.5)  # time enough for a wrongly opened link to reach the recorder
                self.assertEqual(ticker.browser_log(), opened)


if __name__ == "__main__":
    unittest.main()
