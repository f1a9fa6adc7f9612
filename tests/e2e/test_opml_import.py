"""Drops from outside: an OPML file dragged from an X client (the XDND protocol, as a file manager
drags it) onto the settings dialog runs the import dialog with its progress bar; the new feeds join
the dialog's list with their item counts, and OK writes them to URL-List.txt. An address dragged as
text (as a browser drags a link) fills the site-name, URL and maximum fields.

The drag comes from tests/e2e/xdnd_drop.c, built here with the system's C compiler and Xlib; Wine
turns the drop into calls on the dialog's OLE drop target."""
import os
import subprocess
import time
import unittest
import urllib.parse

import harness
import loopback
from harness import MENU_SETTINGS, Ticker, read_bytes
import probe

DIALOG = "設定"
IMPORT_DIALOG = "OPML読み込み中．．．"
FEEDS, SITE, URL, MAXIMUM, TOTAL = 1008, 1009, 1010, 1012, 1030
OK = 1
XDND_SOURCE = os.path.join(harness.HERE, "xdnd_drop.c")
XDND_TOOL = os.path.join(harness.ARTIFACTS, "xdnd_drop")


def build_xdnd_tool():
    """The X client that drags; made again when its source is newer."""
    if os.path.exists(XDND_TOOL) and os.path.getmtime(XDND_TOOL) >= os.path.getmtime(XDND_SOURCE):
        return XDND_TOOL
    os.makedirs(harness.ARTIFACTS, exist_ok=True)
    code, output = harness.run_quiet(["cc", "-O1", "-o", XDND_TOOL, XDND_SOURCE, "-lX11"], timeout=120)
    if code != 0:
        raise RuntimeError(f"xdnd_drop does not build (libx11-dev missing?): {output}")
    return XDND_TOOL


class OpmlImportTest(unittest.TestCase):
    def drag(self, ticker, dialog, kind, data):
        """Drags `data` of X type `kind` onto the dialog and drops it; the process and its output file."""
        output = open(os.path.join(ticker.folder, "xdnd.log"), "w+b")
        self.addCleanup(output.close)
        drag = subprocess.Popen([build_xdnd_tool(), str(dialog.id), str(dialog.x + dialog.width // 2),
                                 str(dialog.y + 60), kind, data, "90"],
                                env=ticker.env, stdout=output, stderr=subprocess.STDOUT)
        self.addCleanup(lambda: drag.poll() is None and drag.kill())
        return drag, output

    def finished(self, drag, output):
        self.assertEqual(drag.wait(timeout=90), 0, "the drop did not finish")
        output.seek(0)
        self.assertEqual(output.read().decode().split(), ["accepted", "XdndActionCopy", "finished"])

    def feed_lines(self, ticker):
        """[(line, selected)] of the settings dialog's feed list."""
        box = probe.control(probe.wait_window(ticker, DIALOG, timeout=5), FEEDS)
        return [(text, i == box["selection"]) for i, text in enumerate(box["items"])]

    def open_dialog(self, ticker):
        ticker.choose_menu_item(MENU_SETTINGS)
        dialog = ticker.wait_window(f"^{DIALOG}$", 10)
        self.assertIsNotNone(dialog, "設定 did not open")
        return dialog

    def test_an_opml_file_dropped_from_x_is_imported_with_progress(self):
        feeds = []
        for i in range(24):
            items = [(f"記事{i}-{k}", f"http://import.example/{i}/{k}") for k in range(i % 4)]
            feeds.append((f"購読サイト{i + 1}", loopback.write_rss(f"import/feed{i}.xml", items)))
        registered = ("登録済み", feeds[0][1], 7)
        outlines = "".join(f'<outline text="{site}" type="rss" xmlUrl="{url}"/>\n' for site, url in feeds)
        document = ('<?xml version="1.0" encoding="UTF-8"?>\n<opml version="1.1"><head><title>購読</title></head>\n'
                    f'<body><outline text="フォルダ">\n{outlines}</outline></body></opml>\n').encode("utf-8")

        ticker = Ticker("opml_import_drop", files={"URL-List.txt": loopback.feed_list([registered])})
        self.addCleanup(ticker.close)
        # A name with a blank and Japanese, as a file manager's URI carries it.
        path = os.path.join(ticker.folder, "購読 リスト.opml")
        with open(path, "wb") as f:
            f.write(document)
        dialog = self.open_dialog(ticker)

        before = loopback.nginx_log_size()
        drag, output = self.drag(ticker, dialog, "text/uri-list", "file://" + urllib.parse.quote(path) + "\r\n")
        importing = ticker.wait_window(f"^{IMPORT_DIALOG}$", 20)
        self.assertIsNotNone(importing, "the import dialog did not appear")
        time.sleep(0.8)
        ticker.screenshot("import-progress")
        self.finished(drag, output)
        self.assertTrue(ticker.wait_window_gone(importing.id, 5), "the import dialog stayed open")

        expected = ["（7）登録済み"] + [f"（{i % 4}）購読サイト{i + 1}" for i in range(1, 24)]
        self.assertEqual(self.feed_lines(ticker), [(line, line == expected[-1]) for line in expected])
        self.assertEqual(probe.control_text(ticker, DIALOG, TOTAL), f"{7 + sum(i % 4 for i in range(1, 24))}件")
        # Each new feed fetched once, whole; the registered one not at all.
        requests, _ = loopback.nginx_requests(before)
        self.assertEqual(sorted(r["path"] for r in requests), sorted(f"/import/feed{i}.xml" for i in range(1, 24)))
        self.assertTrue(all(r["if_modified_since"] == "Thu, 01 Jan 2004 00:00:00 GMT" for r in requests))

        ticker.screenshot("imported")
        self.assertTrue(probe.click(ticker, probe.control(probe.wait_window(ticker, DIALOG), OK)))
        self.assertTrue(ticker.wait_for(lambda: not ticker.find_windows(f"^{DIALOG}$"), 10), "OK left the dialog open")
        written = read_bytes(ticker.program_file("URL-List.txt")).decode("cp932").splitlines()
        self.assertEqual(len(written), 24)
        self.assertEqual(written[1], f"購読サイト2\t{feeds[1][1]}\t1")

    def test_an_address_dragged_as_text_fills_the_fields(self):
        path = loopback.www_path("import/dragged.xml")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(loopback.rss_bytes("地域ニュース", [("駅前に新しい図書館", "http://lib.example/1"),
                                                       ("週末は晴れ", "http://lib.example/2")]))
        url = loopback.http_url("import/dragged.xml")
        ticker = Ticker("opml_import_text_drop", files={"URL-List.txt": b""})
        self.addCleanup(ticker.close)
        dialog = self.open_dialog(ticker)
        # Wine gives X text to the drop target as Unicode text only.
        self.finished(*self.drag(ticker, dialog, "UTF8_STRING", url))
        fields = [probe.control_text(ticker, DIALOG, field) for field in (SITE, URL, MAXIMUM)]
        self.assertEqual(fields, ["地域ニュース", url, "2"])
        self.assertEqual(self.feed_lines(ticker), [])  # not added until Add is pressed


if __name__ == "__main__":
    unittest.main()
