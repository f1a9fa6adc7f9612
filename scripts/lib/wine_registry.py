#!/usr/bin/env python3
"""Prints a .reg file (UTF-16 with BOM, as regedit expects) that prepares the test Wine prefix:
Japanese faces mapped to the IPA fonts, and the shell's "open" of web links and .html files sent
and plain-text files (the guide) sent to a recorder script instead of a browser or Notepad."""
import sys

recorder = sys.argv[1]


def q(value):
    return '"' + value.replace('\\', '\\\\').replace('"', '\\"') + '"'


lines = [
    "Windows Registry Editor Version 5.00",
    "",
    r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]",
    q("ＭＳ Ｐゴシック") + "=" + q("IPAPGothic"),
    q("MS PGothic") + "=" + q("IPAPGothic"),
    q("ＭＳ ゴシック") + "=" + q("IPAGothic"),
    q("MS Gothic") + "=" + q("IPAGothic"),
    q("ＭＳ Ｐ明朝") + "=" + q("IPAPGothic"),
    q("ＭＳ 明朝") + "=" + q("IPAGothic"),
    q("MS UI Gothic") + "=" + q("IPAPGothic"),
    q("MS Shell Dlg") + "=" + q("IPAPGothic"),
    q("MS Shell Dlg 2") + "=" + q("IPAPGothic"),
    "",
    r"[HKEY_CURRENT_USER\Software\Wine\WineBrowser]",
    q("Browsers") + "=" + q(recorder),
    "",
    r"[HKEY_CLASSES_ROOT\.html]",
    "@=" + q("htmlfile"),
    "",
    r"[HKEY_CLASSES_ROOT\.htm]",
    "@=" + q("htmlfile"),
    "",
    r"[HKEY_CLASSES_ROOT\htmlfile\shell\open\command]",
    "@=" + q(r'C:\windows\system32\winebrowser.exe "%1"'),
    "",
    r"[HKEY_CLASSES_ROOT\.txt]",
    "@=" + q("txtfile"),
    "",
    r"[HKEY_CLASSES_ROOT\txtfile\shell\open\command]",
    "@=" + q(r'C:\windows\system32\winebrowser.exe "%1"'),
    "",
]
sys.stdout.buffer.write(("\r\n".join(lines) + "\r\n").encode("utf-16"))
