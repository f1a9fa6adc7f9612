#!/usr/bin/env python3
"""The demo feed list of scripts/run: a few Japanese feeds of tests/corpus, served by the loopback
nginx (tests/servers/servers.py), so that a first start shows headlines without any network.

    demo_feeds.py status  --program DIR --marker FILE
        prints "new" (no URL-List.txt), "demo" (the demo list as written, untouched) or "user"
    demo_feeds.py install --program DIR --marker FILE --www DIR --port N
        copies the demo feeds into nginx's folder and writes URL-List.txt naming them on port N;
        refuses (exit code 1) unless the status is "new" or "demo"
    demo_feeds.py serve   --program DIR --marker FILE --www DIR
        only copies the demo feeds into nginx's folder (for a user's list that still names some)
    demo_feeds.py empty   --program DIR --marker FILE
        replaces a missing or untouched demo list by an empty one (refused for a user's list)

The marker file keeps the exact bytes of the demo list last written. A list that differs from it
(written or edited by the user, in the settings dialog or by hand) is never touched.

The copies lose their date elements: the program dates an article without a date today, so the
years-old corpus articles are shown as today's news."""
import argparse
import os
import re
import shutil
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CORPUS = os.path.join(ROOT, "tests", "corpus", "feeds")
LIST = "URL-List.txt"
# (corpus file, encoding, maximum of articles)
FEEDS = [
    ("chardet__10e.org.xml", "cp932", 5),
    ("chardet__aivy.co.jp.xml", "euc_jp", 5),
    ("chardet__overcube.com.xml", "euc_jp", 5),
    ("plagger__hatena-rss.xml", "utf-8", 5),
]
DATES = re.compile(rb"<(dc:date|pubDate|issued|modified|created|updated|published)\b[^>]*>.*?</\1>", re.S)
TITLE = re.compile(rb"<title[^>]*>(.*?)</title>", re.S)


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)


def status(program, marker):
    listed = read(os.path.join(program, LIST))
    if listed is None:
        return "new"
    return "demo" if listed == read(marker) else "user"


def site_name(document, encoding):
    found = TITLE.search(document)
    title = found.group(1).decode(encoding, "replace").strip() if found else "demo"
    return f"{title}（デモ）"


def serve(www):
    """Copies the demo feeds into nginx's folder; their documents by name."""
    documents = {}
    for name, _, _ in FEEDS:
        documents[name] = DATES.sub(b"", read(os.path.join(CORPUS, name)))
        write(os.path.join(www, "demo", name), documents[name])
    return documents


def install(program, marker, www, port):
    documents = serve(www)
    lines = []
    for name, encoding, maximum in FEEDS:
        document = documents[name]
        url = f"http://127.0.0.1:{port}/demo/{name}"
        lines.append(f"{site_name(document, encoding)}\t{url}\t{maximum}\r\n")
    data = "".join(lines).encode("cp932")
    # The marker first: a list without its marker would count as the user's.
    write(marker, data)
    write(os.path.join(program, LIST), data)
    return len(FEEDS)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=["status", "install", "serve", "empty"])
    parser.add_argument("--program", required=True)
    parser.add_argument("--marker", required=True)
    parser.add_argument("--www")
    parser.add_argument("--port", type=int)
    args = parser.parse_args()
    state = status(args.program, args.marker)
    if args.command == "status":
        print(state)
        return 0
    if args.command == "serve":
        if not args.www:
            parser.error("serve needs --www")
        serve(args.www)
        return 0
    if state == "user":
        return 1
    if args.command == "empty":
        write(os.path.join(args.program, LIST), b"")
        if os.path.exists(args.marker):
            os.remove(args.marker)
        return 0
    if not args.www or not args.port:
        parser.error("install needs --www and --port")
    print(install(args.program, args.marker, args.www, args.port))
    return 0


if __name__ == "__main__":
    sys.exit(main())
