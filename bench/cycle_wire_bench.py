#!/usr/bin/env python3
"""One update cycle over 100 feeds served by nginx on loopback, run by the real Newsroller.exe under
Wine, timed from outside, and the bytes it costs on the wire.

The cycle handles one feed per tick of 60 ms, so 100 feeds take at least 100 ticks: 6 s. The cycle is
timed from nginx's first request of the cycle (seen in its access log, which is polled every few
milliseconds) to the moment Newsroller.ini is written with the new conditional header, which is the
last thing the cycle does. The feeds are served with nginx's default for If-Modified-Since (exact:
304 only to the file's own date). Two kinds of cycle are run:
  cold: the first start in a fresh folder, every feed answered in full (200) and written to the cache;
  warm: "RSSを更新する" afterwards, every feed unchanged (304) and read from its cache file.
Memory is the Windows process's peak resident set (VmHWM in /proc) after the cycles.

Bytes on the wire are nginx's $bytes_sent (headers and bodies) summed over a cycle's requests,
against the documents' total size. Before: every feed in full and uncompressed, which is what every
cycle cost against this server while one stamp for all feeds was sent (never a feed's own date). After:
the warm cycle, each feed asked since its cache copy's date; and a cold cycle in a second fresh
folder with the same feeds served compressed (gzip on).

    bench/cycle_bench.py [--build BUILD] [--feeds 100] [--warm 3] [--json FILE]
The loopback servers must be running (scripts/bench starts them).
"""
import argparse
import json
import os
import statistics
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
TICK_SECONDS = 0.060
DEFAULT_STAMP = b"If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT"


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--feeds", type=int, default=100)
    parser.add_argument("--items", type=int, default=10, help="articles per feed")
    parser.add_argument("--warm", type=int, default=3, help="warm cycles to run")
    parser.add_argument("--json", help="write the figures here as JSON")
    return parser.parse_args()


args = parse_args()
os.environ["NEWSROLLER_BUILD"] = os.path.abspath(args.build)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import loopback  # noqa: E402
from harness import MENU_UPDATE, Ticker  # noqa: E402

TOPICS = ["政治", "経済", "国際", "社会", "科学", "文化", "スポーツ", "天気", "地域", "技術"]


def write_feeds(count, items):
    """count feeds of `items` articles each, dated today, last changed an hour ago; the feed list
    entries for them as nginx serves them with its default (exact) and compressed, and the
    documents' total size in bytes."""
    an_hour_ago = time.time() - 3600
    exact, compressed, total = [], [], 0
    for n in range(count):
        topic = TOPICS[n % len(TOPICS)]
        articles = [(f"{topic}の話題 第{n + 1}報の{k + 1}：関係者が記者会見で今後の見通しを説明",
                     f"http://news.example/{n:03d}/{k:02d}.html") for k in range(items)]
        path = f"bench/cycle/feed-{n:03d}.xml"
        loopback.write_rss(path, articles, mtime=an_hour_ago)
        total += os.path.getsize(loopback.www_path(path))
        site = f"{topic}ニュース{n + 1:03d}"
        exact.append((site, loopback.http_url("exact/" + path), items))
        compressed.append((site, loopback.http_url("gzip/" + path), items))
    return exact, compressed, total


def windows_process(ticker):
    """The pid of the Wine process that runs Newsroller.exe (Wine keeps the exe's name in its
    command line), or None."""
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                cmdline = f.read().split(b"\0")
            with open(f"/proc/{pid}/environ", "rb") as f:
                environ = f.read().split(b"\0")
        except OSError:
            continue
        if any(arg.endswith(b"Newsroller.exe") for arg in cmdline) and \
                ("WINEPREFIX=" + ticker.env["WINEPREFIX"]).encode() in environ:
            return int(pid)
    return None


def status_kib(pid, field):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return None


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def stamp(ticker):
    """The conditional header in Newsroller.ini, which the end of every cycle sets anew (a cycle of
    these lasts longer than the header's one-second resolution)."""
    settings = ticker.settings()
    return settings.get(b"ifmodified", DEFAULT_STAMP) if settings else DEFAULT_STAMP


def time_cycle(ticker, feeds, start_cycle, timeout=120):
    """Runs one cycle (start_cycle() begins it) and returns its figures, timed from outside."""
    log = os.environ["NEWSROLLER_NGINX_LOG"]
    since = loopback.nginx_log_size()
    before = stamp(ticker)
    pid = windows_process(ticker)
    # A cycle that starts the program counts the CPU time of its start-up as well.
    cpu_before = cpu_seconds(pid) if pid else 0.0
    # The cycle may be under way before start_cycle() returns (the program's start waits for the
    # window): poll from here while another thread starts it.
    starter = threading.Thread(target=start_cycle)
    starter.start()
    first = end = None
    deadline = time.time() + timeout
    while time.time() < deadline:
        now = time.perf_counter()
        if first is None and os.path.getsize(log) > since:
            first = now
        if stamp(ticker) != before:
            end = now
            break
        time.sleep(0.002)
    starter.join()
    if first is None or end is None:
        raise SystemExit("the cycle did not end in time")
    requests, _ = loopback.nginx_requests(since)
    statuses = sorted({r["status"] for r in requests})
    pid = pid or windows_process(ticker)
    return {
        "seconds": end - first,
        "requests": len(requests),
        "statuses": statuses,
        "bytes_sent": sum(r["bytes_sent"] for r in requests),
        "cpu_seconds": cpu_seconds(pid) - cpu_before if pid else None,
    }


