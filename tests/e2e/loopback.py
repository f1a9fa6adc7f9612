"""The loopback servers as the end-to-end tests use them: feeds written into nginx's folder with the
dates a test wants, their addresses, the feed list that names them, and the requests nginx logged.

scripts/test starts the servers (tests/servers/servers.py) and exports their ports; a test run by
hand starts them itself through ensure_servers().
"""
import email.utils
import os
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILD = os.environ.get("NEWSROLLER_BUILD", os.path.join(ROOT, "build"))
SERVERS_DIR = os.path.join(BUILD, "servers")

_VARIABLES = ("NEWSROLLER_HTTP_PORT", "NEWSROLLER_HTTPS_PORT", "NEWSROLLER_HTTPS_UNTRUSTED_PORT",
              "NEWSROLLER_FAULT_PORT", "NEWSROLLER_NGINX_LOG", "NEWSROLLER_FAULT_LOG", "NEWSROLLER_WWW_DIR")


def ensure_servers():
    """Makes sure the servers run and their variables are in os.environ."""
    if all(v in os.environ for v in _VARIABLES):
        return
    env_file = os.path.join(SERVERS_DIR, "servers.env")
    if not os.path.exists(env_file):
        subprocess.check_call(["python3", os.path.join(ROOT, "tests", "servers", "servers.py"), "start",
                               "--dir", SERVERS_DIR], stdout=subprocess.DEVNULL)
    with open(env_file) as f:
        for line in f:
            line = line.strip()
            if line.startswith("export ") and "=" in line:
                name, value = line[len("export "):].split("=", 1)
                os.environ[name] = value.strip("'\"")
    missing = [v for v in _VARIABLES if v not in os.environ]
    if missing:
        raise RuntimeError("the loopback servers are not running: missing " + ", ".join(missing))


def http_url(path):
    ensure_servers()
    return f"http://127.0.0.1:{os.environ['NEWSROLLER_HTTP_PORT']}/{path.lstrip('/')}"


def https_url(path, trusted=True):
    ensure_servers()
    port = os.environ["NEWSROLLER_HTTPS_PORT" if trusted else "NEWSROLLER_HTTPS_UNTRUSTED_PORT"]
    return f"https://localhost:{port}/{path.lstrip('/')}"


def fault_url(path):
    ensure_servers()
    return f"http://127.0.0.1:{os.environ['NEWSROLLER_FAULT_PORT']}/{path.lstrip('/')}"


def www_path(name):
    ensure_servers()
    return os.path.join(os.environ["NEWSROLLER_WWW_DIR"], name.lstrip("/"))


