#!/usr/bin/env python3
"""Makes docs/ticker-scrolling.png and docs/settings-dialog.png, the README's pictures of the scrolling
ticker and of its settings dialog: real screenshots of Newsroller.exe under Wine on a private Xvfb
screen, reading feeds with Japanese headlines from the loopback nginx.

    tools/readme_screenshot.py [--out docs/ticker-scrolling.png] [--dialog-out docs/settings-dialog.png]

Needs the Windows build (build/windows/Newsroller.exe; scripts/run or scripts/test builds it), and
the packages scripts/lib/env.sh installs. Starts the loopback servers when they are not running and
stops them again afterwards. The program folder and every screenshot taken stay in
build/e2e/readme_screenshot/.
"""
import argparse
import os
import shutil
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import harness  # noqa: E402
import loopback  # noqa: E402
from harness import MENU_SETTINGS, TEXT1, TEXT2, Ticker, runs  # noqa: E402
import probe  # noqa: E402

# Invented sites and headlines, dated today when they are written.
FEEDS = [
    ("毎朝ニュース", [
        ("東京で初雪を観測、平年より十日早く", "http://maiasa.example/news/1"),
        ("新しい駅ビルが来春開業へ　地下通路で直結", "http://maiasa.example/news/2"),
    ]),
    ("スポーツ日報", [
        ("将棋名人戦の第三局は千日手で指し直しに", "http://sports.example/shogi/3"),
    ]),
    ("テック通信", [
        ("国産の小型衛星、打ち上げに成功", "http://tech.example/space/1"),
        ("省エネ家電の買い替え補助、申請の受付が始まる", "http://tech.example/life/2"),
    ]),
]


def servers_answer():
    port = os.environ.get("NEWSROLLER_HTTP_PORT")
    if not port:
        return False
    try:
        with socket.create_connection(("127.0.0.1", int(port)), timeout=1):
            return True
    except OSError:
        return False


def start_servers():
    """Uses running loopback servers, or starts private ones; returns their folder to stop, or None."""
    env_file = os.path.join(loopback.SERVERS_DIR, "servers.env")
    if not os.environ.get("NEWSROLLER_HTTP_PORT") and os.path.exists(env_file):
        loopback.ensure_servers()  # reads the variables of servers started earlier
    if servers_answer():
        return None
    folder = os.path.join(harness.BUILD, "readme-servers")
    subprocess.check_call([sys.executable, os.path.join(ROOT, "tests", "servers", "servers.py"), "start", "--dir",
                           folder], stdout=subprocess.DEVNULL)
    with open(os.path.join(folder, "servers.env")) as f:
        for line in f:
            if line.startswith("export ") and "=" in line:
                name, value = line[len("export "):].strip().split("=", 1)
                os.environ[name] = value.strip("'\"")
    return folder


def good_frame(ticker, shot):
    """The band reaches across the window, with a whole site marker followed by its title."""
    columns = ticker.band_columns(shot)
    text = [i for i, n in enumerate(columns) if n]
    if not text or text[0] > 10 or text[-1] < ticker.client_width - 20:
        return False
    markers = runs(ticker.band_columns(shot, (TEXT1,)), max_gap=6)
    titles = runs(ticker.band_columns(shot, (TEXT2,)), max_gap=12)
    return any(40 < start and end < ticker.client_width / 2 and any(t[0] >= end for t in titles)
               for start, end in markers)


def settings_dialog(ticker, out):
    """Opens "設定", selects the first feed and the colour "テキスト１", and saves the dialog's window.
    Without a window manager Wine draws no title bar: the picture starts at the dialog's client area."""
    ticker.choose_menu_item(MENU_SETTINGS)
    dialog = ticker.wait_window("^設定$", 10)
    if dialog is None:
        print("the settings dialog did not open", file=sys.stderr)
        return False
    window = probe.wait_window(ticker, "設定")
    left, top, right, bottom = probe.control(window, 1008)["rect"]  # the feed list: its first line
    ticker.click(left + 40, top + 8)
    left, top, right, bottom = probe.control(window, 1021)["rect"]  # "テキスト１"
    ticker.click(left + 6, (top + bottom) // 2)
    ticker.move(dialog.x + dialog.width + 40, dialog.y + 40)  # the pointer off the dialog
    time.sleep(0.5)
    shot = ticker.screenshot("settings-dialog")
    crop = os.path.join(ticker.folder, "settings-dialog.png")
    shot.crop(crop, dialog.x, dialog.y, dialog.width, dialog.height)
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    shutil.copyfile(crop, out)
    print(f"{out}: {dialog.width} x {dialog.height} from {shot.path}")
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", default=os.path.join(ROOT, "docs", "ticker-scrolling.png"))
    parser.add_argument("--dialog-out", default=os.path.join(ROOT, "docs", "settings-dialog.png"))
    parser.add_argument("--timeout", type=float, default=60)
    args = parser.parse_args()
    if not os.path.exists(harness.EXE):
        print(f"{harness.EXE} is missing: build it first (scripts/run or scripts/test)", file=sys.stderr)
        return 2
    # A private X server: nothing of a real desktop can cover the ticker.
    os.environ.pop("DISPLAY", None)

    own_servers = start_servers()
    try:
        entries = []
        for n, (site, items) in enumerate(FEEDS):
            entries.append((site, loopback.write_rss(f"readme/feed{n}.xml", items), 10))
        with Ticker("readme_screenshot", files={"URL-List.txt": loopback.feed_list(entries)}) as ticker:
            deadline = time.time() + args.timeout
            while True:
                shot = ticker.screenshot("band")
                if good_frame(ticker, shot):
                    break
                if time.time() > deadline:
                    print(f"no frame with the band across the window within {args.timeout:.0f} s; last: {shot.path}",
                          file=sys.stderr)
                    return 1
                time.sleep(0.25)
            crop = os.path.join(ticker.folder, "ticker-scrolling.png")
            shot.crop(crop, ticker.client_x, ticker.client_y, ticker.client_width, ticker.client_height)
            os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
            shutil.copyfile(crop, args.out)
            print(f"{args.out}: {ticker.client_width} x {ticker.client_height} from {shot.path}")
            if not settings_dialog(ticker, args.dialog_out):
                return 1
    finally:
        if own_servers:
            subprocess.call([sys.executable, os.path.join(ROOT, "tests", "servers", "servers.py"), "stop", "--dir",
                             own_servers], stdout=subprocess.DEVNULL)
    return 0


if __name__ == "__main__":
    sys.exit(main())
