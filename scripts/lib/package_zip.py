#!/usr/bin/env python3
"""Packs the release: the built Newsroller.exe, the Japanese guide (Shift_JIS, CR LF, for Notepad),
the program's licence and the notices of the libraries linked into the exe, in one folder
Newsroller/ of dist/Newsroller-<version>-win64.zip, with dist/SHA256SUMS beside it. The folder
carries no version, so that a new version unpacked over the old folder replaces the program and
keeps the user's files.

The zip is the same byte for byte from the same exe: entries in a fixed order, every date the
commit's (SOURCE_DATE_EPOCH), fixed attributes, one compression level. The Japanese file name is
stored in UTF-8 with the zip's language-encoding flag (bit 11) set, which Windows 10 and 11's
Explorer, 7-Zip and Info-ZIP's unzip honour."""
import argparse
import hashlib
import os
import re
import sys
import time
import zipfile

GUIDE_NAME = "はじめにお読みください.txt"
NOTICES_NAME = "THIRD-PARTY-NOTICES.txt"
LICENSE_NAME = "LICENSE.txt"
EXE_NAME = "Newsroller.exe"
FOLDER = "Newsroller/"
# The guide's line for the distributor's page when the build names none.
NO_PAGE = "この zip ファイルを入手したページ"

# The licence files of the tool chain whose libraries are linked statically into the exe.
GCC_COPYRIGHT = "/usr/share/doc/gcc-mingw-w64-base/copyright"
MINGW_COPYRIGHT = "/usr/share/doc/mingw-w64-x86-64-dev/copyright"
GPL3 = "/usr/share/common-licenses/GPL-3"


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def guide_text(source, version, page):
    """The guide's text with the version and the distributor's page filled in."""
    with open(source, encoding="utf-8") as f:
        return f.read().replace("@VERSION@", version).replace("@DISTRIBUTOR_PAGE@", page or NO_PAGE)


def guide_bytes(source, version, page):
    """The guide in Shift_JIS with CR LF; a character Shift_JIS cannot hold stops the packing."""
    text = guide_text(source, version, page)
    try:
        return crlf(text).encode("cp932")
    except UnicodeEncodeError as error:
        sys.exit(f"package: {source}: {text[error.start:error.end]!r} has no Shift_JIS form")


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def between(text, first, last):
    """The text from the line holding `first` to the end of the line holding `last`."""
    start = text.index(first)
    start = text.rfind("\n", 0, start) + 1
    end = text.index("\n", text.index(last, start)) + 1
    return text[start:end]


def notices_bytes(version):
    gcc = read(GCC_COPYRIGHT)
    gcc_terms = between(gcc, "GCC is free software", "later version.")
    exception = between(gcc, "GCC RUNTIME LIBRARY EXCEPTION", "requirements of the license of GCC.")
    rule = "=" * 72 + "\n"
    parts = [
        f"Newsroller {version} - notices of third-party software\n"
        "Newsroller.exe に組み込まれている第三者のソフトウェアの著作権表示とライセンスです。\n"
        "Newsroller 自身のライセンスは LICENSE.txt にあります。\n\n"
        "Newsroller.exe is built with the MinGW-w64 tool chain (GCC 12, posix threads) and links these\n"
        "libraries statically; it uses no other third-party code:\n"
        "  1. the GCC runtime libraries libstdc++ (the C++ standard library) and libgcc:\n"
        "     GNU General Public License version 3 with the GCC Runtime Library Exception 3.1;\n"
        "  2. the MinGW-w64 runtime (start-up code and C runtime additions, mingw-w64-crt) and its\n"
        "     thread library winpthreads (libwinpthread): the licences listed in section 2.\n"
        "The full text of the GNU General Public License version 3 closes this file.\n\n",
        rule + "1. GCC runtime libraries (libstdc++, libgcc)\n" + rule,
        "Copyright (C) Free Software Foundation, Inc.\n\n" + gcc_terms + "\n" + exception + "\n",
        rule + "2. MinGW-w64 runtime and winpthreads (the licence file of the tool chain's package)\n" + rule,
        read(MINGW_COPYRIGHT) + "\n",
        rule + "GNU GENERAL PUBLIC LICENSE, version 3\n" + rule,
        read(GPL3),
    ]
    # UTF-8 with a byte-order mark: Notepad recognises it on every Windows.
    return b"\xef\xbb\xbf" + crlf("".join(parts)).encode("utf-8")


def add(archive, name, data, date_time):
    info = zipfile.ZipInfo(name, date_time)
    # Made on Unix, with the MS-DOS attributes Windows reads in the low byte. (Info-ZIP's unzip
    # reads names from an MS-DOS-made archive in the OEM code page even when bit 11 is set.)
    info.create_system = 3
    if name.endswith("/"):
        info.external_attr = (0o40755 << 16) | 0x10  # directory
        info.compress_type = zipfile.ZIP_STORED
    else:
        info.external_attr = (0o100644 << 16) | 0x20  # a file with the archive bit
        info.compress_type = zipfile.ZIP_DEFLATED
    archive.writestr(info, data, compress_type=info.compress_type, compresslevel=9)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--guide", required=True, help="the guide's source, UTF-8")
    parser.add_argument("--version", required=True)
    parser.add_argument("--page", default="", help="the distributor's web page of the build (may be empty)")
    parser.add_argument("--license", required=True, help="the program's licence, LICENSE")
    parser.add_argument("--out", required=True, help="the dist folder")
    args = parser.parse_args()

    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "1262304000"))
    # Zip dates are local times without a zone and start in 1980; the commit's UTC time is used.
    date_time = time.gmtime(max(epoch, 315532800))[:6]
    date_time = (date_time[0], date_time[1], date_time[2], date_time[3], date_time[4], date_time[5] & ~1)

    folder = FOLDER
    with open(args.exe, "rb") as f:
        exe = f.read()
    entries = [
        (folder, b""),
        (folder + EXE_NAME, exe),
        (folder + LICENSE_NAME, crlf(read(args.license)).encode("ascii")),
        (folder + NOTICES_NAME, notices_bytes(args.version)),
        (folder + GUIDE_NAME, guide_bytes(args.guide, args.version, args.page)),
    ]
    os.makedirs(args.out, exist_ok=True)
    zip_name = f"Newsroller-{args.version}-win64.zip"
    zip_path = os.path.join(args.out, zip_name)
    temporary = zip_path + ".new"
    with zipfile.ZipFile(temporary, "w") as archive:
        for name, data in entries:
            add(archive, name, data, date_time)
    os.replace(temporary, zip_path)

    with open(zip_path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(os.path.join(args.out, "SHA256SUMS"), "w", newline="\n") as f:
        f.write(f"{digest}  {zip_name}\n")
    print(f"{zip_path}: {os.path.getsize(zip_path)} bytes, sha256 {digest}")


if __name__ == "__main__":
    main()
