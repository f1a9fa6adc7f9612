"""The settings dialog from outside: a feed found by its address and added, the live font and
transparency and Cancel's restore, the update interval corrected to 5 minutes, the refused total
over 2000 articles, the list keys of the accelerator table, and the whole dialog used from the
keyboard alone.

The dialog is driven with the pointer and the keyboard (xdotool); what its fields, lists and message
boxes hold and the ticker's opacity are read from a second Wine process (probe.py)."""
import os
import time
import unittest

import loopback
from harness import MENU_SETTINGS, TEXT1, TEXT2, Ticker, read_bytes
import probe

DIALOG = "設定"
# Control ids of the dialog (src/res/resource.h).
WIDTH_FIELD, UPTIMER, SPEED, TRANSPARENCY = 1004, 1007, 1013, 1037
FEEDS, SITE, URL, MAXIMUM, TOTAL = 1008, 1009, 1010, 1012, 1030
FONT_FACE, LOOKUP, ADD, CHANGE, DELETE = 1034, 1041, 1005, 1017, 1006
TRANSPARENCY_SPIN = 113
OK, CANCEL = 1, 2
WINX, WINY, SAVEPOS, FSIZE, BOLD, SCROLLF, OPML_SAVE = 1000, 1002, 1036, 1033, 1035, 1019, 5
STEP, XMOVE, WINTOP, UPDAY, ALERTTIME, MOUSESCHE = 1038, 1015, 1001, 1031, 1039, 1011
UP, DOWN, COLOR_BACK, RED, GREEN, BLUE, RED_VALUE = 1014, 1016, 1018, 1026, 1027, 1028, 1023
HOVERSTOP, STARTUP = 1042, 1043
# What Tab reaches, in reading order, while no feed is selected (Up, Delete, Down, Add and Change are
# disabled then): every control that changes something, none of the fields that only show a value.
TAB_ORDER = [WINX, WINY, WIDTH_FIELD, SAVEPOS, FSIZE, FONT_FACE, BOLD, SCROLLF, OPML_SAVE, UPTIMER, SPEED,
             STEP, XMOVE, WINTOP, UPDAY, TRANSPARENCY, HOVERSTOP, FEEDS, SITE, LOOKUP, URL, MAXIMUM,
             COLOR_BACK, RED, GREEN, BLUE, ALERTTIME, MOUSESCHE, STARTUP, OK, CANCEL]


def centre(rect):
    left, top, right, bottom = rect
    return (left + right) // 2, (top + bottom) // 2


class DialogProbe:
    """What the tests read of the ticker's windows (probe.py), by window title and control id."""

    def __init__(self, ticker):
        self.ticker = ticker

    def control(self, title, control_id):
        window = probe.wait_window(self.ticker, title, timeout=5)
        return probe.control(window, control_id) if window else None

    def text(self, title, control_id):
        return probe.control_text(self.ticker, title, control_id)

    def wait_text(self, title, control_id, predicate):
        return probe.wait_control_text(self.ticker, title, control_id, predicate)

    def rect(self, title, control_id):
        return tuple(self.control(title, control_id)["rect"])

    def items(self, title, control_id):
        """[(text, selected)] of a list or combo box."""
        box = self.control(title, control_id)
        return [(text, i == box["selection"]) for i, text in enumerate(box["items"])]

    def select(self, title, control_id, index):
        return probe.select(self.ticker, self.control(title, control_id), index)

    def opacity(self):
        return probe.opacity(self.ticker)

    def message(self, title):
        box = probe.wait_window(self.ticker, title, timeout=5)
        return probe.message_text(box) if box else None


