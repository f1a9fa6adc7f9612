"""A file the program could not read is never overwritten blindly: Newsroller.ini held open without
sharing by another program (an editor, a virus scanner, a backup) while the ticker starts. The
ticker says which file it could not read and where it will keep it and starts with the defaults;
once the file is free, the first write reads it again and takes the user's values instead of
keeping it as Newsroller.ini.bak and writing the defaults over it."""
import os
import threading
import unittest

import loopback
import probe
from harness import Ticker, read_bytes
from test_settings_file import settings_text

BOX_TITLE = "OPEN ERROR"


class UnreadFileTest(unittest.TestCase):
    def test_settings_held_open_at_start_are_taken_by_the_first_write_once_free(self):
        url = loopback.write_rss("unread/news.xml", [("保存の記事", "http://news.example/unread/1")])
        user = settings_text(width=800, fsize=24, backR=0, backG=0, backB=0)
        ticker = Ticker("unread_settings_held", start=False,
                        files={"Newsroller.ini": user, "URL-List.txt": loopback.feed_list([("速報", url, 10)])})
        self.addCleanup(ticker.close)
        ini = ticker.program_file("Newsroller.ini")
        backup = ini + ".bak"
        release = probe.hold(ticker, ini)

        # The ticker's window appears once the message has been answered.
        starting = threading.Thread(target=ticker.start, kwargs={"timeout": 90}, daemon=True)
        starting.start()
        box = ticker.message_box(BOX_TITLE, 40)
        self.assertIsNotNone(box, "no message about the settings file")
        ticker.screenshot("held-message")
        text = probe.message_text(probe.wait_window(ticker, BOX_TITLE))
        self.assertTrue(text.startswith("Newsroller.ini"), text)
        self.assertIn("ほかのプログラムが使用", text)
        self.assertIn("「Newsroller.ini.bak」", text)
        self.assertEqual(read_bytes(ini), user)
        self.assertFalse(os.path.exists(backup))

        # The other program lets the file go; the user answers the message.
        self.assertEqual(release(), 0)
        self.assertTrue(ticker.dismiss(box), "the message box did not close")
        starting.join(90)
        self.assertIsNotNone(ticker.window, "the ticker window did not appear")

        # The defaults are in force until the end of the first cycle (soon: one feed on this machine)
        # writes the settings: the file is read again and its values taken, with nothing more said;
        # the ticker takes the user's size.
        self.assertTrue(ticker.wait_for(lambda: read_bytes(ini) not in (None, user), 60), "the first cycle did not end")
        self.assertFalse(os.path.exists(backup))
        settings = ticker.settings()
        self.assertEqual((settings[b"width"], settings[b"fsize"], settings[b"backR"]), (b"800", b"24", b"0"))
        self.assertTrue(ticker.wait_for(lambda: ticker.refresh().width == 800, 10), "the window kept its size")
        ticker.screenshot("taken")
        self.assertFalse(probe.windows(ticker, BOX_TITLE))
        self.assertEqual(ticker.quit(), 0)
        self.assertEqual(sorted(os.listdir(ticker.program)), ["Newsroller.exe", "Newsroller.ini", "URL-List.txt", "cache"])
        self.assertEqual(ticker.settings()[b"width"], b"800")


if __name__ == "__main__":
    unittest.main()
