#!/usr/bin/env python3
"""Copies C++ sources for compilers that cannot turn narrow literals into code page 932 (clang has
no -fexec-charset=CP932): in every plain string and character literal, each non-ASCII character
becomes octal escapes (\\ooo, never \\x, which would swallow hex digits after it) of its CP932
bytes. Comments, prefixed literals (u8, u, U, L) and everything else stay as they are, line for
line.

  cp932_literals.py --root ROOT --out OUT FILE...

FILE is relative to ROOT and is written to OUT/FILE (only when its content changed). The bytes come
from Python's cp932 codec and are checked against glibc's iconv, which is what g++ uses for
-fexec-charset=CP932, so the copies compile to the same bytes as the g++ builds."""
import argparse
import os
import subprocess
import sys


class LiteralError(Exception):
    pass


def glibc_cp932(text):
    """The CP932 bytes glibc's iconv gives for `text`, or None when iconv is not there."""
    try:
        result = subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=text.encode("utf-8"),
                                capture_output=True, check=False)
    except OSError:
        return None
    return result.stdout if result.returncode == 0 else b"<no CP932 form>"


def escape_literal(body, where, seen):
    out = []
    for ch in body:
        if ord(ch) < 0x80:
            out.append(ch)
            continue
        try:
            encoded = ch.encode("cp932")
        except UnicodeEncodeError:
            raise LiteralError(f"{where}: U+{ord(ch):04X} has no CP932 form")
        seen[ch] = encoded
        out.append("".join(f"\\{b:03o}" for b in encoded))
    return "".join(out)


def convert(source, name, seen):
    out = []
    i = 0
    n = len(source)
    line = 1
    while i < n:
        c = source[i]
        if c == "\n":
            line += 1
            out.append(c)
            i += 1
        elif source.startswith("//", i):
            end = source.find("\n", i)
            end = n if end < 0 else end
            out.append(source[i:end])
            i = end
        elif source.startswith("/*", i):
            end = source.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append(source[i:end])
            line += source.count("\n", i, end)
            i = end
        elif c in "\"'":
            # The identifier right before the quote: a literal prefix, a raw-string prefix, or (for
            # a quote after digits) a digit separator.
            j = i
            while j > 0 and (source[j - 1].isalnum() or source[j - 1] == "_"):
                j -= 1
            prefix = source[j:i]
            if c == "'" and prefix[:1].isdigit():
                out.append(c)  # digit separator, as in 1'000
                i += 1
                continue
            if c == '"' and prefix.endswith("R") and prefix in ("R", "LR", "uR", "UR", "u8R"):
                open_paren = source.find("(", i)
                delimiter = source[i + 1:open_paren]
                end = source.find(")" + delimiter + '"', open_paren)
                if open_paren < 0 or end < 0:
                    raise LiteralError(f"{name}:{line}: unterminated raw string")
                end += len(delimiter) + 2
                body = source[i:end]
                if prefix == "R" and any(ord(ch) >= 0x80 for ch in body):
                    raise LiteralError(f"{name}:{line}: non-ASCII text in a raw string cannot be escaped")
                out.append(body)
                line += body.count("\n")
                i = end
                continue
            k = i + 1
            while k < n and source[k] != c:
                if source[k] == "\\":
                    k += 1
                elif source[k] == "\n":
                    raise LiteralError(f"{name}:{line}: unterminated literal")
                k += 1
            body = source[i + 1:k]
            if prefix in ("L", "u", "U", "u8"):
                out.append(c + body + c)
            else:
                out.append(c + escape_literal(body, f"{name}:{line}", seen) + c)
            i = k + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    seen = {}
    try:
        for relative in args.files:
            with open(os.path.join(args.root, relative), encoding="utf-8") as f:
                source = f.read()
            converted = convert(source, relative, seen)
            target = os.path.join(args.out, relative)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            old = None
            if os.path.exists(target):
                with open(target, encoding="utf-8") as f:
                    old = f.read()
            if old != converted:
                with open(target, "w", encoding="utf-8") as f:
                    f.write(converted)
    except (LiteralError, UnicodeDecodeError) as error:
        print(f"cp932_literals: {error}", file=sys.stderr)
        return 1
    # Python's cp932 and glibc's differ on a few characters; the copies must match the g++ builds.
    if seen:
        characters = "".join(sorted(seen))
        # One iconv run for all characters, one per character only when that run fails. A line
        # feed is never part of a CP932 character, so it separates them safely.
        together = glibc_cp932("\n".join(characters))
        if together is not None and together != b"<no CP932 form>":
            glibc = together.split(b"\n")
        else:
            glibc = [glibc_cp932(ch) for ch in characters]
        if glibc[0] is None:
            print("cp932_literals: iconv not found, literal bytes not checked against glibc", file=sys.stderr)
        else:
            wrong = [f"U+{ord(ch):04X} cp932 {seen[ch].hex()} glibc {g.hex() if isinstance(g, bytes) else g}"
                     for ch, g in zip(characters, glibc) if g != seen[ch]]
            if wrong:
                print("cp932_literals: Python's cp932 and g++ (glibc) disagree on: " + ", ".join(wrong), file=sys.stderr)
                return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
