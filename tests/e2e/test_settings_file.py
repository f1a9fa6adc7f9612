"""Newsroller.ini from outside: the file a first start writes, a hand-written file shaping the
window, and the window position written back when the program ends."""
import time
import unittest

from harness import BACK, FRAME, FRAME_X, FRAME_Y, TEXT1, Ticker, read_bytes

# Every key in the order the program writes them, with its default.
DEFAULTS = [
    ("winX", "230"), ("winY", "0"), ("width", "600"), ("schecx", "400"), ("schecy", "300"), ("xmove", "100"),
    ("scrollf", "1"), ("backR", "112"), ("backG", "112"), ("backB", "96"), ("rectR", "188"), ("rectG", "188"),
    ("rectB", "82"), ("text1R", "255"), ("text1G", "222"), ("text1B", "119"), ("text2R", "248"),
    ("text2G", "246"), ("text2B", "192"), ("upday", "2"), ("wintop", "1"), ("mousesche", "0"), ("fsize", "18"),
    ("uptimer", "90"), ("ifmodified", "If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT"),
    ("fontface", "ＭＳ Ｐゴシック"), ("ftype", "700"), ("scrolldiv", "5"), ("toumeido", "300"), ("alerttime", "3"),
    ("disptimer", "2"), ("savepos", "1"),
    # A key of this program's own, after every key older copies write.
    ("hoverstop", "0"),
]


def settings_text(**changes):
    """The file the program writes for the defaults with `changes`: Shift_JIS, CR LF."""
    unknown = set(changes) - {key for key, _ in DEFAULTS}
    assert not unknown, unknown
    return "".join(f"{key}={changes.get(key, value)}\r\n" for key, value in DEFAULTS).encode("cp932")


class SettingsFileTest(unittest.TestCase):
    def start(self, name, files=None):
        ticker = Ticker(name, files=files, start=False)
        self.addCleanup(ticker.close)
        ticker.start()
        return ticker

    def test_first_start_writes_every_default_in_order(self):
        ticker = self.start("settings_first_start")
        path = ticker.program_file("Newsroller.ini")
        written = ticker.wait_for(lambda: read_bytes(path), 10)
        self.assertEqual(len(DEFAULTS), 33)
        self.assertEqual(written.split(b"\r\n")[0], b"winX=230")
        self.assertEqual(written, settings_text())
        # With no feed list there is no cycle to end, so nothing rewrites the file until the program
        # ends; then the unmoved window's position is the default one again.
        self.assertEqual(ticker.quit(), 0)
        self.assertEqual(read_bytes(path), settings_text())

    def test_hand_written_file_shapes_the_window_and_the_moved_position_is_saved_on_quit(self):
        # Any order, a key in capitals, an unknown key: the file is searched key by key.
        hand_written = b"width=800\r\nbackR=0\r\nbackG=0\r\nbackB=0\r\nWINX=300\r\nwinY=200\r\ncolour=blue\r\nfsize=24\r\n"
        ticker = self.start("settings_hand_written", {"Newsroller.ini": hand_written})
        w = ticker.window
        self.assertEqual((w.x, w.y, w.width, w.height), (300 - FRAME_X, 200 - FRAME_Y, 800, 24 + 9))
        # Loading does not rewrite a file that exists.
        self.assertEqual(read_bytes(ticker.program_file("Newsroller.ini")), hand_written)

        shot = ticker.screenshot("black-800")
        cx, cy = ticker.client_x, ticker.client_y
        inner_w, inner_h = 800 - 2 * FRAME_X, 24 + 9 - 2 * FRAME_Y
        shot.crop(f"{ticker.folder}/black-800-strip.png", cx - FRAME_X, cy - FRAME_Y, 800, 24 + 9)
        # The frame runs round the 794 x 27 client area; inside it the background is black, not the
        # default colour, and the status text is drawn at the left.
        for x, y in ((cx, cy + 12), (cx + inner_w - 1, cy + 12), (cx + 400, cy), (cx + 400, cy + inner_h - 1),
                     (cx + 700, cy), (cx + 700, cy + inner_h - 1)):
            self.assertEqual(shot.pixel(x, y), FRAME, f"frame at {x},{y}")
        right = (cx + 300, cy + 1, cx + inner_w - 1, cy + inner_h - 1)
        self.assertEqual(shot.count((0, 0, 0), *right), (right[2] - right[0]) * (right[3] - right[1]))
        self.assertEqual(shot.count(BACK, cx, cy, cx + inner_w, cy + inner_h), 0)
        self.assertGreater(shot.count(TEXT1, cx + 1, cy + 1, cx + 300, cy + inner_h - 1), 40)

        # Drag the window elsewhere (three movements with the button down start the drag).
        x, y = cx + 500, cy + 10
        ticker.move(x, y)
        ticker.xdotool("mousedown", "1")
        time.sleep(0.2)
        for step in range(1, 4):
            ticker.move(x + 2 * step, y + step)
        ticker.move(x + 100, y + 150)
        ticker.move(x + 160, y + 240)
        ticker.xdotool("mouseup", "1")
        time.sleep(0.5)
        moved = ticker.refresh()
        self.assertGreater(moved.y - w.y, 150, "the drag did not move the window")
        ticker.screenshot("moved")

        self.assertEqual(ticker.quit(), 0)
        # Every key is written, in order: the hand-written values, the defaults for the rest, and
        # the client area's new position.
        self.assertEqual(read_bytes(ticker.program_file("Newsroller.ini")),
                         settings_text(winX=moved.x + FRAME_X, winY=moved.y + FRAME_Y, width=800, backR=0, backG=0,
                                       backB=0, fsize=24))


if __name__ == "__main__":
    unittest.main()
