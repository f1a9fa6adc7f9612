#!/usr/bin/env python3
"""Makes the README's and the guide's pictures in docs/: the scrolling ticker (ticker-scrolling.png),
its right-click menu over the scrolling headlines (ticker-menu.png), the settings dialog with every
control (settings-dialog.png) and, when the program has one, the chooser that "RSSから読み込む"
opens for a page with several feeds (feed-chooser.png): real screenshots of Newsroller.exe under
Wine on a private Xvfb screen, reading feeds with Japanese headlines from the loopback nginx.

    tools/readme_screenshot.py [--docs docs]

The chooser is looked for as a new top-level window of the program after "RSSから読み込む" on a page
that links two feeds; a build without it leaves feed-chooser.png alone and says so.

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


def save_crop(ticker, shot, out, x, y, width, height):
    crop = os.path.join(ticker.folder, os.path.basename(out))
    shot.crop(crop, x, y, width, height)
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    shutil.copyfile(crop, out)
    print(f"{out}: {width} x {height} from {shot.path}")


def menu_over_headlines(ticker, out):
    """The right-click menu opened while the headlines scroll, with the ticker above it."""
    menu = ticker.open_menu()
    if menu is None:
        print("the popup menu did not open", file=sys.stderr)
        return False
    time.sleep(0.3)
    shot = ticker.screenshot("menu")
    bottom = min(shot.height, menu.y + menu.height + 4)
    save_crop(ticker, shot, out, ticker.client_x, ticker.client_y, ticker.client_width, bottom - ticker.client_y)
    ticker.focus(ticker.window.id)
    ticker.keys("Escape")
    return ticker.wait_window_gone(menu.id)


def feed_chooser(ticker, window, out):
    """"RSSから読み込む" on a page that links two feeds; the new window it opens, if any, is the chooser.
    Closed again with Escape (its ｷｬﾝｾﾙ)."""
    feeds = [loopback.write_rss(f"readme/site/{name}.xml", items) for name, items in
             (("news", FEEDS[0][1]), ("sports", FEEDS[1][1]))]
    links = "".join(f'<link rel="alternate" type="application/rss+xml" title="{title}" href="{url}">\n'
                    for title, url in zip(("毎朝ニュース 速報", "毎朝ニュース スポーツ"), feeds))
    with open(loopback.www_path("readme/site/index.html"), "w", encoding="utf-8") as f:
        f.write(f"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>毎朝ニュース</title>\n{links}"
                "</head><body>毎朝ニュース</body></html>\n")
    before = {w.id for w in ticker.visible_windows()}
    probe.set_text(ticker, probe.control(window, 1010), loopback.http_url("readme/site/"))  # "URL"
    probe.click(ticker, probe.control(window, 1041))  # "RSSから読み込む"
    chooser = ticker.wait_for(lambda: [w for w in ticker.visible_windows() if w.id not in before], 15)
    if not chooser:
        print(f"no feed chooser in this build: {out} is left as it is")
        return
    time.sleep(0.5)
    shot = ticker.screenshot("feed-chooser")
    w = chooser[0]
    save_crop(ticker, shot, out, w.x, w.y, w.width, w.height)
    ticker.focus(w.id)
    ticker.keys("Escape")
    ticker.wait_window_gone(w.id)


def settings_dialog(ticker, out, chooser_out):
    """Opens "設定", selects the first feed and the colour "テキスト１", and saves the dialog's window;
    then the feed chooser. Without a window manager Wine draws no title bar: the picture starts at the
    dialog's client area."""
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
    # The address a user sees for a real feed, not the loopback server's (the dialog is not saved).
    probe.set_text(ticker, probe.control(window, 1010), "https://maiasa.example/rss/news.xml")
    ticker.move(dialog.x + dialog.width + 40, dialog.y + 40)  # the pointer off the dialog
    time.sleep(0.5)
    shot = ticker.screenshot("settings-dialog")
    save_crop(ticker, shot, out, dialog.x, dialog.y, dialog.width, dialog.height)
    feed_chooser(ticker, window, chooser_out)
    return True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--docs", default=os.path.join(ROOT, "docs"), help="where the pictures go")
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
            save_crop(ticker, shot, os.path.join(args.docs, "ticker-scrolling.png"), ticker.client_x,
                      ticker.client_y, ticker.client_width, ticker.client_height)
            if not menu_over_headlines(ticker, os.path.join(args.docs, "ticker-menu.png")):
                return 1
            if not settings_dialog(ticker, os.path.join(args.docs, "settings-dialog.png"),
                                   os.path.join(args.docs, "feed-chooser.png")):
                return 1
    finally:
        if own_servers:
            subprocess.call([sys.executable, os.path.join(ROOT, "tests", "servers", "servers.py"), "stop", "--dir",
                             own_servers], stdout=subprocess.DEVNULL)
    return 0


if __name__ == "__main__":
    sys.exit(main())
