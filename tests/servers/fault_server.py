#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 that misbehaves on purpose, for the fetch tests.

Paths (query parameters are optional):
  /silent?hold=S          reads the request and never answers (holds the connection S seconds, default 120)
  /endless?interval=S&size=N
                          200 without a length, then N bytes every S seconds until the client goes away
                          (defaults 0.2 s and 64 bytes; gives up after 600 s)
  /huge?bytes=N&nolength=1
                          200 with Content-Length N (default 20,000,000), sent as fast as possible; with
                          nolength, no Content-Length and the end of the body is the end of the connection
  /reset?bytes=N          200 with Content-Length N (default 200,000), half of it, then a TCP reset
  /drip?chunks=N&interval=S
                          a small RSS document sent in N pieces (default 8) S seconds apart (default 0.4)
  /notmodified            304 without a body
  /empty                  200 with Content-Length 0
  /zero?delay=S           200, 1023 bytes "abc\\0ddd...d" in one packet, then "ghi" S seconds later (default 0.5)
  /ok                     200 with a small RSS document
  /compressed?encoding=E&tiny=1
                          the RSS document of /ok gzip-compressed, with Content-Length and the header
                          "Content-Encoding: E" (default gzip), to a request whose Accept-Encoding names
                          gzip; as /ok to any other. With tiny, the document is "<rss/>", which
                          compression makes longer
  /status?code=N&retry=V  status N with a small HTML page, and "Retry-After: V" when retry is given
  /r/C1/C2/.../rest       a redirect with status C1 to /r/C2/.../rest (an absolute path), and so on; the
                          last one leads to /rest (for example /r/301/302/ok: 301, then 302, then /ok).
                          With ?host=1 the Location is a whole address on this server
  /to?code=C&url=U        a redirect with status C (default 301) to the address U
  /rel/NAME               302 to the relative address "../ok"
  /loop                   302 to itself, for ever
  /nolocation             301 without a Location
  /etag?tag=T             200 with the RSS document of /ok and the header ETag: "T" (default v1); 304 with
                          the same ETag to a request whose If-None-Match names it
  /page?links=N           200 with an HTML page whose head names N feeds (/ok, then /etag?tag=pageN)
  anything else           404 with an HTML page

