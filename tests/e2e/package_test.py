"""The release zip as a Windows user gets it (scripts/package): made twice, from build folders with
different paths, it is the same byte for byte; it holds one folder Newsroller/ (no version: a new
version unpacks over the old one) with the exe, the guide, the licence and the notices; the exe is
stripped and imports only system DLLs; the guide is Shift_JIS with CR LF, has its sections in order,
fits Notepad's width and names only what the program shows, and README.ja.md is made from it;
unpacked into a folder whose path holds Japanese characters and spaces, the exe starts there, writes
its files there and nowhere else, and "終了" ends it with 0.

Run by scripts/test as its own step (run.py --build BUILD package_test.py): it builds the release
twice, which takes a few minutes."""
import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
import unicodedata
import unittest
import zipfile

from harness import BUILD, ROOT, Ticker, wine_env

sys.path.insert(0, os.path.join(ROOT, "scripts", "lib"))
import readme_ja  # noqa: E402

WORK = os.path.join(BUILD, "package")
GUIDE = "はじめにお読みください.txt"
SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
               "oleaut32.dll", "shell32.dll", "user32.dll", "wininet.dll"}
# Where a user of this test's example keeps tools: a profile folder with a space and Japanese names.
USER_FOLDER = ("users", "テスト ユーザー", "ツール")
# The guide's sections, in the order a user looks for them.
SECTIONS = ["Newsroller とは", "動作環境", "ファイル構成", "インストール（展開）", "初めての起動とフィードの登録",
            "ティッカーの使い方", "右クリックメニュー", "設定", "OPML で読み込む・書き出す", "スケジュールと警告",
            "データの保存場所", "別の PC への移動", "新しいバージョンにするとき", "困ったとき", "アンインストール",
            "注意事項", "免責事項", "著作権・ライセンス", "更新履歴", "問題の報告"]


