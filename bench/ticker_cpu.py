#!/usr/bin/env python3
"""CPU use of the scrolling ticker: Newsroller.exe under Wine and Xvfb at the default settings, 200
articles (four loopback feeds of 50 with today's date), its CPU time (user + system, from
/proc/<pid>/stat of the Linux process that runs Newsroller.exe) over a measuring period once the band
fills the window. The wineserver of the private prefix, which every window and GDI call of the
program reaches, is measured beside it.

    bench/ticker_cpu.py [--seconds 60] [--json FILE]

Needs the Windows build (build/windows/Newsroller.exe) and the loopback servers (scripts/bench starts
them; run by hand, tests/e2e/loopback.py starts them when their variables are missing).
"""
import argparse
import json
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "e2e"))

import loopback  # noqa: E402
from harness import Ticker  # noqa: E402

FEEDS, PER_FEED = 4, 50


def wineserver_pid(prefix):
    """The wineserver whose WINEPREFIX is ours (other prefixes may have their own)."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/comm") as f:
                if not f.read().startswith("wineserver"):
                    continue
            with open(f"/proc/{entry}/environ", "rb") as f:
                if f"WINEPREFIX={prefix}".encode() in f.read().split(b"\0"):
                    return int(entry)
        except OSError:
            continue
    return None


def start_floor(ticker):
    """Starts the floor program (bench/windows/timer_floor_win.cpp) under the ticker's Wine; returns
    the Popen and the pid of the Linux process that runs it."""
    exe = os.path.join(os.environ.get("NEWSROLLER_BUILD", os.path.join(HERE, "..", "build")), "windows", "bench",
                       "windows", "timer_floor.exe")
    log = open(os.path.join(ticker.folder, "floor.log"), "wb")
    process = subprocess.Popen(["wine", exe], env=ticker.env, stdout=log, stderr=subprocess.STDOUT,
                               start_new_session=True)
    deadline = time.time() + 20
    while time.time() < deadline:
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                if os.getsid(int(entry)) != process.pid:
                    continue
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    if b"timer_floor.exe" in f.read():
                        return process, int(entry)
            except OSError:
                continue
        time.sleep(0.2)
    return process, None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--json")
    args = parser.parse_args()

    feeds = []
    for f in range(FEEDS):
        items = [(f"第{f + 1}面の記事その{i + 1}、東京で新しい出来事がありました", f"http://news{f}.example/{i}")
                 for i in range(PER_FEED)]
        feeds.append((f"新聞{f + 1}", loopback.write_rss(f"bench/cpu{f}.xml", items), PER_FEED))
    with Ticker("bench_cpu", files={"URL-List.txt": loopback.feed_list(feeds)}) as ticker:
        if ticker.wait_for_band() is None:
            print("the band did not appear", file=sys.stderr)
            return 1
        pid = ticker.program_pid()
        server = wineserver_pid(ticker.env["WINEPREFIX"])
        # The floor runs beside the ticker over the same period, under the same Wine and X server.
        floor, floor_pid = start_floor(ticker)
        if floor_pid is None:
            print("the floor program did not start", file=sys.stderr)
            return 1
        time.sleep(3)
        start = time.time()
        ticker_before = Ticker.cpu_seconds(pid)
        floor_before = Ticker.cpu_seconds(floor_pid)
        server_before = Ticker.cpu_seconds(server) if server else None
        first = ticker.band_columns(ticker.screenshot("start"))
        time.sleep(args.seconds)
        elapsed = time.time() - start
        ticker_cpu = Ticker.cpu_seconds(pid) - ticker_before
        floor_cpu = Ticker.cpu_seconds(floor_pid) - floor_before
        os.killpg(floor.pid, 9)
        floor.wait()
        server_cpu = Ticker.cpu_seconds(server) - server_before if server else None
        last = ticker.band_columns(ticker.screenshot("end"))
        if not any(last) or last == first:
            print("the band was not scrolling during the measurement", file=sys.stderr)
            return 1
        with open(os.path.join(ticker.folder, "program", "Newsroller.ini"), "rb") as f:
            scrolling = b"scrollf=1\r\n" in f.read()

    result = {
        "seconds": round(elapsed, 1),
        "articles": FEEDS * PER_FEED,
        "scroll_mode": scrolling,
        "ticker_cpu_seconds": round(ticker_cpu, 2),
        "ticker_cpu_percent": round(100 * ticker_cpu / elapsed, 2),
        "floor_cpu_seconds": round(floor_cpu, 2),
        "floor_cpu_percent": round(100 * floor_cpu / elapsed, 2),
        "ratio_to_floor": round(ticker_cpu / floor_cpu, 2) if floor_cpu > 0 else None,
        "wineserver_cpu_percent": None if server_cpu is None else round(100 * server_cpu / elapsed, 2),
    }
    if args.json:
        with open(args.json, "w") as f:
            json.dump(result, f)
    for key, value in result.items():
        print(key, value)
    return 0


if __name__ == "__main__":
    sys.exit(main())
