"""The schedule window and the task editor from outside: opened from the menu and by the gesture, a
task added through the calendar and the time fields, edited and deleted with schedule.dat following
each step, a new task's alert blinking in the ticker, the time check's messages, and the window's
size kept in Newsroller.ini. Texts of edit fields and message boxes are read with window_probe.exe
(probe.py); rows are read from screenshots.
"""
import datetime
import time
import unittest

import probe
from harness import BACK, MENU_SCHEDULE, TEXT2, Ticker, read_bytes, runs

SCHEDULE, EDITOR, INPUT_ERROR = "スケジュール", "編集", "入力エラー"
MENU_ADD, MENU_EDIT, MENU_DELETE = range(3)  # popup menu 127
HEADER, DATE, HOUR, MINUTE, TEXT = 500, 1048, 1045, 1046, 1047
MARGIN = 36
TODAY_FILL, PAST_FILL, WHITE = (255, 255, 192), (255, 192, 192), (255, 255, 255)
CALENDAR_BLUE = (50, 150, 250)  # the month calendar's title, weekday and selection colour under Wine


def record(day, text, hour=0, minute=0, weekday=-1, no_time=0):
    return f"{day.year},{day.month},{day.day},{hour},{minute},{no_time},{weekday},\r\n{text}\r\n".encode("cp932")


def date_field(day):
    return f"{day.year:04d}/{day.month:02d}/{day.day:02d}"


def is_text(p):
    """Black or blue glyph pixels, not the fills, the white or the dotted lines (64, 128, 192)."""
    return p[0] < 100 and p[1] < 100