def version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(Newsroller VERSION ([0-9.]+)", f.read()).group(1)


def package(build, out):
    log = os.path.join(WORK, os.path.basename(out) + ".log")
    with open(log, "wb") as f:
        code = subprocess.call([os.path.join(ROOT, "scripts", "package"), "--build", build, "--out", out],
                               stdout=f, stderr=subprocess.STDOUT, timeout=1200)
    if code != 0:
        raise AssertionError(f"scripts/package failed with {code}; see {log}")
    return os.path.join(out, f"Newsroller-{version()}-win64.zip")


def objdump(option, path):
    return subprocess.run(["x86_64-w64-mingw32-objdump", option, path], check=True, stdout=subprocess.PIPE,
                          text=True).stdout


def resource_names():
    """Every text of the resource script the exe is built from, as the user sees it: the line
    breaks of two-line buttons ("削\\n除") taken out."""
    with open(os.path.join(ROOT, "src", "res", "newsroller.rc"), encoding="utf-8") as f:
        lines = [line for line in f if not line.lstrip().startswith("//")]
    return {text.replace('""', '"').replace("\\n", "") for text in re.findall(r'"((?:[^"]|"")*)"', "".join(lines))}


def source_text():
    parts = []
    for path in sorted(glob.glob(os.path.join(ROOT, "src", "*", "*.cpp")) + glob.glob(os.path.join(ROOT, "src", "*", "*.h"))):
        with open(path, encoding="utf-8") as f:
            parts.append(f.read())
    return "\n".join(parts)


def tree(top, skip):
    """Every file and folder under `top` except under `skip`: path -> (size, modification time)."""
    found = {}
    for folder, dirs, files in os.walk(top):
        dirs[:] = [d for d in dirs if os.path.join(folder, d) != skip]
        for name in dirs + files:
            path = os.path.join(folder, name)
            st = os.lstat(path)
            found[path] = (st.st_size if name in files else 0, st.st_mtime_ns)
    return found


def registry_lines(env):
    """The lines of the prefix's registry files that name the program (keys without their dates)."""
    lines = set()
    for hive in ("user.reg", "system.reg"):
        with open(os.path.join(env["WINEPREFIX"], hive), encoding="utf-8", errors="replace") as f:
            lines |= {re.sub(r"\] \d+$", "]", line.strip()) for line in f if "newsroller" in line.lower()}
    return lines


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        os.makedirs(WORK, exist_ok=True)
        # The release build folder of scripts/package, and a fresh one at another path.
        cls.zip_path = package(os.path.join(BUILD, "release"), os.path.join(WORK, "dist"))
        again = os.path.join(WORK, "build-again")
        shutil.rmtree(again, ignore_errors=True)
        cls.zip_again = package(again, os.path.join(WORK, "dist-again"))
        with zipfile.ZipFile(cls.zip_path) as archive:
            cls.entries = archive.infolist()
            cls.files = {info.filename: archive.read(info) for info in cls.entries}
        cls.folder = "Newsroller/"

    def test_two_package_runs_give_the_same_zip_and_its_checksum(self):
        with open(self.zip_path, "rb") as f:
            first = f.read()
        with open(self.zip_again, "rb") as f:
            self.assertEqual(first, f.read(), "two builds of the same commit gave different zips")
        with open(os.path.join(os.path.dirname(self.zip_path), "SHA256SUMS"), encoding="ascii") as f:
            self.assertEqual(f.read(), f"{hashlib.sha256(first).hexdigest()}  {os.path.basename(self.zip_path)}\n")

    def test_zip_holds_one_folder_with_the_exe_the_guide_the_licence_and_the_notices(self):
        self.assertEqual([info.filename for info in self.entries],
                         [self.folder, self.folder + "Newsroller.exe", self.folder + "LICENSE.txt",
                          self.folder + "THIRD-PARTY-NOTICES.txt", self.folder + GUIDE])
        # The Japanese name is stored as UTF-8 and says so (bit 11), for Explorer and unzip alike.
        self.assertTrue(self.entries[4].flag_bits & 0x800)
        with open(os.path.join(ROOT, "LICENSE"), encoding="ascii") as f:
            licence = f.read()
        self.assertTrue(licence.startswith("MIT License\n"))
        self.assertEqual(self.files[self.folder + "LICENSE.txt"], licence.replace("\n", "\r\n").encode("ascii"))
        self.assertEqual(len({info.date_time for info in self.entries}), 1)
        notices = self.files[self.folder + "THIRD-PARTY-NOTICES.txt"].decode("utf-8-sig")
        for part in ("libstdc++", "GCC RUNTIME LIBRARY EXCEPTION", "winpthreads", "Lockless Inc.",
                     "mingw-w64", "GNU GENERAL PUBLIC LICENSE"):
            self.assertIn(part, notices)

    def test_exe_is_stripped_static_and_holds_no_build_path(self):
        exe = os.path.join(WORK, "Newsroller.exe")
        with open(exe, "wb") as f:
            f.write(self.files[self.folder + "Newsroller.exe"])
        sections = re.findall(r"^\s+\d+\s+(\S+)", objdump("-h", exe), re.M)
        self.assertIn(".text", sections)
        self.assertEqual([s for s in sections if s.startswith((".debug", ".zdebug", ".stab"))], [])
        headers = objdump("-p", exe)
        imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
        self.assertIn("kernel32.dll", imports)
        self.assertEqual(imports - SYSTEM_DLLS, set())
        self.assertRegex(headers, r"Time/Date\s+Thu Jan  1 00:00:00 1970")
        for path in (ROOT, BUILD, "/usr/"):
            self.assertNotIn(path.encode(), self.files[self.folder + "Newsroller.exe"])

    def test_guide_is_shift_jis_with_crlf_and_names_what_the_program_shows(self):
        data = self.files[self.folder + GUIDE]
        text = data.decode("cp932")  # strict: a byte that is not Shift_JIS fails here
        self.assertEqual(data.count(b"\n"), data.count(b"\r\n"))
        self.assertEqual(data.count(b"\r"), data.count(b"\r\n"))
        self.assertTrue(data.endswith(b"\r\n"))
        self.assertIn(f"Newsroller {version()}", text)
        # 「…」 quotes a menu item, button or field of the resources; 『…』 a text the program shows.
        names, sources = resource_names(), source_text()
        for opening, closing, known, what in (("「", "」", names.__contains__, "the resources"),
                                              ("『", "』", sources.__contains__, "the sources")):
            quoted = re.findall(f"{opening}([^{closing}]*){closing}", text)
            self.assertGreater(len(quoted), 3)
            self.assertEqual([q for q in quoted if "\n" in q], [], "a quoted name is broken over two lines")
            self.assertEqual(sorted({q for q in quoted if not known(q)}), [], f"quoted but not in {what}")

    def test_guide_has_its_sections_in_order_fits_notepad_and_readme_is_made_from_it(self):
        text = self.files[self.folder + GUIDE].decode("cp932").replace("\r\n", "\n")
        numbered = [f"{n}. {title}" for n, title in enumerate(SECTIONS, 1)]
        self.assertEqual(re.findall(r"^■ (.*)$", text, re.M), numbered)
        contents = text[text.index("目次\n"):text.index("\n\n", text.index("目次\n"))]
        self.assertEqual([line.strip() for line in contents.split("\n")[1:]], numbered)
        # Nothing left to fill in; a build without a distributor's page names where the zip came from.
        self.assertNotIn("@", text.replace("@VERSION@", ""))
        self.assertIn("配布ページ・連絡先：" + readme_ja.package_zip.NO_PAGE + "\n", text)
        # Notepad's 66 columns, a full-width character counting two.
        self.assertEqual([line for line in text.split("\n")
                          if sum(2 if unicodedata.east_asian_width(c) in "WFA" else 1 for c in line) > 66], [])
        with open(os.path.join(ROOT, "README.ja.md"), encoding="utf-8") as f:
            self.assertEqual(f.read(), readme_ja.readme(), "README.ja.md is not made from the guide: "
                             "run scripts/lib/readme_ja.py")

    def test_unpacked_under_a_japanese_folder_it_runs_there_and_writes_nowhere_else(self):
        env = wine_env()
        drive_c = os.path.join(env["WINEPREFIX"], "drive_c")
        tools = os.path.join(drive_c, *USER_FOLDER)
        shutil.rmtree(os.path.join(drive_c, *USER_FOLDER[:2]), ignore_errors=True)
        os.makedirs(tools)
        with zipfile.ZipFile(self.zip_path) as archive:
            archive.extractall(tools)
        program = os.path.join(tools, self.folder.rstrip("/"))
        windows_exe = "C:\\" + "\\".join(USER_FOLDER + (self.folder.rstrip("/"), "Newsroller.exe"))
        # Started from another folder, as the shell's Run entry starts it at sign-in.
        elsewhere = os.path.join(WORK, "current-folder")
        shutil.rmtree(elsewhere, ignore_errors=True)
        os.makedirs(elsewhere)

        ticker = Ticker("package", start=False, program=program, command=["wine", windows_exe], cwd=elsewhere)
        self.addCleanup(ticker.close)
        before, registry_before = tree(drive_c, program), registry_lines(env)
        ticker.start()
        ticker.wait_for(lambda: os.path.exists(os.path.join(program, "Newsroller.ini")), timeout=15)
        ticker.screenshot("started-from-unpacked-folder")
        self.assertEqual(ticker.quit(), 0)
        ticker.close()  # ends Wine's own processes, which write the prefix's registry

        self.assertEqual(sorted(os.listdir(program)),
                         sorted(["Newsroller.exe", "Newsroller.ini", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt", "URL-List.txt",
                                 GUIDE, "cache"]))
        self.assertEqual(os.listdir(elsewhere), [])
        after = tree(drive_c, program)
        self.assertEqual({p for p in set(before) | set(after) if before.get(p) != after.get(p)}, set(),
                         "the program wrote outside its folder")
        self.assertEqual(registry_lines(env) - registry_before, set(), "the program wrote to the registry")


if __name__ == "__main__":
    unittest.main()
