"""Drives the real Newsroller.exe under Wine from outside: a fresh program folder with a copy of the
executable, the Wine environment of scripts/lib/env.sh, the window found with xdotool, screenshots
with ImageMagick, pixel reads, the popup menu, quitting, the exit code and the log of the links the
program asked the shell to open. Only the standard library.

    with Ticker("my_test", files={"URL-List.txt": b"..."}) as ticker:
        shot = ticker.screenshot("start")
        assert shot.pixel(ticker.client_x + 300, ticker.client_y + 10) == (112, 112, 96)
        ticker.choose_menu_item(MENU_QUIT)
        assert ticker.wait_exit() == 0

Facts about Wine and xdotool this relies on (measured on Debian with Wine 8 and no window
manager): a window appears about 1.5 s after start; the keyboard focus follows the pointer, so the
pointer is put on the target and the focus given explicitly before keys are sent; a popup menu is
a new title-less top-level window opened at the pointer with no item selected; destroying the main
window takes about 2 s; child output goes to files, never pipes (Wine's background processes keep
inherited pipes open).
"""
import atexit
import html
import os
import re
import shutil
import signal
import struct
import subprocess
import threading
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILD = os.environ.get("NEWSROLLER_BUILD", os.path.join(ROOT, "build"))
EXE = os.path.join(BUILD, "windows", "Newsroller.exe")
ARTIFACTS = os.path.join(BUILD, "e2e")

# Popup menu 120, in its order.
MENU_QUIT, MENU_SETTINGS, MENU_READ_ALL, MENU_READ_NEW, MENU_JUMP, MENU_UPDATE, MENU_SCHEDULE, MENU_ABOUT = range(8)

# Defaults of the settings file, and Wine's dialog-frame size (SM_CXDLGFRAME, SM_CYDLGFRAME).
DEFAULT_WIN_X, DEFAULT_WIN_Y, DEFAULT_WIDTH, DEFAULT_FSIZE = 230, 0, 600, 18
FRAME_X = FRAME_Y = 3
BACK = (112, 112, 96)
FRAME = (188, 188, 82)
TEXT1 = (255, 222, 119)
TEXT2 = (248, 246, 192)

ABOUT_TITLE = "バージョン情報"


def run_quiet(args, env=None, timeout=30):
    """Runs a short command with its output in a file (never a pipe); returns (code, output). Each
    thread has its own file: a test may probe a dialog while another thread waits for a window."""
    log = os.path.join(ARTIFACTS, f".command-{threading.get_ident()}.log")
    os.makedirs(ARTIFACTS, exist_ok=True)
    with open(log, "w+b") as out:
        try:
            code = subprocess.call(args, stdout=out, stderr=subprocess.STDOUT, env=env, timeout=timeout)
        except subprocess.TimeoutExpired:
            code = -1
        out.seek(0)
        return code, out.read().decode("utf-8", "replace")


# ---- The environment -------------------------------------------------------------------------

_env_cache = None
_xvfb = None


def wine_env():
    """The variables nr_wine_env sets (private prefix, Japanese locale, quiet Wine), over ours."""
    global _env_cache
    if _env_cache is None:
        script = f'source "{ROOT}/scripts/lib/env.sh"; NR_BUILD="{BUILD}"; nr_wine_env; env -0'
        path = os.path.join(ARTIFACTS, ".env")
        os.makedirs(ARTIFACTS, exist_ok=True)
        with open(path, "wb") as out:
            subprocess.check_call(["bash", "-c", script], stdout=out)
        with open(path, "rb") as f:
            pairs = [item.split(b"=", 1) for item in f.read().split(b"\0") if b"=" in item]
        _env_cache = {k.decode(): v.decode() for k, v in pairs}
        ensure_display(_env_cache)
        ensure_prefix(_env_cache)
    return dict(_env_cache)


def ensure_display(env):
    """Uses $DISPLAY when it answers, else starts a private Xvfb for this run."""
    global _xvfb
    display = env.get("DISPLAY")
    if display and run_quiet(["xdpyinfo", "-display", display], timeout=10)[0] == 0:
        return
    n = 95
    while os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
        n += 1
    log = open(os.path.join(ARTIFACTS, "xvfb.log"), "wb")
    _xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                             stdout=log, stderr=subprocess.STDOUT)
    env["DISPLAY"] = f":{n}"
    os.environ["DISPLAY"] = env["DISPLAY"]
    for _ in range(100):
        if run_quiet(["xdpyinfo", "-display", env["DISPLAY"]], timeout=10)[0] == 0:
            break
        time.sleep(0.1)
    atexit.register(_xvfb.terminate)