def _escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def write_rss(name, items, when=None, encoding="utf-8", mtime=None):
    """Writes an RSS 2.0 feed `name` (a path under nginx's folder) and returns its http address.

    items: (title, link) pairs; a link starting with "/" is left relative (the program joins it to
    the site root). when: the seconds-since-epoch of every item's pubDate (default: now). mtime: the
    file's modification time (default: now), which decides nginx's 304 answers."""
    path = www_path(name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(rss_bytes(name, items, when, encoding))
    if mtime is not None:
        os.utime(path, (mtime, mtime))
    return http_url(name)


def rss_bytes(channel, items, when=None, encoding="utf-8"):
    """The bytes of an RSS 2.0 document as write_rss writes it (for a cache file, for example)."""
    stamp = email.utils.formatdate(time.time() if when is None else when, usegmt=True)
    body = "".join(f"<item><title>{_escape(t)}</title><link>{_escape(l)}</link><pubDate>{stamp}</pubDate></item>\n"
                   for t, l in items)
    label = "Shift_JIS" if encoding.lower().replace("-", "_") in ("shift_jis", "cp932") else encoding.upper()
    doc = (f'<?xml version="1.0" encoding="{label}"?>\n<rss version="2.0"><channel><title>{_escape(channel)}</title>\n'
           f"{body}</channel></rss>\n")
    return doc.encode("cp932" if label == "Shift_JIS" else encoding)


def feed_list(entries):
    """The bytes of URL-List.txt for (site name, url, maximum) entries: Shift_JIS, TAB, CR LF."""
    return "".join(f"{site}\t{url}\t{maximum}\r\n" for site, url, maximum in entries).encode("cp932")


def nginx_requests(since=0):
    """nginx's logged requests from byte offset `since` as dicts (path, status, agent, if_modified_since,
    scheme, port, bytes_sent: headers and body); with the log size to pass as `since` next time."""
    ensure_servers()
    log = os.environ["NEWSROLLER_NGINX_LOG"]
    with open(log, "rb") as f:
        f.seek(since)
        data = f.read()
        end = f.tell()
    requests = []
    for line in data.decode("utf-8", "replace").splitlines():
        # 127.0.0.1 [time] "GET /path HTTP/1.1" 200 123 "agent" "ims" scheme port bytes_sent
        try:
            quoted = line.split('"')
            method, path, _ = quoted[1].split(" ", 2)
            status = int(quoted[2].split()[0])
            tail = quoted[6].split()
            requests.append({"path": path, "status": status, "agent": quoted[3], "if_modified_since": quoted[5],
                             "scheme": tail[0], "port": int(tail[1]), "bytes_sent": int(tail[2])})
        except (IndexError, ValueError):
            continue
    return requests, end


def nginx_log_size():
    ensure_servers()
    try:
        return os.path.getsize(os.environ["NEWSROLLER_NGINX_LOG"])
    except OSError:
        return 0


def fault_requests(since=0):
    """The fault server's logged requests from byte offset `since` as dicts (path, agent,
    if_modified_since, accept_encoding); with the log size to pass as `since` next time."""
    ensure_servers()
    try:
        with open(os.environ["NEWSROLLER_FAULT_LOG"], "rb") as f:
            f.seek(since)
            data = f.read()
            end = f.tell()
    except OSError:
        return [], since
    requests = []
    for line in data.decode("utf-8", "replace").splitlines():
        fields = line.split("\t")
        if len(fields) >= 3:
            requests.append({"path": fields[0], "agent": fields[1], "if_modified_since": fields[2],
                             "accept_encoding": fields[3] if len(fields) > 3 else ""})
    return requests, end


def fault_log_size():
    ensure_servers()
    try:
        return os.path.getsize(os.environ["NEWSROLLER_FAULT_LOG"])
    except OSError:
        return 0


class FeedHosts:
    """tests/servers/feed_hosts_server.py for one test: `hosts` loopback addresses 127.0.0.1 .. N on
    one port, each answer `delay` seconds after its request, the hosts in `dead` (last octets) never
    answering. Feeds are files under `root`; use as a context manager."""

    def __init__(self, root, hosts=25, delay=0.3, dead=(), port=0):
        self.root, self.hosts, self.delay, self.dead = root, hosts, delay, tuple(dead)
        self.wanted_port = port
        self.log_path = os.path.join(root, "requests.log")
        self.process = None
        self.port = None

    def __enter__(self):
        os.makedirs(self.root, exist_ok=True)
        port_file = os.path.join(self.root, "port")
        for path in (port_file, self.log_path):
            if os.path.exists(path):
                os.remove(path)
        self.process = subprocess.Popen(
            ["python3", os.path.join(ROOT, "tests", "servers", "feed_hosts_server.py"), "--root", self.root,
             "--hosts", str(self.hosts), "--delay", str(self.delay), "--dead", ",".join(map(str, self.dead)),
             "--port", str(self.wanted_port), "--port-file", port_file, "--log", self.log_path], stdin=subprocess.DEVNULL)
        end = time.monotonic() + 10
        while not os.path.exists(port_file):
            if time.monotonic() > end or self.process.poll() is not None:
                raise RuntimeError("the feed hosts server did not start")
            time.sleep(0.05)
        with open(port_file) as f:
            self.port = int(f.read())
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(10)

    def url(self, host, name):
        """The address of the file `name` under root on host 127.0.0.`host`."""
        return f"http://127.0.0.{host}:{self.port}/{name}"

    def write(self, host, name, channel, items, mtime=None):
        """Writes an RSS feed `name` under root (items as for rss_bytes); its address on `host`."""
        path = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(rss_bytes(channel, items))
        if mtime is not None:
            os.utime(path, (mtime, mtime))
        return self.url(host, name)

    def requests(self):
        """The logged requests as dicts: time, host, path, status (0: taken and never answered)."""
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="utf-8") as f:
            rows = [line.rstrip("\n").split("\t") for line in f if line.strip()]
        return [{"time": float(r[0]), "host": r[1], "path": r[2], "status": int(r[3])} for r in rows]