class SettingsDialogTest(unittest.TestCase):
    def start(self, name, feeds, settings=None):
        files = {"URL-List.txt": loopback.feed_list(feeds)}
        if settings:
            files["Newsroller.ini"] = "".join(f"{k}={v}\r\n" for k, v in settings.items()).encode("ascii")
        ticker = Ticker(name, files=files)
        self.addCleanup(ticker.close)
        self.probe = DialogProbe(ticker)
        return ticker

    def open_dialog(self, ticker):
        ticker.choose_menu_item(MENU_SETTINGS)
        dialog = ticker.wait_window(f"^{DIALOG}$", 10)
        self.assertIsNotNone(dialog, "設定 did not open")
        return dialog

    def click_control(self, ticker, control, dx=None, dy=None):
        """Clicks a control of the dialog (its middle, or dx, dy from its top-left corner)."""
        left, top, right, bottom = self.probe.rect(DIALOG, control)
        ticker.click(left + ((right - left) // 2 if dx is None else dx), top + ((bottom - top) // 2 if dy is None else dy))

    def type_into(self, ticker, control, backspaces, text):
        """Clicks into an edit field, goes to its end, erases `backspaces` characters and types."""
        self.click_control(ticker, control)
        ticker.keys("End", *(["BackSpace"] * backspaces), delay=0.05)
        ticker.xdotool("type", "--delay", "30", text)
        time.sleep(0.3)

    def dialog_gone(self, ticker):
        return ticker.wait_for(lambda: not ticker.find_windows(f"^{DIALOG}$"), 10)

    def wait_ticker_shows(self, ticker, label, timeout=30):
        """A screenshot in which the ticker shows text in text colour 1 or 2."""
        deadline = time.time() + timeout
        while True:
            shot = ticker.screenshot(label)
            if sum(1 for n in ticker.band_columns(shot) if n) > 40:
                return shot
            self.assertLess(time.time(), deadline, f"{label}: no text on the ticker ({shot.path})")
            time.sleep(0.3)

    def test_a_feed_found_by_its_address_is_added_and_shown(self):
        items = [("駅前に新しい図書館が完成", "http://lib.example/1"), ("週末は晴れて行楽日和", "http://lib.example/2"),
                 ("地元の高校が県大会で優勝", "http://lib.example/3")]
        path = loopback.www_path("dialog/local.xml")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(loopback.rss_bytes("地域ニュース", items))
        url = loopback.http_url("dialog/local.xml")
        ticker = self.start("settings_dialog_add", [])
        self.wait_ticker_shows(ticker, "empty-list")  # "RSSリスト未登録"
        self.open_dialog(ticker)
        self.assertEqual(self.probe.text(DIALOG, URL), "http://")
        self.type_into(ticker, URL, 0, url[len("http://"):])
        self.assertEqual(self.probe.text(DIALOG, URL), url)
        before = loopback.nginx_log_size()
        self.click_control(ticker, LOOKUP)
        # The channel's title is the site name, the number of items the maximum.
        self.assertEqual(self.probe.wait_text(DIALOG, SITE, bool), "地域ニュース")
        self.assertEqual(self.probe.text(DIALOG, MAXIMUM), "3")
        ticker.screenshot("looked-up")
        self.click_control(ticker, ADD)
        self.assertEqual(self.probe.items(DIALOG, FEEDS), [("（3）地域ニュース", True)])
        self.assertEqual(self.probe.text(DIALOG, TOTAL), "3件")
        self.click_control(ticker, OK)
        self.assertTrue(self.dialog_gone(ticker), "OK left the dialog open")

        self.assertEqual(read_bytes(ticker.program_file("URL-List.txt")),
                         f"地域ニュース\t{url}\t3\r\n".encode("cp932"))
        self.wait_ticker_shows(ticker, "new-feed")
        articles = ticker.article_page()
        self.assertEqual([title for _, title, _ in articles], [title for title, _ in items])
        # The lookup fetched the feed and kept it; the cycle after OK read that copy, not the server.
        requests, _ = loopback.nginx_requests(before)
        self.assertEqual([r["path"] for r in requests], ["/dialog/local.xml"])

    def test_font_and_transparency_show_while_open_and_cancel_restores_them(self):
        url = loopback.write_rss("dialog/page.xml", [("東京で初雪を観測", "http://news.example/1")])
        # Page mode: the one article stands still, so screenshots compare pixel by pixel.
        ticker = self.start("settings_dialog_cancel", [("毎朝ニュース", url, 10)], {"scrollf": 0})
        before = self.wait_ticker_shows(ticker, "before")
        time.sleep(1.5)
        before = ticker.screenshot("before")
        settings_file = read_bytes(ticker.program_file("Newsroller.ini"))
        text_before = ticker.band_columns(before, (TEXT2,))
        self.assertEqual(self.probe.opacity(), 255)

        self.open_dialog(ticker)
        faces = self.probe.items(DIALOG, FONT_FACE)
        self.assertIn(("ＭＳ Ｐゴシック", True), faces)
        self.assertFalse([f for f, _ in faces if f.startswith("@")])
        self.probe.select(DIALOG, FONT_FACE, [f for f, _ in faces].index("ＭＳ ゴシック"))
        # Five clicks on the upper arrow of the transparency's up-down control.
        left, top, right, bottom = self.probe.rect(DIALOG, TRANSPARENCY_SPIN)
        for _ in range(5):
            ticker.click(left + (right - left) // 2, top + 3)
        self.assertEqual(self.probe.text(DIALOG, TRANSPARENCY), "5")
        alpha = ticker.wait_for(lambda: self.probe.opacity() == 250 - 45, 10)
        self.assertTrue(alpha, f"opacity {self.probe.opacity()} while the dialog is open")
        changed = ticker.screenshot("fixed-pitch-face")
        self.assertNotEqual(ticker.band_columns(changed, (TEXT2,)), text_before,
                            f"the title looks the same in another face: {changed.path}")

        self.click_control(ticker, CANCEL)
        self.assertTrue(self.dialog_gone(ticker))
        self.assertTrue(ticker.wait_for(lambda: self.probe.opacity() == 255, 10), "opacity not restored")
        time.sleep(1.5)
        after = ticker.screenshot("after-cancel")
        self.assertEqual(ticker.band_columns(after, (TEXT2,)), text_before,
                         f"{after.path} does not show the title as {before.path} did")
        self.assertEqual(read_bytes(ticker.program_file("Newsroller.ini")), settings_file)

    def test_an_interval_of_zero_minutes_becomes_five(self):
        ticker = self.start("settings_dialog_interval", [])
        self.open_dialog(ticker)
        self.type_into(ticker, UPTIMER, 2, "0")
        self.assertEqual(self.probe.text(DIALOG, UPTIMER), "0")
        self.click_control(ticker, OK)
        box = ticker.message_box("自動修正")
        self.assertIsNotNone(box, "no 自動修正 message")
        self.assertEqual(self.probe.message("自動修正"), "更新頻度は5分未満に出来ません。\n5分に変更されました。")
        ticker.screenshot("corrected")
        self.assertTrue(ticker.dismiss(box))
        self.assertTrue(self.dialog_gone(ticker))
        self.assertIsNone(ticker.message_box("自動修正", timeout=2), "the message came twice")
        self.assertEqual(ticker.settings()[b"uptimer"], b"5")

    def test_a_total_over_2000_keeps_the_dialog_open_and_the_list_keys_edit_it(self):
        feeds = [("一", loopback.http_url("feed.xml"), 1000), ("二", loopback.http_url("atom.xml"), 1000),
                 ("三", loopback.http_url("feed.xml?3"), 0)]
        ticker = self.start("settings_dialog_total", feeds)
        list_file = read_bytes(ticker.program_file("URL-List.txt"))
        self.open_dialog(ticker)
        self.assertEqual(self.probe.text(DIALOG, TOTAL), "2000件")

        # Alt+Down and Delete come through the accelerator table while the list has the focus.
        self.click_control(ticker, FEEDS, dx=30, dy=8)  # the first line
        self.assertEqual(self.probe.text(DIALOG, SITE), "一")
        ticker.keys("alt+Down")
        self.assertEqual([t for t, _ in self.probe.items(DIALOG, FEEDS)], ["（1000）二", "（1000）一", "（0）三"])
        ticker.keys("Delete")
        self.assertEqual(self.probe.items(DIALOG, FEEDS), [("（1000）二", False), ("（0）三", True)])
        self.assertEqual(self.probe.text(DIALOG, SITE), "三")
        # In an edit field the Delete key deletes text, not a feed.
        self.click_control(ticker, SITE)
        ticker.keys("Home", "Delete")
        self.assertEqual(self.probe.text(DIALOG, SITE), "")
        self.assertEqual(len(self.probe.items(DIALOG, FEEDS)), 2)

        self.type_into(ticker, SITE, 0, "san")
        self.type_into(ticker, MAXIMUM, 1, "1001")
        self.click_control(ticker, CHANGE)
        self.assertEqual(self.probe.text(DIALOG, TOTAL), "2001件")
        self.click_control(ticker, OK)
        box = ticker.message_box("件数超過")
        self.assertIsNotNone(box, "no 件数超過 message")
        self.assertEqual(self.probe.message("件数超過"), "合計最大記事数は2000件以下にしてください。\n現在2001件あります。")
        ticker.screenshot("too-many")
        self.assertTrue(ticker.dismiss(box))
        time.sleep(0.5)
        self.assertTrue(ticker.find_windows(f"^{DIALOG}$"), "the dialog closed")
        self.assertEqual(read_bytes(ticker.program_file("URL-List.txt")), list_file)
        self.click_control(ticker, CANCEL)
        self.assertTrue(self.dialog_gone(ticker))
        self.assertEqual(read_bytes(ticker.program_file("URL-List.txt")), list_file)

    def focused(self, title=DIALOG):
        window = probe.wait_window(self.probe.ticker, title, timeout=5)
        return window["focus_id"] if window else None

    def tab(self, ticker, count, shift=False):
        ticker.keys(*(["shift+Tab" if shift else "Tab"] * count), delay=0.08)

    def test_every_setting_can_be_changed_from_the_keyboard_and_keys_stay_in_their_window(self):
        feeds = [("一", loopback.http_url("feed.xml"), 5), ("二", loopback.http_url("atom.xml"), 5)]
        ticker = self.start("settings_dialog_keyboard", feeds)
        dialog = self.open_dialog(ticker)
        # Keys go where the pointer is (no window manager): rest it on the dialog's caption area.
        ticker.move(dialog.x + 20, dialog.y + 4)
        ticker.focus(dialog.id)
        self.assertEqual(self.focused(), WINX)
        # Speed and transparency: reached by Tab, changed with the arrow keys.
        self.tab(ticker, TAB_ORDER.index(SPEED))
        self.assertEqual(self.focused(), SPEED)
        speed = int(self.probe.text(DIALOG, SPEED))
        ticker.keys("Down", "Down", "Down")
        self.assertEqual(self.probe.text(DIALOG, SPEED), str(speed - 3))
        self.tab(ticker, TAB_ORDER.index(TRANSPARENCY) - TAB_ORDER.index(SPEED))
        self.assertEqual(self.focused(), TRANSPARENCY)
        ticker.keys(*["Up"] * 5)
        self.assertEqual(self.probe.text(DIALOG, TRANSPARENCY), "5")
        self.assertTrue(ticker.wait_for(lambda: self.probe.opacity() == 250 - 45, 10), "no preview")

        # The first line selected with the arrow key; the list buttons follow the selection.
        self.tab(ticker, TAB_ORDER.index(FEEDS) - TAB_ORDER.index(TRANSPARENCY))
        ticker.keys("Down")
        self.assertEqual(self.probe.items(DIALOG, FEEDS), [("（5）一", True), ("（5）二", False)])
        for button in (UP, DELETE, DOWN):
            self.assertTrue(self.probe.control(DIALOG, button)["enabled"], button)
        # Alt+Down on the font list opens that list; it does not move the selected feed.
        self.tab(ticker, TAB_ORDER.index(FEEDS) - TAB_ORDER.index(FONT_FACE), shift=True)
        self.assertEqual(self.focused(), FONT_FACE)
        ticker.keys("alt+Down")
        ticker.keys("alt+Up")
        self.assertEqual([t for t, _ in self.probe.items(DIALOG, FEEDS)], ["（5）一", "（5）二"])
        # Delete typed on the ticker is the ticker's: the selected feed stays.
        ticker.move(ticker.client_x + 100, ticker.client_y + 5)
        ticker.focus(ticker.window.id)
        ticker.keys("Delete")
        self.assertEqual(len(self.probe.items(DIALOG, FEEDS)), 2)

        # A new feed typed in and added, then one colour, then OK with the Enter key.
        ticker.move(dialog.x + 20, dialog.y + 4)
        ticker.focus(dialog.id)
        self.assertEqual(self.focused(), FONT_FACE)
        # From the font list to the site name: past the list's three enabled buttons.
        self.tab(ticker, TAB_ORDER.index(SITE) - TAB_ORDER.index(FONT_FACE) + 3)
        self.assertEqual(self.focused(), SITE)
        ticker.keys("ctrl+a")
        ticker.xdotool("type", "--delay", "30", "mittsu")
        self.tab(ticker, 2)
        self.assertEqual(self.focused(), URL)
        ticker.keys("ctrl+a")
        ticker.xdotool("type", "--delay", "20", loopback.http_url("feed.xml?3"))
        self.tab(ticker, 1)
        ticker.keys("ctrl+a")
        ticker.xdotool("type", "7")
        self.tab(ticker, 1)  # Add, enabled by the typing (the total field is passed over)
        self.assertEqual(self.focused(), ADD)
        ticker.keys("space")
        self.assertEqual(self.probe.items(DIALOG, FEEDS)[-1], ("（7）mittsu", True))
        self.assertEqual(self.probe.text(DIALOG, TOTAL), "17件")
        # "追加" disabled itself: the focus is on the list, which shows the new line.
        self.assertEqual(self.focused(), FEEDS)
        self.tab(ticker, 9)  # past Up, Delete, Down, the four fields and the selected colour
        self.assertEqual(self.focused(), RED)
        red = int(self.probe.text(DIALOG, RED_VALUE).split()[1])
        ticker.keys(*["Right"] * 10)
        self.assertEqual(self.probe.text(DIALOG, RED_VALUE), f"R {red + 10}")
        ticker.keys("Return")
        self.assertTrue(self.dialog_gone(ticker), "Enter did not take OK")

        settings = ticker.settings()
        self.assertEqual(settings[b"disptimer"], str(11 - (speed - 3)).encode())
        self.assertEqual(settings[b"toumeido"], b"250")
        self.assertEqual(settings[b"backR"], str(red + 10).encode())
        self.assertEqual(read_bytes(ticker.program_file("URL-List.txt")),
                         loopback.feed_list(feeds + [("mittsu", loopback.http_url("feed.xml?3"), 7)]))

    def test_ok_with_list_edits_during_a_cycle_starts_it_again_with_the_new_list(self):
        # A slow feed (about 8 s), so that the dialog acts while the cycle waits on it.
        slow = loopback.fault_url("/drip?chunks=16&interval=0.5")
        second = loopback.write_rss("dialog/second.xml", [("古い記事", "http://old.example/1")], when=1577836800)
        ticker = self.start("settings_dialog_during_fetch", [("遅いサイト", slow, 5), ("二番目", second, 5)])
        # The fault server's articles are from 2025 and the second feed's from 2020: nothing to show
        # once the first cycle is over.
        time.sleep(12)
        self.open_dialog(ticker)
        rects = {c: self.probe.rect(DIALOG, c) for c in (FEEDS, DELETE, OK)}
        fault_before = loopback.fault_log_size()
        # A click on the empty ticker starts a cycle; the dialog stays open and usable meanwhile.
        ticker.click(ticker.client_x + 300, ticker.client_y + 10)
        self.assertTrue(ticker.wait_for(lambda: loopback.fault_requests(fault_before)[0], 10), "no cycle started")
        ticker.click(rects[FEEDS][0] + 30, rects[FEEDS][1] + 24)  # the second line
        ticker.click(*centre(rects[DELETE]))
        self.assertEqual(self.probe.items(DIALOG, FEEDS), [("（5）遅いサイト", True)])
        nginx_before, fault_at_ok = loopback.nginx_log_size(), loopback.fault_log_size()
        ticker.click(*centre(rects[OK]))
        # OK is taken at once: no "作業中" box, the list written, the cycle started again with it.
        self.assertTrue(self.dialog_gone(ticker), "OK during the cycle left the dialog open")
        self.assertIsNone(ticker.message_box("作業中", 2), "OK with list edits was refused during the cycle")
        self.assertEqual(read_bytes(ticker.program_file("URL-List.txt")),
                         loopback.feed_list([("遅いサイト", slow, 5)]))
        self.assertTrue(ticker.wait_for(lambda: loopback.fault_requests(fault_at_ok)[0], 20),
                        "the cycle was not started again")
        time.sleep(2)
        self.assertEqual(loopback.nginx_requests(nginx_before)[0], [], "the deleted feed was asked after OK")


if __name__ == "__main__":
    unittest.main()
