"""The ticker's dialogs read and driven from a second program in the same Wine prefix
(tests/e2e/win/window_probe_win.cpp, built as build/windows/window_probe.exe): control texts,
message box texts, the focused control, check boxes, list and combo box items and selections, and
the layered windows' opacity, which a screenshot cannot tell; and a program file held open without
sharing, as another program may hold it.

    box = probe.wait_window(ticker, "入力エラー")
    assert probe.message_text(box) == "時刻が不正です。"
"""
import json
import os
import subprocess
import time

from harness import BUILD, run_quiet

PROBE = os.path.join(BUILD, "windows", "window_probe.exe")


def run(ticker, *args):
    code, output = run_quiet(["wine", PROBE, *[str(a) for a in args]], env=ticker.env, timeout=60)
    return code, output


def dump(ticker):
    """Every visible top-level window of the prefix: dicts with hwnd, pid, owner, enabled, focus,
    focus_id, rect [left, top, right, bottom], class, title and children (hwnd, id, visible, enabled,
    rect, class, text, and checked or selection)."""
    code, output = run(ticker, "dump")
    start = output.find("[")
    if code != 0 or start < 0:
        raise RuntimeError(f"window_probe dump failed ({code}): {output[:500]}")
    return json.loads(output[start:])


def windows(ticker, title):
    return [w for w in dump(ticker) if w["title"] == title]


def wait_window(ticker, title, timeout=15, gone=False):
    """The window titled `title` (the newest when there are several), or None; with gone=True, True
    once no such window is left."""
    deadline = time.time() + timeout
    while True:
        found = windows(ticker, title)
        if gone and not found:
            return True
        if not gone and found:
            return found[-1]
        if time.time() > deadline:
            return False if gone else None
        time.sleep(0.2)


def control(window, control_id):
    for child in window["children"]:
        if child["id"] == control_id:
            return child
    raise KeyError(f"no control {control_id} in {window['title']}")


def controls_of_class(window, class_name):
    return [c for c in window["children"] if c["class"].lower() == class_name.lower()]


def message_text(box):
    """The text of a message box: its static control with text (the icon's static has none)."""
    texts = [c["text"] for c in controls_of_class(box, "Static") if c["text"]]
    return texts[0] if texts else None


def set_text(ticker, child, text):
    return run(ticker, "settext", child["hwnd"], text)[0] == 0


def click(ticker, child):
    return run(ticker, "click", child["hwnd"])[0] == 0


def resize(ticker, window, width, height):
    return run(ticker, "resize", window["hwnd"], width, height)[0] == 0


def select(ticker, child, index):
    """Selects item `index` of a list or combo box; its dialog is told as if the user had chosen it."""
    return run(ticker, "select", child["hwnd"], index)[0] == 0


def control_text(ticker, title, control_id):
    """The text of a control of the window titled `title`, or None when there is no such window."""
    window = wait_window(ticker, title, timeout=5)
    return control(window, control_id)["text"] if window else None


def wait_control_text(ticker, title, control_id, predicate, timeout=20):
    """Reads the control's text until predicate(text) holds; the last text read."""
    deadline = time.time() + timeout
    while True:
        text = control_text(ticker, title, control_id)
        if (text is not None and predicate(text)) or time.time() > deadline:
            return text
        time.sleep(0.3)


def opacity(ticker, title="Newsroller"):
    """The layered window's alpha (0 to 255), or None."""
    found = windows(ticker, title)
    return found[0]["alpha"] if found else None


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def windows_path(path):
    """The path of a host file as Wine programs see it (the host's root is drive Z:)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def hold(ticker, path, seconds=120):
    """Starts holding the file at `path` open without sharing, in the background, and waits until it
    is held. Returns release(), which lets it go and returns the holder's exit code (0)."""
    marks = os.path.join(ticker.folder, os.path.basename(path))
    ready, release = marks + ".held", marks + ".release"
    log = open(os.path.join(ticker.folder, "hold.log"), "wb")
    holder = subprocess.Popen(["wine", PROBE, "hold", windows_path(path), windows_path(ready), windows_path(release),
                               str(seconds)], cwd=ticker.folder, env=ticker.env, stdin=subprocess.DEVNULL,
                              stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
    deadline = time.time() + 30
    while not os.path.exists(ready) and holder.poll() is None and time.time() < deadline:
        time.sleep(0.1)
    if not os.path.exists(ready):
        holder.kill()
        log.close()
        raise RuntimeError(f"window_probe could not hold {path}")

    def let_go():
        with open(release, "wb"):
            pass
        try:
            return holder.wait(30)
        finally:
            log.close()
            for mark in (ready, release):
                if os.path.exists(mark):
                    os.remove(mark)

    return let_go
