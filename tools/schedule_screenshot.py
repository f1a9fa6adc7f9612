#!/usr/bin/env python3
"""Makes docs/schedule-window.png, the README's picture of the schedule window: a real screenshot of
Newsroller.exe under Wine on a private Xvfb screen, with a schedule.dat written for the picture
(yesterday's task on a light red row, today's on light yellow rows, a weekly task, a text too long
for its column ending in "...") and the window opened from the ticker's menu.

    tools/schedule_screenshot.py [--out docs/schedule-window.png]

Needs the Windows build (build/windows/Newsroller.exe and window_probe.exe). The program folder and
the screenshots stay in build/e2e/schedule_screenshot/.
"""
import argparse
import datetime
import os
import shutil
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import harness  # noqa: E402
import probe  # noqa: E402
from harness import MENU_SCHEDULE, Ticker  # noqa: E402

LONG_TEXT = ("来週の大阪出張に向けて、新幹線の指定席とホテルを予約し、先方に訪問の日時を連絡して、"
             "見積書と提案資料を印刷しておく")


def schedule_text():
    today = datetime.date.today()
    day = datetime.timedelta(days=1)

    def record(when, text, hour=0, minute=0, weekday=-1, no_time=0):
        return f"{when.year},{when.month},{when.day},{hour},{minute},{no_time},{weekday},\r\n{text}\r\n"

    # Out of time order on purpose: the window sorts what it loads.
    text = (record(today, "歯医者の予約", 14, 0) + record(today - day, "月次報告を提出する", 18, 0) +
            record(today, "朝会", 9, 30) + record(today, "牛乳を買って帰る", no_time=1) +
            record(today + day, LONG_TEXT, 10, 0) + record(today + 2 * day, "英会話教室", 19, 0, weekday=3) +
            record(today + 6 * day, "町内会の清掃", 8, 0))
    return text.encode("cp932")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", default=os.path.join(ROOT, "docs", "schedule-window.png"))
    args = parser.parse_args()
    for needed in (harness.EXE, probe.PROBE):
        if not os.path.exists(needed):
            print(f"{needed} is missing: build it first (scripts/run or scripts/test)", file=sys.stderr)
            return 2
    os.environ.pop("DISPLAY", None)  # a private X server: nothing of a real desktop in the picture
    files = {"schedule.dat": schedule_text(), "Newsroller.ini": b"schecx=840\r\nschecy=230\r\n"}
    with Ticker("schedule_screenshot", files=files) as ticker:
        ticker.choose_menu_item(MENU_SCHEDULE)
        window = probe.wait_window(ticker, "スケジュール")
        if window is None:
            print("the schedule window did not open", file=sys.stderr)
            return 1
        time.sleep(1.0)
        # The client area: the header lies at its top, 36 pixels in; the frame is 4 pixels wide.
        header = probe.control(window, 500)["rect"]
        left, top = header[0] - 36, header[1]
        right, bottom = window["rect"][2] - 4, window["rect"][3] - 4
        # Park the pointer on the ticker, out of the picture.
        ticker.move(ticker.client_x + 590, ticker.client_y + 5)
        shot = ticker.screenshot("schedule")
        crop = os.path.join(ticker.folder, "schedule-window.png")
        shot.crop(crop, left, top, right - left, bottom - top)
        os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
        shutil.copyfile(crop, args.out)
        print(f"{args.out}: {right - left} x {bottom - top} from {shot.path}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