def ensure_prefix(env):
    # Made once; an older prefix gets the keys added since (nr_wine_prefix compares them).
    script = f'source "{ROOT}/scripts/lib/env.sh"; NR_BUILD="{BUILD}"; nr_wine_prefix'
    run_quiet(["bash", "-c", script], env=env, timeout=300)


def kill_wine(env):
    """Ends every process of the private prefix (the program, explorer's tray, wineserver)."""
    run_quiet(["wineserver", "-k"], env=env, timeout=30)
    run_quiet(["wineserver", "-w"], env=env, timeout=30)


# ---- Screenshots -----------------------------------------------------------------------------

class Screenshot:
    """A PNG of the whole screen, kept as an artifact, with its pixels for reading."""

    def __init__(self, path, width, height, rgb):
        self.path, self.width, self.height, self._rgb = path, width, height, rgb

    @classmethod
    def take(cls, path, display):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        code, output = run_quiet(["import", "-display", display, "-window", "root", path])
        taken = time.time()
        if code != 0:
            raise RuntimeError(f"screenshot failed: {output}")
        ppm = path + ".ppm"
        code, output = run_quiet(["convert", path, "-depth", "8", ppm])
        if code != 0:
            raise RuntimeError(f"conversion failed: {output}")
        with open(ppm, "rb") as f:
            data = f.read()
        os.remove(ppm)
        width, height, offset = _parse_ppm_header(data)
        shot = cls(path, width, height, data[offset:])
        shot.taken = taken  # when the screen was read (just before the grab finished)
        return shot

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self._rgb[i:i + 3])

    def count(self, colour, x0, y0, x1, y1, tolerance=0):
        """Pixels of `colour` in the rectangle [x0, x1) x [y0, y1)."""
        n = 0
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                p = self.pixel(x, y)
                if all(abs(a - b) <= tolerance for a, b in zip(p, colour)):
                    n += 1
        return n

    def columns(self, colours, x0, y0, x1, y1):
        """For each column x in [x0, x1): how many pixels of rows [y0, y1) have one of `colours`."""
        wanted = {bytes(c) for c in colours}
        counts = []
        for x in range(x0, x1):
            n = 0
            for y in range(y0, y1):
                i = (y * self.width + x) * 3
                if self._rgb[i:i + 3] in wanted:
                    n += 1
            counts.append(n)
        return counts

    def crop(self, path, x, y, width, height):
        """Writes a part of the screenshot as PNG (for documentation)."""
        rows = []
        for yy in range(y, y + height):
            start = (yy * self.width + x) * 3
            rows.append(b"\0" + self._rgb[start:start + width * 3])
        write_png(path, width, height, b"".join(rows))


def runs(counts, max_gap=0):
    """The runs of nonzero entries of `counts` as (start, end) index pairs, end exclusive; runs
    separated by at most `max_gap` zero entries are joined."""
    found = []
    for i, n in enumerate(counts):
        if not n:
            continue
        if found and i - found[-1][1] <= max_gap:
            found[-1] = (found[-1][0], i + 1)
        else:
            found.append((i, i + 1))
    return found


def _parse_ppm_header(data):
    fields, i = [], 0
    while len(fields) < 4:
        while data[i:i + 1].isspace():
            i += 1
        if data[i:i + 1] == b"#":
            while data[i:i + 1] not in (b"\n", b""):
                i += 1
            continue
        start = i
        while not data[i:i + 1].isspace():
            i += 1
        fields.append(data[start:i])
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError("not an 8-bit binary PPM")
    return int(fields[1]), int(fields[2]), i + 1


def write_png(path, width, height, filtered_rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(filtered_rows, 9)))
        f.write(chunk(b"IEND", b""))


# ---- The program -----------------------------------------------------------------------------

class Window:
    def __init__(self, wid, x, y, width, height):
        self.id, self.x, self.y, self.width, self.height = wid, x, y, width, height

    def __repr__(self):
        return f"Window({self.id}, {self.x},{self.y} {self.width}x{self.height})"


