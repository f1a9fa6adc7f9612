"""The first start of scripts/run: the demo list of corpus feeds, served by the loopback nginx, shows
Japanese headlines at once; the list is rewritten for a new port only while it is untouched."""
import os
import subprocess
import sys
import unittest

import loopback
from harness import ROOT, Ticker, read_bytes

DEMO = os.path.join(ROOT, "scripts", "lib", "demo_feeds.py")


def demo(command, program, marker, *extra):
    """Runs demo_feeds.py; (exit code, output)."""
    result = subprocess.run([sys.executable, DEMO, command, "--program", program, "--marker", marker, *extra],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=60)
    return result.returncode, result.stdout.strip()


class FirstStartTest(unittest.TestCase):
    def test_demo_feeds_scroll_at_once(self):
        ticker = Ticker("first_start", start=False)
        self.addCleanup(ticker.close)
        marker = os.path.join(ticker.folder, "demo-list.txt")
        www, port = loopback.www_path(""), os.environ["NEWSROLLER_HTTP_PORT"]
        self.assertEqual(demo("status", ticker.program, marker), (0, "new"))
        self.assertEqual(demo("install", ticker.program, marker, "--www", www, "--port", port), (0, "4"))
        self.assertEqual(demo("status", ticker.program, marker), (0, "demo"))

        ticker.start()
        shot = ticker.wait_for_band(min_columns=300, timeout=60, label="demo")
        self.assertIsNotNone(shot, "no headlines scrolled")
        articles = ticker.article_page()
        self.assertEqual(len(articles), 5 + 5 + 5 + 3)  # five of each feed; the fourth has three
        self.assertEqual({site for site, _, _ in articles},
                         {"エルエル（デモ）", "ぬる風呂（デモ）", "AZ::Blog はんなり、あずき色のウェブログ☆（デモ）",
                          "sampleの日記（デモ）"})
        self.assertIn("ゲーム三昧な正月", [title for _, title, _ in articles])
        # Nothing went wrong on the way: no message box is open.
        self.assertEqual([w for w in ticker.visible_windows() if ticker.window_name(w.id) not in
                          ("", "Newsroller", "Wine System Tray", None)], [])

    def test_only_an_untouched_demo_list_is_rewritten(self):
        folder = os.path.join(loopback.BUILD, "e2e", "first_start_list")
        program, marker = os.path.join(folder, "program"), os.path.join(folder, "demo-list.txt")
        os.makedirs(program, exist_ok=True)
        for stale in (marker, os.path.join(program, "URL-List.txt")):
            if os.path.exists(stale):
                os.remove(stale)
        www = loopback.www_path("")
        demo("install", program, marker, "--www", www, "--port", "4001")
        # Another port next time: the untouched list follows it.
        self.assertEqual(demo("install", program, marker, "--www", www, "--port", "4002")[0], 0)
        listed = read_bytes(os.path.join(program, "URL-List.txt"))
        self.assertIn(b"127.0.0.1:4002/demo/", listed)
        self.assertNotIn(b":4001/", listed)

        # A list the user changed (here: one more line) is neither rewritten nor emptied.
        changed = listed + "自分のサイト\thttp://127.0.0.1:4002/demo/chardet__10e.org.xml\t3\r\n".encode("cp932")
        with open(os.path.join(program, "URL-List.txt"), "wb") as f:
            f.write(changed)
        self.assertEqual(demo("status", program, marker), (0, "user"))
        self.assertEqual(demo("install", program, marker, "--www", www, "--port", "4003")[0], 1)
        self.assertEqual(demo("empty", program, marker)[0], 1)
        self.assertEqual(read_bytes(os.path.join(program, "URL-List.txt")), changed)

        # --empty on the untouched demo list gives an empty list, which is then the user's.
        with open(os.path.join(program, "URL-List.txt"), "wb") as f:
            f.write(listed)
        self.assertEqual(demo("empty", program, marker)[0], 0)
        self.assertEqual(read_bytes(os.path.join(program, "URL-List.txt")), b"")
        self.assertEqual(demo("status", program, marker), (0, "user"))


if __name__ == "__main__":
    unittest.main()
