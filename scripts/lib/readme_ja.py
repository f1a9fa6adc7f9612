#!/usr/bin/env python3
"""Makes README.ja.md from the guide docs/guide.ja.txt, so that the two carry one text:

    python3 scripts/lib/readme_ja.py          # writes README.ja.md
    python3 scripts/lib/readme_ja.py --check  # exit 1 when README.ja.md is not the guide's

The guide's layout is read as Markdown: "■" headings become ##, "□" headings ###, lines that start
with "・" or "1." list items (their indented lines run on), other indented lines blocks of code, and
the lines of a paragraph run together (a space kept only beside a Latin word). The version and the
distributor's page are filled in as in the zip; the screenshots of docs/ go under the headings named
in PICTURES."""
import argparse
import os
import re
import sys
import textwrap

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
import package_zip  # noqa: E402

GUIDE = os.path.join(ROOT, "docs", "guide.ja.txt")
README = os.path.join(ROOT, "README.ja.md")
# Heading (without its number) -> pictures shown under it: (file under docs/, caption). A picture
# whose file is missing is left out (the feed lookup's chooser, docs/feed-chooser.png, until its
# dialog exists).
PICTURES = {
    "": [("ticker-scrolling.png", "記事の見出しが流れるティッカー")],
    "初めての起動とフィードの登録": [("first-start.png", "展開したフォルダーから初めて起動したところ"),
                          ("settings-dialog.png", "設定画面")],
    "サイトのアドレスからフィードを探す": [("feed-chooser.png", "フィードがいくつかあるときの一覧")],
    "右クリックメニュー": [("ticker-menu.png", "見出しが流れている間に開いた右クリックメニュー")],
    "スケジュールと警告": [("schedule-window.png", "スケジュールの一覧")],
}
PICTURE_NOTE = ("画面写真は Windows 互換の環境で撮ったものです。タイトルバーなどの見た目は、"
                "実際の Windows とは違います。")
# After these a Latin word that follows needs no space.
JAPANESE_MARKS = set("、。「」『』（）［］：・→")


def version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(Newsroller VERSION ([0-9.]+)", f.read()).group(1)


def page():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        found = re.search(r'set\(NEWSROLLER_DISTRIBUTOR_PAGE "([^"]*)"', f.read())
    return found.group(1) if found else ""


def run_on(text, line):
    """Joins the next line of a paragraph or list item to `text`."""
    if not text or text.endswith("<br>"):
        return text + line
    latin_end = text[-1].isascii() and not text[-1].isspace()
    latin_start = line[0].isascii() and line[0].isalnum() and text[-1] not in JAPANESE_MARKS
    return text + (" " if latin_end or latin_start else "") + line


def indent_of(line):
    return len(line) - len(line.lstrip(" "))


def pictures(heading, folder):
    shown = [(name, caption) for name, caption in PICTURES.get(heading, [])
             if os.path.exists(os.path.join(folder, name))]
    return [f"![{caption}](docs/{name})\n" for name, caption in shown]


def markdown(text, docs):
    out = []
    # What is being collected: ("item", marker, indent of its text, text), ("para", text) or
    # ("code", lines); items in a row make one list.
    current = None

    def emit(next_kind=None):
        nonlocal current
        if current is None:
            return
        kind = current[0]
        if kind == "item":
            out.append(f"{current[1]} {current[3]}\n")
            if next_kind != "item":
                out.append("\n")
        elif kind == "para":
            out.append(current[1] + "\n\n")
        else:
            out.append("```\n" + textwrap.dedent("\n".join(current[1])) + "\n```\n\n")
        current = None

    title_done = False
    for line in text.split("\n"):
        stripped = line.strip()
        if stripped.startswith("====="):
            continue
        if not stripped:
            emit()
            continue
        if not title_done:
            out.append(f"# {stripped.replace('　', ' ')}\n\n")
            out.extend(pictures("", docs))
            out.append("\n" + PICTURE_NOTE + "\n\n")
            title_done = True
            continue
        heading = re.match(r"^([■□]) (?:\d+\. )?(.*)$", line)
        if heading:
            emit()
            out.append(("## " if heading.group(1) == "■" else "### ") + line[2:] + "\n\n")
            found = pictures(heading.group(2), docs)
            out.extend(found + (["\n"] if found else []))
            continue
        bullet = re.match(r"^( *)(・|\d+\. )(.*)$", line)
        # A number starts a list item at the start of a block, after an item, as "1." or indented
        # (the contents); elsewhere it is a paragraph's line.
        starts = current is None or current[0] == "item" or bullet and (bullet.group(1) or bullet.group(2) == "1. ")
        if bullet and (bullet.group(2) == "・" or starts):
            emit("item")
            ordered = bullet.group(2) != "・"
            width = len(bullet.group(2)) if ordered else 2
            current = ["item", bullet.group(2).strip() if ordered else "-", indent_of(line) + width, bullet.group(3)]
            continue
        if current and current[0] == "item" and indent_of(line) == current[2]:
            current[3] = run_on(current[3], stripped)
            continue
        if current and current[0] == "item" and indent_of(line) > current[2]:
            current[3] += f"<br>`{stripped}`<br>"
            continue
        if indent_of(line) > 0:
            if not current or current[0] != "code":
                emit()
                current = ["code", []]
            current[1].append(line)
            continue
        if not current or current[0] != "para":
            emit()
            current = ["para", ""]
        current[1] = run_on(current[1], stripped)
    emit()
    body = "".join(out)
    return re.sub(r"\n{3,}", "\n\n", body).rstrip("\n") + "\n"


def readme(guide=GUIDE):
    return markdown(package_zip.guide_text(guide, version(), page()), os.path.join(ROOT, "docs"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--check", action="store_true", help="only compare README.ja.md with the guide")
    args = parser.parse_args()
    text = readme()
    if args.check:
        with open(README, encoding="utf-8") as f:
            same = f.read() == text
        if not same:
            print("README.ja.md differs from docs/guide.ja.txt: run scripts/lib/readme_ja.py", file=sys.stderr)
        return 0 if same else 1
    with open(README + ".new", "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    os.replace(README + ".new", README)
    return 0


if __name__ == "__main__":
    sys.exit(main())
