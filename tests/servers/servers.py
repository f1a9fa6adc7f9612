#!/usr/bin/env python3
"""Starts and stops the loopback servers that the fetch tests, the end-to-end tests and the benchmarks use.

  servers.py start [--dir DIR]   starts everything, writes DIR/servers.env (shell exports) and DIR/state.json
  servers.py stop  [--dir DIR]   stops what start started and removes the test CA from the host's trust store
  servers.py env   [--dir DIR]   prints the exports of the running servers

DIR defaults to build/servers in the source tree. Everything listens on 127.0.0.1 only:
  nginx, plain HTTP         NEWSROLLER_HTTP_PORT
  nginx, TLS, trusted       NEWSROLLER_HTTPS_PORT            (use https://localhost:PORT)
  nginx, TLS, untrusted     NEWSROLLER_HTTPS_UNTRUSTED_PORT  (a self-signed certificate nobody trusts)
  fault server              NEWSROLLER_FAULT_PORT            (tests/servers/fault_server.py)
Files:
  NEWSROLLER_NGINX_LOG      nginx's access log: one line per request with the agent, If-Modified-Since
                            and the bytes sent (headers and body)
  NEWSROLLER_FAULT_LOG      the fault server's request log (path, agent, If-Modified-Since)
  NEWSROLLER_WWW_DIR        the folder nginx serves at "/": feed.xml (a Shift_JIS RSS 1.0 feed, dated
                            1 January 2020) and atom.xml; the corpus feeds are served under /feeds/.
                            "/" answers If-Modified-Since as "not newer than" (if_modified_since
                            before); the same folder is served under /exact/ with nginx's default (304
                            only to the file's own date) and under /gzip/ compressed on request; a
                            file with a NAME.fail beside it is answered by closing the connection
  NEWSROLLER_TEST_CA        the certificate of the test CA that signed the trusted server's certificate

The trusted server's certificate is signed by a CA made here once per folder; the CA is copied into
/usr/local/share/ca-certificates and update-ca-certificates is run (root, or sudo without a password),
which Wine imports into its prefix when a process starts. Wine checks DNS names only: connect to
"localhost", not "127.0.0.1".
"""
import argparse
import calendar
import hashlib
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
CORPUS = os.path.join(ROOT, "tests", "corpus", "feeds")
TRUST_DIR = "/usr/local/share/ca-certificates"
FEED_DATE = calendar.timegm((2020, 1, 1, 0, 0, 0))  # 2020-01-01 00:00 UTC

NGINX_CONF = """\
daemon off;
master_process off;
worker_processes 1;
pid {prefix}/nginx.pid;
error_log {prefix}/error.log warn;
events {{ worker_connections 512; }}
http {{
    types {{
        application/rss+xml rss;
        application/atom+xml atom;
        application/xml xml opml;
        text/html html;
        text/plain txt;
    }}
    default_type application/octet-stream;
    log_format newsroller '$remote_addr [$time_local] "$request" $status $body_bytes_sent '
                          '"$http_user_agent" "$http_if_modified_since" $scheme $server_port $bytes_sent';
    access_log {prefix}/access.log newsroller;
    client_body_temp_path {prefix}/tmp/body;
    proxy_temp_path {prefix}/tmp/proxy;
    fastcgi_temp_path {prefix}/tmp/fastcgi;
    uwsgi_temp_path {prefix}/tmp/uwsgi;
    scgi_temp_path {prefix}/tmp/scgi;
    # Answers 304 whenever the file is not newer than the date asked about. Under /exact/ the same
    # files are served with nginx's own default, 304 only to the file's own date (the Last-Modified
    # the client was given); under /gzip/ compressed for a client that asks for it. A file beside
    # which a file of the same name and ".fail" stands is not served: the connection is closed
    # without an answer, as by a server that fails.
    if_modified_since before;
    etag off;
    server {{
        listen 127.0.0.1:{http};
        server_name localhost;
        root {www};
        location / {{
            if (-f $request_filename.fail) {{ return 444; }}
        }}
        location /exact/ {{
            alias {www}/;
            if_modified_since exact;
            if (-f $request_filename.fail) {{ return 444; }}
        }}
        location /gzip/ {{
            alias {www}/;
            gzip on;
            gzip_min_length 0;
            gzip_types application/rss+xml application/atom+xml application/xml text/xml;
        }}
        location /feeds/ {{ alias {corpus}/; }}
        # A feed that moved to https.
        location ~ ^/to-https/(.*)$ {{ return 301 https://localhost:{https}/$1$is_args$args; }}
    }}
    server {{
        listen 127.0.0.1:{https} ssl;
        server_name localhost;
        ssl_certificate {tls}/localhost.crt;
        ssl_certificate_key {tls}/localhost.key;
        root {www};
        location /feeds/ {{ alias {corpus}/; }}
        # A secure feed sent back to plain text.
        location ~ ^/to-http/(.*)$ {{ return 301 http://localhost:{http}/$1$is_args$args; }}
    }}
    server {{
        listen 127.0.0.1:{untrusted} ssl;
        server_name localhost;
        ssl_certificate {tls}/untrusted.crt;
        ssl_certificate_key {tls}/untrusted.key;
        root {www};
        location /feeds/ {{ alias {corpus}/; }}
    }}
}}
"""


