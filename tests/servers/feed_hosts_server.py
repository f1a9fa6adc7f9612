#!/usr/bin/env python3
"""Many feed hosts on loopback addresses, each answering after a set delay, some never answering.

One port on each of 127.0.0.1 to 127.0.0.N (N = --hosts), every host serving the files of --root by
their path. Each answer comes --delay seconds after its request: 200 with the file and its
Last-Modified, 304 to an If-Modified-Since at or after the file's date, 404 for a missing file. The
hosts named by --dead (their last octet) read a request and never answer it; the connection stays
open until the client goes away or the server ends. Real feed hosts are slow and many; this is them
on one machine.

Every request is appended to --log as one line: seconds since the epoch, TAB, host, TAB, path, TAB,
status (0 for a request left unanswered), TAB, If-Modified-Since. The port is written to --port-file
once every host listens.

    feed_hosts_server.py --root DIR --hosts 25 --delay 0.3 [--dead 21,22] --port-file F --log F
"""
import argparse
import email.utils
import os
import socket
import socketserver
import sys
import threading
import time


class FeedHosts:
    def __init__(self, root, delay, dead, log_path):
        self.root = os.path.abspath(root)
        self.delay = delay
        self.dead = dead
        self.log_path = log_path
        self.log_lock = threading.Lock()
        self.stopping = threading.Event()

    def log(self, host, path, status, since):
        with self.log_lock, open(self.log_path, "a", encoding="utf-8") as f:
            f.write(f"{time.time():.3f}\t{host}\t{path}\t{status}\t{since}\n")

    def answer(self, host, path, since):
        """The status, headers and body for a GET of `path` on `host`."""
        local = os.path.normpath(os.path.join(self.root, path.split("?", 1)[0].lstrip("/")))
        if not local.startswith(self.root + os.sep) or not os.path.isfile(local):
            return 404, [("Content-Type", "text/html")], b"<html><title>404 Not Found</title></html>"
        mtime = int(os.path.getmtime(local))
        modified = email.utils.formatdate(mtime, usegmt=True)
        if since:
            try:
                asked = email.utils.parsedate_to_datetime(since).timestamp()
            except (TypeError, ValueError):
                asked = None
            if asked is not None and asked >= mtime:
                return 304, [("Last-Modified", modified)], b""
        with open(local, "rb") as f:
            body = f.read()
        return 200, [("Content-Type", "application/xml"), ("Last-Modified", modified)], body


def make_handler(hosts):
    class Handler(socketserver.BaseRequestHandler):
        def handle(self):
            conn = self.request
            host = conn.getsockname()[0]
            conn.settimeout(60)
            while not hosts.stopping.is_set():
                request = self.read_request(conn)
                if request is None:
                    return
                method, path, headers = request
                since = headers.get("if-modified-since", "")
                if int(host.rsplit(".", 1)[1]) in hosts.dead:
                    hosts.log(host, path, 0, since)
                    # Takes the request and never answers: waits for the client to give up.
                    conn.settimeout(1)
                    while not hosts.stopping.is_set():
                        try:
                            if not conn.recv(4096):
                                return
                        except socket.timeout:
                            continue
                        except OSError:
                            return
                    return
                if hosts.stopping.wait(hosts.delay):
                    return
                status, fields, body = hosts.answer(host, path, since)
                hosts.log(host, path, status, since)
                reason = {200: "OK", 304: "Not Modified", 404: "Not Found"}[status]
                head = [f"HTTP/1.1 {status} {reason}", f"Content-Length: {len(body)}"]
                head += [f"{k}: {v}" for k, v in fields]
                try:
                    conn.sendall(("\r\n".join(head) + "\r\n\r\n").encode("latin-1") +
                                 (body if method != "HEAD" else b""))
                except OSError:
                    return
                if headers.get("connection", "").lower() == "close":
                    return

        @staticmethod
        def read_request(conn):
            data = b""
            while b"\r\n\r\n" not in data:
                try:
                    chunk = conn.recv(4096)
                except OSError:
                    return None
                if not chunk:
                    return None
                data += chunk
            lines = data.split(b"\r\n\r\n", 1)[0].decode("latin-1").split("\r\n")
            parts = lines[0].split(" ")
            if len(parts) < 2:
                return None
            headers = {}
            for line in lines[1:]:
                name, _, value = line.partition(":")
                headers[name.strip().lower()] = value.strip()
            return parts[0], parts[1], headers

    return Handler


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--hosts", type=int, default=25)
    parser.add_argument("--delay", type=float, default=0.3)
    parser.add_argument("--dead", default="")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log", required=True)
    args = parser.parse_args()
    dead = {int(x) for x in args.dead.split(",") if x}
    hosts = FeedHosts(args.root, args.delay, dead, args.log)
    handler = make_handler(hosts)
    first = Server(("127.0.0.1", args.port), handler)
    port = first.server_address[1]
    servers = [first] + [Server((f"127.0.0.{n}", port), handler) for n in range(2, args.hosts + 1)]
    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    with open(args.port_file + ".tmp", "w") as f:
        f.write(str(port))
    os.replace(args.port_file + ".tmp", args.port_file)
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        pass
    finally:
        hosts.stopping.set()
    return 0


if __name__ == "__main__":
    sys.exit(main())
