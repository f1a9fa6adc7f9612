"""One copy per program folder: a second start from the folder of a running ticker brings that ticker
forward (back into its place, as a click on its tray icon does), touches no file and ends with 0; a
copy in another folder runs beside it."""
import os
import subprocess
import time
import unittest

import package_test
from harness import Ticker


def start_copy(ticker, log):
    """Another `wine Newsroller.exe` in the ticker's program folder, its output in the file `log`."""
    with open(os.path.join(ticker.folder, log), "wb") as out:
        return subprocess.Popen(["wine", "Newsroller.exe"], cwd=ticker.program, env=ticker.env,
                                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)


class SingleCopyTest(unittest.TestCase):
    def test_second_start_from_the_same_folder_brings_the_first_forward_and_ends_with_0(self):
        ticker = Ticker("single_copy/same_folder")
        self.addCleanup(ticker.close)
        first = ticker.window
        # The first cycle (no feeds) has ended and written its files.
        self.assertTrue(ticker.wait_for(lambda: os.path.exists(ticker.program_file("URL-List.txt")), 10))
        time.sleep(2)
        ticker.xdotool("windowmove", str(first.id), "500", "400")
        self.assertTrue(ticker.wait_for(lambda: ticker.refresh().x == 500, 5), "the ticker was not moved away")
        before = package_test.tree(ticker.program, None)

        self.assertEqual(start_copy(ticker, "second-copy.log").wait(30), 0)
        self.assertTrue(ticker.wait_for(lambda: (ticker.refresh().x, ticker.window.y) == (first.x, first.y), 5),
                        f"the running ticker stayed at {ticker.window}")
        ticker.screenshot("after-second-start")
        self.assertEqual([w.id for w in ticker.find_windows("^Newsroller$")], [first.id])
        self.assertEqual(package_test.tree(ticker.program, None), before, "the second copy touched the folder")
        self.assertEqual(ticker.quit(), 0)

    def test_a_copy_in_another_folder_runs_beside_it(self):
        one = Ticker("single_copy/one", start=False)
        # Placed lower, so that the menu of the first is not opened on the second.
        other = Ticker("single_copy/other", start=False, files={"Newsroller.ini": b"winX=230\r\nwinY=300\r\n"})
        self.addCleanup(other.close)
        self.addCleanup(one.close)
        one.start()
        process = start_copy(other, "wine-output.log")
        self.assertTrue(one.wait_for(lambda: len(one.find_windows("^Newsroller$")) == 2, 20),
                        "no second ticker from the other folder")
        self.assertTrue(one.wait_for(lambda: os.path.exists(other.program_file("URL-List.txt")), 10))
        one.screenshot("two-folders")
        self.assertIsNone(process.poll(), "the copy in the other folder ended")
        self.assertEqual(one.quit(), 0)
        self.assertEqual(len(one.find_windows("^Newsroller$")), 1)
        process.kill()


if __name__ == "__main__":
    unittest.main()
