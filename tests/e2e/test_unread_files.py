"""A file the program could not read is never overwritten blindly: Newsroller.ini held open without
sharing by another program (an editor, a virus scanner, a backup) while the ticker starts. The
ticker says which file it could not read and where it will keep it, starts with the defaults, and
the first update cycle keeps the user's file as Newsroller.ini.bak before it writes its own."""
import os
import subprocess
import threading
import unittest

import loopback
from harness import BUILD, Ticker, read_bytes
from test_settings_file import settings_text

HELPER = os.path.join(BUILD, "windows", "e2e_helper.exe")
BOX_TITLE = "OPEN ERROR"


def windows_path(path):
    """The path of a host file as Wine programs see it (the host's root is drive Z:)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class UnreadFileTest(unittest.TestCase):
    def helper(self, ticker, *args, log="helper.log"):
        """Starts e2e_helper.exe under the ticker's Wine; its output goes to a file in the test's folder."""
        out = open(os.path.join(ticker.folder, log), "wb")
        self.addCleanup(out.close)
        return subprocess.Popen(["wine", HELPER, *args], cwd=ticker.folder, env=ticker.env, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.STDOUT, start_new_session=True)

    def box_text(self, ticker, title):
        path = os.path.join(ticker.folder, "box.txt")
        self.assertEqual(self.helper(ticker, "boxtext", title, windows_path(path), log="boxtext.log").wait(60), 0,
                         f"no message box titled {title}")
        with open(path, encoding="utf-8") as f:
            return f.read()

    def test_settings_held_open_at_start_are_kept_before_the_first_cycle_replaces_them(self):
        url = loopback.write_rss("unread/news.xml", [("保存の記事", "http://news.example/unread/1")])
        user = settings_text(width=800, fsize=24, backR=0, backG=0, backB=0)
        ticker = Ticker("unread_settings_held", start=False,
                        files={"Newsroller.ini": user, "URL-List.txt": loopback.feed_list([("速報", url, 10)])})
        self.addCleanup(ticker.close)
        ini = ticker.program_file("Newsroller.ini")
        backup = ini + ".bak"
        held, release = os.path.join(ticker.folder, "held"), os.path.join(ticker.folder, "release")

        holder = self.helper(ticker, "hold", windows_path(ini), windows_path(held), windows_path(release), "120")
        self.assertTrue(ticker.wait_for(lambda: os.path.exists(held), 30), "the helper could not hold the file")

        # The ticker's window appears once the message has been answered.
        starting = threading.Thread(target=ticker.start, kwargs={"timeout": 90}, daemon=True)
        starting.start()
        box = ticker.message_box(BOX_TITLE, 40)
        self.assertIsNotNone(box, "no message about the settings file")
        ticker.screenshot("held-message")
        text = self.box_text(ticker, BOX_TITLE)
        self.assertTrue(text.startswith("Newsroller.ini"), text)
        self.assertIn("ほかのプログラムが使用", text)
        self.assertIn("「Newsroller.ini.bak」", text)
        self.assertEqual(read_bytes(ini), user)
        self.assertFalse(os.path.exists(backup))

        # The other program lets the file go; the user answers the message.
        with open(release, "wb"):
            pass
        self.assertEqual(holder.wait(30), 0)
        self.assertTrue(ticker.dismiss(box), "the message box did not close")
        starting.join(90)
        self.assertIsNotNone(ticker.window, "the ticker window did not appear")
        self.assertEqual(ticker.window.width, 600, "the defaults are in force")

        # The end of the first cycle writes the settings: the user's file is kept first.
        self.assertTrue(ticker.wait_for(lambda: read_bytes(ini) not in (None, user), 60), "the first cycle did not end")
        self.assertEqual(read_bytes(backup), user)
        self.assertEqual(ticker.settings()[b"width"], b"600")
        self.assertEqual(ticker.quit(), 0)
        self.assertEqual(read_bytes(backup), user)
        self.assertEqual(sorted(os.listdir(ticker.program)),
                         ["Newsroller.exe", "Newsroller.ini", "Newsroller.ini.bak", "URL-List.txt", "cache"])


if __name__ == "__main__":
    unittest.main()
