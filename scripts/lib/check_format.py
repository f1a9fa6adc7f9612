#!/usr/bin/env python3
"""Fails when a C++ source of the repository differs from what clang-format makes of it with the
repository's .clang-format. Prints the files that differ and writes one JUnit test case to the
given XML path. Usage: check_format.py ROOT RESULT_XML"""
import subprocess
import sys
from xml.sax.saxutils import escape, quoteattr

root, result_path = sys.argv[1], sys.argv[2]
patterns = ["src/*.cpp", "src/*.h", "tests/*.cpp", "tests/*.h", "tools/*.cpp", "bench/*.cpp", "bench/*.h",
            "fuzz/*.cpp"]
files = subprocess.run(["git", "-C", root, "ls-files", "--cached", "--others", "--exclude-standard", *patterns],
                       check=True, capture_output=True, text=True).stdout.split()
unformatted = []
for name in files:
    run = subprocess.run(["clang-format", "--dry-run", "--Werror", name], cwd=root, capture_output=True, text=True)
    if run.returncode != 0:
        unformatted.append(name)
for name in unformatted:
    print(f"not formatted: {name} (clang-format -i {name})")
print(f"format check: {len(files)} files, {len(unformatted)} not formatted")
failure = ""
if unformatted or not files:
    text = escape("\n".join(unformatted) or "no sources found")
    failure = f'<failure message="sources not formatted by clang-format">{text}</failure>'
with open(result_path, "w", encoding="utf-8") as out:
    out.write('<?xml version="1.0" encoding="UTF-8"?>\n<testsuites><testsuite name="format" tests="1">'
              f'<testcase classname="format" name={quoteattr("sources_formatted")}>{failure}</testcase>'
              '</testsuite></testsuites>\n')
sys.exit(1 if failure else 0)