class _EndedEarly(Exception):
    """The program ended before its window appeared."""


class Ticker:
    """One run of Newsroller.exe in a fresh program folder under build/e2e/<name>/program."""

    def __init__(self, name, files=None, start=True, program=None, command=None, cwd=None):
        """`program`: a folder that already holds Newsroller.exe, used as it is; `command` and `cwd`:
        how it is started (default: "wine Newsroller.exe" in the program folder)."""
        self.name = name
        self.folder = os.path.join(ARTIFACTS, name)
        self.program = program or os.path.join(self.folder, "program")
        self.command = command or ["wine", "Newsroller.exe"]
        self.cwd = cwd or self.program
        self.browser_log_path = os.path.join(self.folder, "browser.log")
        self.env = wine_env()
        self.env["NEWSROLLER_BROWSER_LOG"] = self.browser_log_path
        self.display = self.env["DISPLAY"]
        self.process = None
        self.window = None
        self._shots = 0
        kill_wine(self.env)
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        if program is None:
            os.makedirs(self.program)
            shutil.copy2(EXE, os.path.join(self.program, "Newsroller.exe"))
        for relative, content in (files or {}).items():
            path = os.path.join(self.program, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(content)
        if start:
            self.start()

    # Lifecycle

    def start(self, timeout=30, attempts=2):
        """Starts the program and waits for its window. Seldom, right after the previous test's Wine
        was shut down, the new wine process ends at once with nothing written; that start is made
        again once (a program that really fails to start fails both)."""
        for attempt in range(attempts):
            try:
                return self._start_once(timeout)
            except _EndedEarly as ended:
                if attempt + 1 == attempts:
                    raise RuntimeError(str(ended)) from None
                with open(os.path.join(self.folder, "restarts.log"), "a") as log:
                    log.write(f"{ended}; started again\n")
                kill_wine(self.env)

    def _start_once(self, timeout):
        if getattr(self, "_output", None):
            self._output.close()
        self._output = open(os.path.join(self.folder, "wine-output.log"), "wb")
        self.process = subprocess.Popen(self.command, cwd=self.cwd, env=self.env,
                                        stdin=subprocess.DEVNULL, stdout=self._output, stderr=subprocess.STDOUT,
                                        start_new_session=True)
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = self.find_windows("^Newsroller$")
            if found:
                self.window = found[0]
                # The window is placed at the end of its creation; let the first paint happen.
                time.sleep(1.0)
                self.window = self.geometry(self.window.id)
                return self.window
            if self.process.poll() is not None:
                raise _EndedEarly(f"Newsroller.exe ended with {self.process.returncode} before its window appeared")
            time.sleep(0.25)
        raise RuntimeError("the ticker window did not appear")

    def wait_exit(self, timeout=15):
        """The exit code of Newsroller.exe, or None when it is still running after `timeout` s."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def run_wine(self, *args, timeout=30):
        """Runs a Wine program (for example taskkill) in the ticker's prefix; returns (code, output)."""
        return run_quiet(["wine", *args], env=self.env, timeout=timeout)

    def running(self):
        return self.process is not None and self.process.poll() is None

    def close(self):
        if self.process and self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except OSError:
                pass
        kill_wine(self.env)
        if self.process:
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                pass
        if getattr(self, "_output", None):
            self._output.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # Windows

    def xdotool(self, *args, timeout=20):
        env = dict(self.env)
        return run_quiet(["xdotool", *args], env=env, timeout=timeout)

    def find_windows(self, name_regex, visible=True):
        args = ["search"] + (["--onlyvisible"] if visible else []) + ["--name", name_regex]
        code, output = self.xdotool(*args)
        if code != 0:
            return []
        found = [self.geometry(int(line)) for line in output.split() if line.strip().isdigit()]
        return [w for w in found if w]

    def visible_windows(self):
        """Every visible top-level window (the root's children) with its geometry."""
        code, output = self.xdotool("search", "--onlyvisible", "--maxdepth", "1", "--name", "")
        if code != 0:
            return []
        windows = []
        for line in output.split():
            if line.strip().isdigit():
                w = self.geometry(int(line))
                if w:
                    windows.append(w)
        return windows

    def window_name(self, wid):
        code, output = self.xdotool("getwindowname", str(wid))
        return output.strip() if code == 0 else None

    def geometry(self, wid):
        code, output = self.xdotool("getwindowgeometry", "--shell", str(wid))
        if code != 0:
            return None
        values = dict(line.split("=", 1) for line in output.splitlines() if "=" in line)
        # A window that closed between the search and this call (a message box being dismissed) has
        # no geometry left: it counts as gone.
        if not all(key in values for key in ("X", "Y", "WIDTH", "HEIGHT")):
            return None
        return Window(wid, int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))

    def refresh(self):
        self.window = self.geometry(self.window.id)
        return self.window

    def wait_for(self, predicate, timeout=10, step=0.2):
        deadline = time.time() + timeout
        while time.time() < deadline:
            value = predicate()
            if value:
                return value
            time.sleep(step)
        return predicate()

    def wait_window(self, name_regex, timeout=10):
        found = self.wait_for(lambda: self.find_windows(name_regex), timeout)
        return found[0] if found else None

    def wait_window_gone(self, wid, timeout=10):
        return self.wait_for(lambda: wid not in [w.id for w in self.visible_windows()], timeout)

    # The client area: winX, winY of the settings are its top-left corner on the screen.

    @property
    def client_x(self):
        return self.window.x + FRAME_X

    @property
    def client_y(self):
        return self.window.y + FRAME_Y

    @property
    def client_width(self):
        return self.window.width - 2 * FRAME_X

    @property
    def client_height(self):
        return self.window.height - 2 * FRAME_Y

    # Pointer and keyboard

    def click_now(self, x, y, button=1):
        """Moves the pointer and clicks in one xdotool call, without the pauses of click()."""
        self.xdotool("mousemove", str(x), str(y), "click", str(button))

    def sweep(self, y, xs, pause=0.04):
        """Moves the pointer through the screen positions (x, y) for x in `xs`, no button held, in one
        xdotool call: each step arrives as its own pointer-move message."""
        args = []
        for x in xs:
            args += ["mousemove", str(x), str(y), "sleep", str(pause)]
        self.xdotool(*args, timeout=20 + len(xs) * pause)

    def move(self, x, y):
        # `mousemove --sync` waits forever when the pointer is already there.
        self.xdotool("mousemove", str(x), str(y))
        time.sleep(0.15)

    def focus(self, wid):
        self.xdotool("windowfocus", "--sync", str(wid))

    def keys(self, *names, delay=0.1):
        for name in names:
            self.xdotool("key", name)
            time.sleep(delay)

    def click(self, x, y, button=1):
        self.move(x, y)
        self.xdotool("click", str(button))
        time.sleep(0.3)

    def open_menu(self, x=None, y=None):
        """Right-clicks the ticker and returns the popup menu's window, or None."""
        before = {w.id for w in self.visible_windows()}
        self.click(self.client_x + 300 if x is None else x, self.client_y + 8 if y is None else y, button=3)
        return self.wait_for(lambda: self._new_untitled(before), timeout=5)

    def _new_untitled(self, before):
        for w in self.visible_windows():
            if w.id not in before and not self.window_name(w.id):
                return w
        return None

    def choose_menu_item(self, index, x=None, y=None):
        """Opens the popup menu on the ticker and chooses item `index` with the keyboard."""
        menu = self.open_menu(x, y)
        if menu is None:
            raise AssertionError("the popup menu did not open")
        self.focus(self.window.id)
        self.keys(*(["Down"] * (index + 1)), "Return")
        return menu

    def quit(self, timeout=15):
        """Chooses "終了" and returns the exit code."""
        self.choose_menu_item(MENU_QUIT)
        return self.wait_exit(timeout)

    # Evidence

    def screenshot(self, label):
        self._shots += 1
        path = os.path.join(self.folder, f"{self._shots:02d}-{label}.png")
        return Screenshot.take(path, self.display)

    def browser_log(self):
        if not os.path.exists(self.browser_log_path):
            return []
        with open(self.browser_log_path, encoding="utf-8", errors="replace") as f:
            return [line.rstrip("\n") for line in f if line.strip()]

    def program_file(self, relative):
        return os.path.join(self.program, relative)

    def band_columns(self, shot, colours=(TEXT1, TEXT2), top=None, bottom=None):
        """Per client column 1 .. width - 2 (index 0 is client x 1): the pixels of `colours` between
        the outline's rows, or in rows [top, bottom) of the client area."""
        cx, cy = self.client_x, self.client_y
        y0 = cy + (1 if top is None else top)
        y1 = cy + (self.client_height - 1 if bottom is None else bottom)
        return shot.columns(colours, cx + 1, y0, cx + self.client_width - 1, y1)

    def wait_for_band(self, min_columns=250, timeout=30, label="band"):
        """Screenshots until at least `min_columns` columns of the ticker show text in text colour 1
        or 2 (the scrolling band enters from the right edge); the screenshot, or None."""
        deadline = time.time() + timeout
        while True:
            shot = self.screenshot(label)
            if sum(1 for n in self.band_columns(shot) if n) >= min_columns:
                return shot
            if time.time() > deadline:
                return None
            time.sleep(0.3)

    # The process

    def program_pid(self):
        """The pid of the Linux process that runs Newsroller.exe: the process started here, or the
        process of its session whose command line names the program (wine may exec a loader)."""
        candidates = [self.process.pid]
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    if os.getsid(int(entry)) == self.process.pid:
                        candidates.append(int(entry))
                except OSError:
                    pass
        for pid in candidates:
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    if b"Newsroller.exe" in f.read():
                        return pid
            except OSError:
                pass
        return None

    @staticmethod
    def cpu_seconds(pid):
        """User plus system CPU time of a process so far, from /proc/<pid>/stat."""
        with open(f"/proc/{pid}/stat", "rb") as f:
            fields = f.read().rsplit(b")", 1)[1].split()
        # After the command's closing parenthesis: state is field 3, utime 14 and stime 15.
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def wait_file_changed(self, relative, before, timeout=20):
        """Waits until the program file `relative` differs from the signature `before` (see
        file_signature); True when it did."""
        path = self.program_file(relative)
        return bool(self.wait_for(lambda: file_signature(path) not in (None, before), timeout, 0.05))

    def settings(self):
        """Newsroller.ini as a dict of key → value (bytes), or None when there is no file."""
        data = read_bytes(self.program_file("Newsroller.ini"))
        if data is None:
            return None
        return dict(line.split(b"=", 1) for line in data.split(b"\r\n") if b"=" in line)

    def article_page(self, timeout=15):
        """Chooses "全ての記事を読む" and returns the articles of the index.html the program wrote
        (see parse_article_page)."""
        path = self.program_file("index.html")
        before = file_signature(path)
        self.choose_menu_item(MENU_READ_ALL)
        if not self.wait_file_changed("index.html", before, timeout):
            raise AssertionError("全ての記事を読む wrote no index.html")
        return parse_article_page(read_bytes(path) or b"")

    def message_box(self, title, timeout=20):
        """The message box titled `title`, or None. Wine draws no title bar without a window manager,
        but the X window carries the title."""
        return self.wait_window("^" + re.escape(title) + "$", timeout)

    def dismiss(self, box, timeout=10):
        """Presses Return in the message box `box`; True when it has gone."""
        self.move(box.x + box.width // 2, box.y + 8)
        self.focus(box.id)
        self.keys("Return")
        return bool(self.wait_window_gone(box.id, timeout))


# ---- Files the program writes ------------------------------------------------------------------

def file_signature(path):
    """What changes whenever the program writes a file again (it replaces its files whole), or None
    when there is no file."""
    try:
        st = os.stat(path)
    except OSError:
        return None
    return st.st_ino, st.st_mtime_ns, st.st_size


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


_PAGE_ITEM = re.compile(r'<big><b>　\[(.*?)\]</b></big><br>|<li><a href="(.*?)">(.*?)</a></li>|<li>(.*?)</li>')


def parse_article_page(data):
    """The articles of index.html as (site, title, link) in page order. A link that is not a web
    address is shown as text after the title, so such an item reads (site, "title (link)", "")."""
    articles, site = [], None
    for m in _PAGE_ITEM.finditer(data.decode("cp932", "replace")):
        if m.group(1) is not None:
            site = html.unescape(m.group(1))
        elif m.group(2) is not None:
            articles.append((site, html.unescape(m.group(3)), html.unescape(m.group(2))))
        else:
            articles.append((site, html.unescape(m.group(4)), ""))
    return articles