def main():
    loopback.ensure_servers()
    feeds, compressed_feeds, documents = write_feeds(args.feeds, args.items)
    ticker = Ticker("bench_cycle", files={"URL-List.txt": loopback.feed_list(feeds)}, start=False)
    try:
        cold = time_cycle(ticker, feeds, ticker.start)
        ticker.wait_for(lambda: False, 1.0)  # let the display settle before the menu is used
        warm = [time_cycle(ticker, feeds, lambda: ticker.choose_menu_item(MENU_UPDATE)) for _ in range(args.warm)]
        pid = windows_process(ticker)
        peak = status_kib(pid, "VmHWM") if pid else None
        rss = status_kib(pid, "VmRSS") if pid else None
        articles = len(ticker.article_page())
    finally:
        ticker.close()
    compressed_ticker = Ticker("bench_cycle_gzip", files={"URL-List.txt": loopback.feed_list(compressed_feeds)},
                               start=False)
    try:
        compressed = time_cycle(compressed_ticker, compressed_feeds, compressed_ticker.start)
    finally:
        compressed_ticker.close()

    floor = args.feeds * TICK_SECONDS
    figures = {"feeds": args.feeds, "articles": articles, "floor_seconds": floor, "cold": cold, "warm": warm,
               "compressed_cold": compressed, "documents_bytes": documents, "peak_rss_kib": peak, "rss_kib": rss}
    if args.json:
        with open(args.json, "w") as f:
            json.dump(figures, f, indent=2)

    print()
    print(f"Update cycle over {args.feeds} feeds on loopback nginx ({articles} articles), Newsroller.exe under Wine")
    print(f"  floor: {args.feeds} ticks of {TICK_SECONDS * 1000:.0f} ms = {floor:.2f} s. Timed from the first request "
          f"to the settings file written,")
    print(f"  which spans {args.feeds - 1} tick intervals (the cycle's first tick reads the feed list and "
          f"requests nothing).")
    print(f"  {'cycle':<26} {'time':>8} {'ratio':>7} {'per feed':>9} {'requests':>9}  statuses  cpu of the process")

    def row(name, run):
        cpu = f"{run['cpu_seconds']:.2f} s" if run["cpu_seconds"] is not None else "?"
        per_feed = run["seconds"] / max(1, args.feeds - 1) * 1000
        print(f"  {name:<26} {run['seconds']:>6.2f} s {run['seconds'] / floor:>6.2f}x {per_feed:>6.1f} ms "
              f"{run['requests']:>9}  {','.join(map(str, run['statuses'])):<9} {cpu}")

    row("cold (200, cache write)*", cold)
    for n, run in enumerate(warm, 1):
        row(f"warm {n} (304, cache read)", run)
    print("  * the first start: its cpu includes the program's start-up under Wine")
    if warm:
        median = statistics.median(run["seconds"] for run in warm)
        print(f"  warm median {median:.2f} s, ratio {median / floor:.2f}x")
    if peak is not None:
        print(f"  peak memory of the Newsroller.exe process: {peak / 1024:.1f} MiB (VmHWM), now {rss / 1024:.1f} MiB")
    else:
        print("  peak memory: the Newsroller.exe process was not found")

    print()
    print(f"Bytes on the wire for one cycle over {args.feeds} feeds (nginx's $bytes_sent: headers and bodies); "
          f"the documents total {documents} bytes")

    def wire(name, run):
        print(f"  {name:<66} {run['bytes_sent']:>9} bytes {run['bytes_sent'] / documents:>7.1%}  "
              f"statuses {','.join(map(str, run['statuses']))}")

    wire("before: every feed in full, uncompressed, in every cycle", cold)
    if warm:
        wire("after: the next cycle, each feed asked since its copy's date", warm[0])
    wire("after: a first cycle, compressed (gzip on)", compressed)
    ok = all(run["requests"] == args.feeds for run in [cold, compressed] + warm)
    if not ok:
        print("  the cycles did not request every feed exactly once")
    # The figures only mean what they say when each cycle was answered as intended.
    answered = cold["statuses"] == [200] and compressed["statuses"] == [200] and \
        all(run["statuses"] == [304] for run in warm)
    if not answered:
        print("  a cycle was not answered as intended (200 for the first cycles, 304 for the next)")
    return 0 if ok and answered else 1


if __name__ == "__main__":
    sys.exit(main())