Every request is appended to the log file as one line: path, TAB, User-Agent, TAB, If-Modified-Since,
TAB, Accept-Encoding, TAB, If-None-Match.
The chosen port is written to --port-file once the server listens.
"""
import argparse
import gzip
import os
import socket
import socketserver
import struct
import sys
import threading
import time
from urllib.parse import parse_qs, urlencode, urlsplit

RSS = (
    b'<?xml version="1.0" encoding="UTF-8"?>\n'
    b'<rss version="2.0"><channel><title>Fault server</title><link>http://localhost/</link>\n'
    b'<item><title>First item</title><link>http://localhost/1</link>'
    b'<pubDate>Mon, 03 Feb 2025 09:05:07 GMT</pubDate></item>\n'
    b'<item><title>Second item</title><link>http://localhost/2</link>'
    b'<pubDate>Mon, 03 Feb 2025 10:05:07 GMT</pubDate></item>\n'
    b'</channel></rss>\n'
)
REASONS = {200: "OK", 301: "Moved Permanently", 302: "Found", 303: "See Other", 304: "Not Modified",
           307: "Temporary Redirect", 308: "Permanent Redirect", 404: "Not Found", 410: "Gone",
           429: "Too Many Requests", 500: "Internal Server Error", 503: "Service Unavailable"}


def page(code):
    reason = REASONS.get(code, "Status")
    return (f"<!DOCTYPE html>\n<html><head><title>{code} {reason}</title></head>"
            f"<body><h1>{reason}</h1><p>The server answered {code}.</p></body></html>\n").encode("latin-1")


NOT_FOUND = (
    b'<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>'
    b'<body><h1>Not Found</h1><p>The requested document was not found on this server.</p></body></html>\n'
)


class Handler(socketserver.BaseRequestHandler):
    def setup(self):
        self.request.settimeout(None)

    def read_head(self):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = self.request.recv(4096)
            if not chunk:
                return None
            data += chunk
            if len(data) > 65536:
                return None
        head = data.split(b"\r\n\r\n", 1)[0].decode("latin-1")
        lines = head.split("\r\n")
        parts = lines[0].split(" ")
        if len(parts) < 2:
            return None
        headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            headers[name.strip().lower()] = value.strip()
        return parts[0], parts[1], headers

    def send(self, data):
        self.request.sendall(data)

    def status(self, code, reason, headers=(), length=None):
        lines = [f"HTTP/1.1 {code} {reason}", "Server: fault-server", "Connection: close"]
        if length is not None:
            lines.append(f"Content-Length: {length}")
        lines.extend(headers)
        self.send(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))

    def answer_page(self, code, extra=()):
        body = b"" if code in (204, 304) else page(code)
        self.status(code, REASONS.get(code, "Status"), ["Content-Type: text/html", *extra], len(body))
        self.send(body)
        self.wait_for_close(30)

    def wait_for_close(self, seconds):
        """Waits until the client closes the connection or the time is up."""
        self.request.settimeout(0.5)
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            try:
                if not self.request.recv(4096):
                    return
            except socket.timeout:
                continue
            except OSError:
                return

    def handle(self):
        try:
            head = self.read_head()
        except OSError:
            return
        if head is None:
            return
        method, target, headers = head
        url = urlsplit(target)
        query = {k: v[-1] for k, v in parse_qs(url.query).items()}
        self.server.log(url.path, headers)
        try:
            self.answer(url.path, query, headers)
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError, socket.timeout):
            pass

    def answer(self, path, query, headers):
        number = lambda name, default: float(query.get(name, default))
        if path == "/silent":
            self.wait_for_close(number("hold", 120))
        elif path == "/endless":
            interval, size = number("interval", 0.2), int(number("size", 64))
            self.status(200, "OK", ["Content-Type: application/rss+xml"])
            self.send(b'<?xml version="1.0"?><rss version="2.0"><channel>')
            end = time.monotonic() + 600
            while time.monotonic() < end:
                self.send(b"<!-- " + b"x" * max(0, size - 9) + b" -->")
                time.sleep(interval)
        elif path == "/huge":
            total = int(number("bytes", 20_000_000))
            announced = None if query.get("nolength") else total
            self.status(200, "OK", ["Content-Type: application/rss+xml"], announced)
            block = (b"<item><title>padding</title></item>\n" * 1800)[:65536]
            sent = 0
            while sent < total:
                piece = block[: min(len(block), total - sent)]
                self.send(piece)
                sent += len(piece)
            if announced is not None:
                self.wait_for_close(30)
        elif path == "/reset":
            total = int(number("bytes", 200_000))
            self.status(200, "OK", ["Content-Type: application/rss+xml"], None if query.get("nolength") else total)
            self.send(b"y" * (total // 2))
            time.sleep(0.3)
            if query.get("clean"):
                self.request.shutdown(socket.SHUT_RDWR)
                return
            # SO_LINGER with a zero time-out makes close() send a reset instead of a FIN.
            self.request.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.request.close()
        elif path == "/drip":
            chunks, interval = max(1, int(number("chunks", 8))), number("interval", 0.4)
            self.status(200, "OK", ["Content-Type: application/rss+xml"], len(RSS))
            step = -(-len(RSS) // chunks)
            for start in range(0, len(RSS), step):
                self.send(RSS[start:start + step])
                if start + step < len(RSS):
                    time.sleep(interval)
            self.wait_for_close(30)
        elif path == "/notmodified":
            self.status(304, "Not Modified")
            self.wait_for_close(30)
        elif path == "/empty":
            self.status(200, "OK", ["Content-Type: text/plain"], 0)
            self.wait_for_close(30)
        elif path == "/zero":
            # The first piece fills one 1023-byte read exactly.
            first, second = b"abc\0" + b"d" * 1019, b"ghi"
            self.status(200, "OK", ["Content-Type: text/plain"], len(first) + len(second))
            self.send(first)
            time.sleep(number("delay", 0.5))
            self.send(second)
            self.wait_for_close(30)
        elif path == "/compressed":
            document = b"<rss/>" if query.get("tiny") else RSS
            if "gzip" in headers.get("accept-encoding", ""):
                body = gzip.compress(document)
                encoding = query.get("encoding", "gzip")
                self.status(200, "OK", ["Content-Type: application/rss+xml", f"Content-Encoding: {encoding}"],
                            len(body))
            else:
                body = document
                self.status(200, "OK", ["Content-Type: application/rss+xml"], len(body))
            self.send(body)
            self.wait_for_close(30)
        elif path == "/status":
            code = int(number("code", 500))
            extra = [f"Retry-After: {query['retry']}"] if "retry" in query else []
            self.answer_page(code, extra)
        elif path.startswith("/r/"):
            steps = path[len("/r/"):].split("/")
            code = int(steps[0]) if steps[0].isdigit() else 302
            rest = steps[1:]
            target = "/r/" + "/".join(rest) if rest and rest[0].isdigit() else "/" + "/".join(rest)
            if query.get("host"):
                target = f"http://{headers.get('host', '127.0.0.1')}{target}"
            if query:
                target += "?" + urlencode(query)
            self.answer_page(code, [f"Location: {target}"])
        elif path == "/to":
            self.answer_page(int(number("code", 301)), [f"Location: {query.get('url', '/ok')}"])
        elif path.startswith("/rel/"):
            self.answer_page(302, ["Location: ../ok"])
        elif path == "/loop":
            self.answer_page(302, ["Location: /loop"])
        elif path == "/nolocation":
            self.answer_page(301)
        elif path == "/etag":
            tag = '"' + query.get("tag", "v1") + '"'
            if headers.get("if-none-match") == tag:
                self.status(304, "Not Modified", [f"ETag: {tag}"])
            else:
                self.status(200, "OK", ["Content-Type: application/rss+xml", f"ETag: {tag}"], len(RSS))
                self.send(RSS)
            self.wait_for_close(30)
        elif path == "/page":
            links = "".join(f'<link rel="alternate" type="application/rss+xml" title="Feed {i}" '
                            f'href="{"/ok" if i == 0 else f"/etag?tag=page{i}"}">' for i in range(int(number("links", 0))))
            body = f"<!DOCTYPE html>\n<html><head><title>Site</title>{links}</head><body>Site</body></html>\n"
            self.status(200, "OK", ["Content-Type: text/html"], len(body.encode()))
            self.send(body.encode())
            self.wait_for_close(30)
        elif path == "/ok":
            self.status(200, "OK", ["Content-Type: application/rss+xml"], len(RSS))
            self.send(RSS)
            self.wait_for_close(30)
        else:
            self.status(404, "Not Found", ["Content-Type: text/html"], len(NOT_FOUND))
            self.send(NOT_FOUND)
            self.wait_for_close(30)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, log_path):
        super().__init__(address, Handler)
        self.log_path = log_path
        self.log_lock = threading.Lock()

    def log(self, path, headers):
        if not self.log_path:
            return
        line = "\t".join([path, headers.get("user-agent", ""), headers.get("if-modified-since", ""),
                          headers.get("accept-encoding", ""), headers.get("if-none-match", "")])
        with self.log_lock, open(self.log_path, "a", encoding="utf-8") as log:
            log.write(line + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: any free one)")
    parser.add_argument("--port-file", help="file that receives the port once the server listens")
    parser.add_argument("--log", help="request log file")
    args = parser.parse_args()
    server = Server(("127.0.0.1", args.port), args.log)
    port = server.server_address[1]
    if args.port_file:
        temp = args.port_file + ".tmp"
        with open(temp, "w") as f:
            f.write(f"{port}\n")
        os.replace(temp, args.port_file)
    print(f"fault server on 127.0.0.1:{port}", file=sys.stderr, flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
