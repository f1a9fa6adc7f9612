#!/usr/bin/env python3
"""Counts the test cases in the JUnit/GoogleTest XML files of the given folders and prints one
line "N passed, N failed". Exit code 1 when any failed or when no result was found."""
import glob
import os
import sys
import xml.etree.ElementTree as ET

passed = failed = 0
failures = []
for folder in sys.argv[1:]:
    for path in sorted(glob.glob(os.path.join(folder, "*.xml"))):
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError as error:
            failed += 1
            failures.append(f"{path}: unreadable results ({error})")
            continue
        for case in root.iter("testcase"):
            if case.get("status") == "notrun" or case.find("skipped") is not None:
                continue
            if case.find("failure") is not None or case.find("error") is not None:
                failed += 1
                failures.append(f"{os.path.basename(path)}: {case.get('classname')}.{case.get('name')}")
            else:
                passed += 1
for line in failures:
    print("FAILED", line)
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed or passed == 0 else 0)