def log(message):
    print(f"[servers] {message}", file=sys.stderr, flush=True)


def as_root(command):
    if os.geteuid() != 0:
        command = ["sudo", "-n"] + command
    return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)


def free_ports(count):
    sockets, ports = [], []
    for _ in range(count):
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        sockets.append(s)
        ports.append(s.getsockname()[1])
    for s in sockets:
        s.close()
    return ports


def wait_for_port(port, seconds=10):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.5):
                return True
        except OSError:
            time.sleep(0.05)
    return False


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_certificates(tls):
    """A test CA and a localhost certificate signed by it (made once), and a self-signed one nobody trusts."""
    os.makedirs(tls, exist_ok=True)
    if not os.path.exists(os.path.join(tls, "ca.crt")):
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "3650",
                "-keyout", "ca.key", "-out", "ca.crt", "-subj", "/CN=Newsroller Test CA",
                "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=tls)
        for name in ("localhost.crt", "localhost.key"):
            if os.path.exists(os.path.join(tls, name)):
                os.remove(os.path.join(tls, name))
    if not os.path.exists(os.path.join(tls, "localhost.crt")):
        with open(os.path.join(tls, "localhost.ext"), "w") as ext:
            ext.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\n"
                      "extendedKeyUsage=serverAuth\nsubjectAltName=DNS:localhost\n")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-sha256", "-keyout", "localhost.key",
                "-out", "localhost.csr", "-subj", "/CN=localhost", cwd=tls)
        openssl("x509", "-req", "-in", "localhost.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
                "-sha256", "-days", "825", "-extfile", "localhost.ext", "-out", "localhost.crt", cwd=tls)
    if not os.path.exists(os.path.join(tls, "untrusted.crt")):
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "825",
                "-keyout", "untrusted.key", "-out", "untrusted.crt", "-subj", "/CN=localhost",
                "-addext", "subjectAltName=DNS:localhost", cwd=tls)


def trust_file(folder):
    tag = hashlib.sha1(os.path.abspath(folder).encode()).hexdigest()[:10]
    return os.path.join(TRUST_DIR, f"newsroller-test-ca-{tag}.crt")


def trust_ca(folder, ca):
    target = trust_file(folder)
    with open(ca, "rb") as f:
        wanted = f.read()
    try:
        with open(target, "rb") as f:
            if f.read() == wanted:
                return True
    except OSError:
        pass
    copied = as_root(["install", "-m", "644", ca, target])
    if copied.returncode == 0:
        updated = as_root(["update-ca-certificates"])
        if updated.returncode == 0:
            return True
        log(f"update-ca-certificates failed: {updated.stderr.strip()}")
    else:
        log(f"cannot install the test CA (needs root): {copied.stderr.strip()}")
    return False


def untrust_ca(folder):
    target = trust_file(folder)
    if os.path.exists(target):
        if as_root(["rm", "-f", target]).returncode == 0:
            as_root(["update-ca-certificates", "--fresh"])


def prepare_www(www):
    os.makedirs(www, exist_ok=True)
    for source, name in (("chardet__10e.org.xml", "feed.xml"), ("chardet__blog.inkase.net.xml", "atom.xml")):
        target = os.path.join(www, name)
        shutil.copyfile(os.path.join(CORPUS, source), target)
        os.utime(target, (FEED_DATE, FEED_DATE))