class ScheduleTest(unittest.TestCase):
    def start(self, name, schedule=b"", settings=None):
        files = {"schedule.dat": schedule} if schedule else {}
        if settings:
            files["Newsroller.ini"] = "".join(f"{k}={v}\r\n" for k, v in settings.items()).encode("ascii")
        ticker = Ticker(name, files=files)
        self.addCleanup(ticker.close)
        return ticker

    def schedule_file(self, ticker):
        return read_bytes(ticker.program_file("schedule.dat")) or b""

    # ---- The schedule window ----------------------------------------------------------------

    def open_schedule(self, ticker):
        ticker.choose_menu_item(MENU_SCHEDULE)
        window = probe.wait_window(ticker, SCHEDULE)
        self.assertIsNotNone(window, "スケジュール opened no window")
        return window

    def client(self, window):
        """The client area's top-left corner on the screen and the header's height: the header lies at
        the top of the client area, 36 pixels right of its left edge."""
        rect = probe.control(window, HEADER)["rect"]
        return rect[0] - MARGIN, rect[1], rect[3] - rect[1]

    def rows(self, ticker, window, label):
        """The rows drawn in the window: (fill colour at the row's left, width of the task column's
        text) from top to bottom, and the screenshot."""
        left, top, header = self.client(window)
        right, bottom = window["rect"][2] - 6, window["rect"][3] - 6
        shot = ticker.screenshot(label)
        task_left = left + MARGIN + 111 + 62
        lines = [sum(1 for x in range(left + MARGIN + 2, right) if is_text(shot.pixel(x, y)))
                 for y in range(top + header + 1, bottom)]
        found = []
        for start, end in runs(lines, max_gap=2):
            y0, y1 = top + header + 1 + start, top + header + 1 + end
            columns = [sum(1 for y in range(y0, y1) if is_text(shot.pixel(x, y))) for x in range(task_left, right)]
            extent = [i for i, n in enumerate(columns) if n]
            width = extent[-1] - extent[0] + 1 if extent else 0
            found.append((shot.pixel(left + MARGIN + 3, (y0 + y1) // 2), width, (y0 + y1) // 2))
        return found, shot

    def wait_rows(self, ticker, window, count, label):
        """The rows once `count` of them are drawn (a redraw may still be on its way)."""
        deadline = time.time() + 5
        while True:
            rows, shot = self.rows(ticker, window, label)
            if len(rows) == count or time.time() > deadline:
                return rows, shot
            time.sleep(0.2)

    def choose(self, ticker, window, y, item):
        """Right-clicks the list at screen y and chooses item `item` of the popup menu."""
        left, _, _ = self.client(window)
        before = {w.id for w in ticker.visible_windows()}
        ticker.click(left + 150, y, button=3)
        menu = ticker.wait_for(lambda: ticker._new_untitled(before), timeout=5)
        self.assertIsNotNone(menu, "no popup menu on the schedule window")
        ticker.focus(ticker.find_windows("^" + SCHEDULE + "$")[0].id)
        ticker.keys(*(["Down"] * (item + 1)), "Return")

    def close_schedule(self, ticker):
        """Escape, routed to the modeless window by the message loop."""
        x_window = ticker.find_windows("^" + SCHEDULE + "$")[0]
        ticker.move(x_window.x + 150, x_window.y + 100)
        ticker.focus(x_window.id)
        ticker.keys("Escape")
        self.assertTrue(probe.wait_window(ticker, SCHEDULE, gone=True), "Escape left the schedule window open")

    # ---- The editor -------------------------------------------------------------------------

    def editor(self, ticker, focus=HOUR):
        editor = ticker.wait_for(lambda: [w for w in probe.windows(ticker, EDITOR) if w["focus_id"] == focus])
        self.assertTrue(editor, f"no editor with the focus in control {focus}: {probe.windows(ticker, EDITOR)}")
        return editor[0]

    def type_into_editor(self, ticker, *keys, focus_after):
        x_window = ticker.find_windows("^" + EDITOR + "$")[0]
        ticker.focus(x_window.id)
        ticker.keys(*keys)
        return self.editor(ticker, focus_after)

    def click_date(self, ticker, editor, day):
        """Clicks `day` (today or later, in the month shown or the next) in the month calendar: the
        weekday names give the columns, the week numbers the rows, the filled cell today's place."""
        calendar = probe.controls_of_class(editor, "SysMonthCal32")[0]["rect"]
        shot = ticker.screenshot("calendar")
        left, top, right, bottom = calendar
        blue = [sum(1 for x in range(left, right) if shot.pixel(x, y) == CALENDAR_BLUE) for y in range(top, bottom)]
        title_end = max(i for i, n in enumerate(blue) if n > (right - left) // 2) + 1
        names = runs([n if i >= title_end else 0 for i, n in enumerate(blue)])[0]
        name_rows = range(top + names[0], top + names[1])
        columns = [sum(1 for y in name_rows if shot.pixel(x, y) == CALENDAR_BLUE) for x in range(left, right)]
        centres_x = [left + (a + b) // 2 for a, b in runs(columns, max_gap=8)]
        self.assertEqual(7, len(centres_x), f"weekday names at {centres_x} in {shot.path}")
        pitch_x = (centres_x[-1] - centres_x[0]) // 6
        week_column = range(left, centres_x[0] - pitch_x // 2)
        rows = [sum(1 for x in week_column if shot.pixel(x, y) == CALENDAR_BLUE) for y in range(top, bottom)]
        centres_y = [top + (a + b) // 2 for a, b in runs(rows, max_gap=3) if a > names[1]]
        self.assertGreaterEqual(len(centres_y), 5, f"week numbers at {centres_y} in {shot.path}")
        filled = [(r, c) for r, y in enumerate(centres_y) for c, x in enumerate(centres_x)
                  if shot.pixel(x - pitch_x // 3, y) == CALENDAR_BLUE]
        self.assertEqual(1, len(filled), f"selected cells {filled} in {shot.path}")
        cell = filled[0][0] * 7 + filled[0][1] + (day - datetime.date.today()).days
        ticker.click(centres_x[cell % 7], centres_y[cell // 7])

    def add_task(self, ticker, window, y, day, hour, minute, text):
        self.choose(ticker, window, y, MENU_ADD)
        editor = self.editor(ticker)  # the first paint put the focus into the hour field
        if day != datetime.date.today():
            self.click_date(ticker, editor, day)
        editor = self.editor(ticker)
        self.assertEqual(date_field(day), probe.control(editor, DATE)["text"])
        # Two typed digits move the focus on: hour, minute, then the task text.
        self.type_into_editor(ticker, *f"{hour:02d}", focus_after=MINUTE)
        self.type_into_editor(ticker, *f"{minute:02d}", focus_after=TEXT)
        ticker.xdotool("type", "--delay", "40", text)
        ticker.keys("Return")
        self.assertTrue(probe.wait_window(ticker, EDITOR, gone=True), "OK left the editor open")

    # ---- Tests ------------------------------------------------------------------------------

    def test_a_task_is_added_edited_and_deleted_and_the_file_follows(self):
        today = datetime.date.today()
        day = datetime.timedelta(days=1)
        seeded = (record(today - day, "x", 9, 0) + record(today, "yy yy", 8, 15) +
                  record(today + 7 * day, "zzzzzzzzzzzzzzzzzzzzzzzz", 10, 0))
        ticker = self.start("schedule_edit", seeded)
        window = self.open_schedule(ticker)
        rows, shot = self.rows(ticker, window, "opened")
        self.assertEqual([PAST_FILL, TODAY_FILL, WHITE], [r[0] for r in rows], shot.path)

        self.add_task(ticker, window, rows[-1][2], today + day, 15, 30, "meeting at ten")
        tomorrow = record(today + day, "meeting at ten", 15, 30)
        self.assertTrue(ticker.wait_for(lambda: tomorrow in self.schedule_file(ticker)), self.schedule_file(ticker))
        self.assertEqual(seeded[:-len(record(today + 7 * day, "zzzzzzzzzzzzzzzzzzzzzzzz", 10, 0))] + tomorrow +
                         record(today + 7 * day, "zzzzzzzzzzzzzzzzzzzzzzzz", 10, 0), self.schedule_file(ticker))
        # The new row is the third, white, between today's and next week's; text widths tell the rows.
        rows, shot = self.wait_rows(ticker, window, 4, "added")
        self.assertEqual([PAST_FILL, TODAY_FILL, WHITE, WHITE], [r[0] for r in rows], shot.path)
        widths = [r[1] for r in rows]
        self.assertTrue(widths[0] < widths[1] < widths[2] < widths[3], f"{widths} in {shot.path}")

        # 編集 shows the task in every field; a new time moves it in the file.
        self.choose(ticker, window, rows[2][2], MENU_EDIT)
        editor = self.editor(ticker)
        self.assertEqual(("15", "30", "meeting at ten", date_field(today + day)),
                         tuple(probe.control(editor, i)["text"] for i in (HOUR, MINUTE, TEXT, DATE)))
        self.type_into_editor(ticker, "1", "6", focus_after=MINUTE)
        self.type_into_editor(ticker, "4", "5", focus_after=TEXT)
        ticker.keys("Return")
        self.assertTrue(probe.wait_window(ticker, EDITOR, gone=True))
        edited = record(today + day, "meeting at ten", 16, 45)
        self.assertTrue(ticker.wait_for(lambda: edited in self.schedule_file(ticker)), self.schedule_file(ticker))
        self.assertNotIn(tomorrow, self.schedule_file(ticker))

        # 削除 removes it: the file holds the three seeded tasks again.
        self.choose(ticker, window, rows[2][2], MENU_DELETE)
        self.assertTrue(ticker.wait_for(lambda: self.schedule_file(ticker) == seeded), self.schedule_file(ticker))
        rows, shot = self.wait_rows(ticker, window, 3, "deleted")
        self.assertEqual([PAST_FILL, TODAY_FILL, WHITE], [r[0] for r in rows], shot.path)

    def test_a_task_due_in_two_minutes_blinks_in_the_ticker(self):
        ticker = self.start("schedule_alert")
        window = self.open_schedule(ticker)
        _, top, header = self.client(window)
        due = datetime.datetime.now() + datetime.timedelta(minutes=2)
        self.add_task(ticker, window, top + header + 40, due.date(), due.hour, due.minute, "call back")
        self.assertIn(record(due.date(), "call back", due.hour, due.minute), self.schedule_file(ticker))
        self.close_schedule(ticker)
        # The alert line alternates text 2 on the back colour and the back colour on text 2.
        cx, cy = ticker.client_x, ticker.client_y
        seen = {}
        deadline = time.time() + 20
        while len(seen) < 2 and time.time() < deadline:
            shot = ticker.screenshot("alert")
            background = shot.pixel(cx + 10, cy + 10)
            if background in (BACK, TEXT2) and background not in seen:
                seen[background] = shot
            time.sleep(0.07)
        self.assertEqual({BACK, TEXT2}, set(seen), f"backgrounds seen: {list(seen)}")
        middle = (cx + 150, cy + 2, cx + ticker.client_width - 150, cy + 20)
        self.assertGreater(seen[BACK].count(TEXT2, *middle), 60, seen[BACK].path)

    def test_hour_25_and_minute_61_are_reported_twice_and_the_editor_stays(self):
        before = record(datetime.date.today(), "keep", 23, 59)
        ticker = self.start("schedule_bad_time", before)
        window = self.open_schedule(ticker)
        _, top, header = self.client(window)
        self.choose(ticker, window, top + header + 40, MENU_ADD)
        self.editor(ticker)
        self.type_into_editor(ticker, "2", "5", focus_after=MINUTE)
        self.type_into_editor(ticker, "6", "1", focus_after=TEXT)
        ticker.keys("x", "Return")
        for n in range(2):
            box = probe.wait_window(ticker, INPUT_ERROR)
            self.assertIsNotNone(box, f"message {n + 1} did not come")
            self.assertEqual("時刻が不正です。", probe.message_text(box))
            ticker.screenshot(f"message-{n + 1}")
            self.assertTrue(ticker.dismiss(ticker.message_box(INPUT_ERROR)), "the message box stayed")
        time.sleep(1)
        self.assertEqual([], probe.windows(ticker, INPUT_ERROR), "a third message came")
        editor = probe.wait_window(ticker, EDITOR)
        self.assertIsNotNone(editor, "the editor closed")
        self.assertEqual(("25", "61", "x"), tuple(probe.control(editor, i)["text"] for i in (HOUR, MINUTE, TEXT)))
        # Cancelled: nothing was added (the file is written again all the same).
        ticker.focus(ticker.find_windows("^" + EDITOR + "$")[0].id)
        ticker.keys("Escape")
        self.assertTrue(probe.wait_window(ticker, EDITOR, gone=True))
        self.assertEqual(before, self.schedule_file(ticker))

    def test_the_gesture_opens_the_window_and_its_size_comes_back(self):
        ticker = self.start("schedule_size", settings={"mousesche": 1, "schecx": 520, "schecy": 340})
        y = ticker.client_y + 8
        ticker.move(ticker.client_x + 560, y)
        ticker.sweep(y, range(ticker.client_x + 540, ticker.client_x + 300, -20))
        window = probe.wait_window(ticker, SCHEDULE)
        self.assertIsNotNone(window, "the leftward sweep opened no schedule window")
        left, top, right, bottom = window["rect"]
        self.assertEqual((520, 340), (right - left, bottom - top))
        # A second sweep while it is open opens no other one.
        ticker.move(ticker.client_x + 560, y)
        ticker.sweep(y, range(ticker.client_x + 540, ticker.client_x + 300, -20))
        time.sleep(1)
        self.assertEqual(1, len(probe.windows(ticker, SCHEDULE)))

        self.assertTrue(probe.resize(ticker, window, 610, 370))
        ticker.wait_for(lambda: probe.wait_window(ticker, SCHEDULE)["rect"][2] - left == 610)
        self.close_schedule(ticker)
        settings = ticker.settings()
        self.assertEqual((b"610", b"370"), (settings[b"schecx"], settings[b"schecy"]))
        # The second sweep's gesture is still armed: a rightward move ends it before the menu is used.
        ticker.move(ticker.client_x + 560, y)
        window = self.open_schedule(ticker)
        left, top, right, bottom = window["rect"]
        self.assertEqual((610, 370), (right - left, bottom - top))
        ticker.screenshot("reopened")
        # The header follows the new width, 36 pixels in from the left.
        header = probe.control(window, HEADER)["rect"]
        self.assertLessEqual(abs(header[2] - (right - 4)), 4, f"header {header} in window {window['rect']}")


if __name__ == "__main__":
    unittest.main()
