"""Reads and drives the program's dialogs from outside through window_probe.exe, a second Wine
process in the same prefix (tests/e2e/win/window_probe_win.cpp): control texts, list and combo items,
check and enabled states, rectangles, the ticker's opacity and message box texts. Screenshots
cannot show what an edit field holds or what a message box says; these can."""
import os
import time

import harness

PROBE = os.path.join(harness.BUILD, "windows", "window_probe.exe")


class Probe:
    def __init__(self, ticker):
        self.ticker = ticker

    def run(self, *args):
        """The probe's output lines, or None when the window or control is missing."""
        out = os.path.join(self.ticker.folder, ".probe.out")
        with open(out, "wb") as f:
            code = harness.subprocess.call(["wine", PROBE, *[str(a) for a in args]], stdout=f,
                                           stderr=harness.subprocess.DEVNULL, env=self.ticker.env, timeout=60)
        if code != 0:
            return None
        with open(out, "rb") as f:
            return f.read().decode("utf-8").splitlines()

    def text(self, title, control):
        lines = self.run("text", title, control)
        return None if lines is None else "\n".join(lines)

    def set_text(self, title, control, text):
        return self.run("set", title, control, text) is not None

    def press(self, title, control):
        return self.run("command", title, control) is not None

    def items(self, title, control):
        """[(text, selected)] of a list or combo box."""
        lines = self.run("items", title, control) or []
        return [(line[1:], True) if line.startswith("*") else (line, False) for line in lines]

    def select(self, title, control, index):
        return self.run("select", title, control, index) is not None

    def state(self, title, control):
        """(checked, enabled), or None."""
        lines = self.run("state", title, control)
        if not lines:
            return None
        checked, enabled = lines[0].split()
        return checked == "1", enabled == "1"

    def rect(self, title, control=0):
        lines = self.run("rect", title, control)
        return tuple(int(v) for v in lines[0].split()) if lines else None

    def opacity(self, title="Newsroller"):
        """The ticker's layered-window alpha (0..255), or None."""
        lines = self.run("opacity", title)
        return int(lines[0]) if lines and lines[0].isdigit() else None

    def message(self, title):
        """The text of the message box titled `title`, or None."""
        lines = self.run("message", title)
        return None if lines is None else "\n".join(lines)

    def wait_text(self, title, control, predicate, timeout=20):
        deadline = time.time() + timeout
        while True:
            value = self.text(title, control)
            if value is not None and predicate(value):
                return value
            if time.time() > deadline:
                return value
            time.sleep(0.3)