def stop_pid(pid):
    try:
        os.killpg(pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    except PermissionError:
        os.kill(pid, signal.SIGTERM)
    end = time.monotonic() + 5
    while time.monotonic() < end:
        try:
            finished, _ = os.waitpid(pid, os.WNOHANG)
            if finished:
                return
        except ChildProcessError:
            try:
                os.kill(pid, 0)
            except ProcessLookupError:
                return
        time.sleep(0.05)
    try:
        os.killpg(pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass


def env_lines(state):
    return "".join(f"export {k}={v}\n" for k, v in sorted(state["env"].items()))


def start(folder):
    folder = os.path.abspath(folder)
    state_path = os.path.join(folder, "state.json")
    if os.path.exists(state_path):
        stop(folder, keep_trust=True)
    nginx_prefix = os.path.join(folder, "nginx")
    www = os.path.join(folder, "www")
    tls = os.path.join(folder, "tls")
    for sub in ("body", "proxy", "fastcgi", "uwsgi", "scgi"):
        os.makedirs(os.path.join(nginx_prefix, "tmp", sub), exist_ok=True)
    prepare_www(www)
    make_certificates(tls)
    trusted = trust_ca(folder, os.path.join(tls, "ca.crt"))

    state = {"pids": [], "env": {}}
    # nginx: ports are chosen free just before it binds them; another process could take one in
    # between, so a failed start is retried with new ports.
    for attempt in range(5):
        http, https, untrusted = free_ports(3)
        conf = os.path.join(nginx_prefix, "nginx.conf")
        with open(conf, "w") as f:
            f.write(NGINX_CONF.format(prefix=nginx_prefix, www=www, corpus=CORPUS, tls=tls,
                                      http=http, https=https, untrusted=untrusted))
        with open(os.path.join(nginx_prefix, "stderr.log"), "ab") as err:
            nginx = subprocess.Popen(["nginx", "-p", nginx_prefix, "-c", conf, "-e", os.path.join(nginx_prefix, "error.log")],
                                     stdin=subprocess.DEVNULL, stdout=err, stderr=err, start_new_session=True)
        if all(wait_for_port(p) for p in (http, https, untrusted)) and nginx.poll() is None:
            break
        stop_pid(nginx.pid)
    else:
        raise SystemExit("nginx did not start: see " + os.path.join(nginx_prefix, "error.log"))
    state["pids"].append(nginx.pid)

    port_file = os.path.join(folder, "fault.port")
    if os.path.exists(port_file):
        os.remove(port_file)
    fault_log = os.path.join(folder, "fault.log")
    with open(os.path.join(folder, "fault.stderr"), "ab") as err:
        fault = subprocess.Popen([sys.executable, os.path.join(HERE, "fault_server.py"), "--port-file", port_file,
                                  "--log", fault_log], stdin=subprocess.DEVNULL, stdout=err, stderr=err,
                                 start_new_session=True)
    state["pids"].append(fault.pid)
    end = time.monotonic() + 10
    while not os.path.exists(port_file) and time.monotonic() < end and fault.poll() is None:
        time.sleep(0.05)
    if not os.path.exists(port_file):
        for pid in state["pids"]:
            stop_pid(pid)
        raise SystemExit("the fault server did not start: see " + os.path.join(folder, "fault.stderr"))
    with open(port_file) as f:
        fault_port = int(f.read())

    state["env"] = {
        "NEWSROLLER_HTTP_PORT": str(http),
        "NEWSROLLER_HTTPS_PORT": str(https),
        "NEWSROLLER_HTTPS_UNTRUSTED_PORT": str(untrusted),
        "NEWSROLLER_FAULT_PORT": str(fault_port),
        "NEWSROLLER_NGINX_LOG": os.path.join(nginx_prefix, "access.log"),
        "NEWSROLLER_FAULT_LOG": fault_log,
        "NEWSROLLER_WWW_DIR": www,
        "NEWSROLLER_TEST_CA": os.path.join(tls, "ca.crt") if trusted else "",
    }
    with open(state_path, "w") as f:
        json.dump(state, f, indent=2)
    with open(os.path.join(folder, "servers.env"), "w") as f:
        f.write(env_lines(state))
    log(f"nginx on 127.0.0.1:{http} (http), :{https} (https), :{untrusted} (https, untrusted); "
        f"fault server on :{fault_port}")
    return state


def stop(folder, keep_trust=False):
    folder = os.path.abspath(folder)
    state_path = os.path.join(folder, "state.json")
    try:
        with open(state_path) as f:
            state = json.load(f)
    except (OSError, ValueError):
        state = {"pids": []}
    for pid in state.get("pids", []):
        stop_pid(pid)
    for name in ("state.json", "servers.env"):
        try:
            os.remove(os.path.join(folder, name))
        except OSError:
            pass
    if not keep_trust:
        untrust_ca(folder)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=["start", "stop", "env"])
    parser.add_argument("--dir", default=os.path.join(ROOT, "build", "servers"))
    parser.add_argument("--keep-trust", action="store_true", help="stop: leave the test CA trusted")
    args = parser.parse_args()
    if args.command == "start":
        print(env_lines(start(args.dir)), end="")
    elif args.command == "stop":
        stop(args.dir, args.keep_trust)
    else:
        with open(os.path.join(os.path.abspath(args.dir), "state.json")) as f:
            print(env_lines(json.load(f)), end="")


if __name__ == "__main__":
    main()
