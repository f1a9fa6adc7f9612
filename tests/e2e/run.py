#!/usr/bin/env python3
"""Runs the end-to-end tests (tests/e2e/test_*.py, unittest) against the built Newsroller.exe under
Wine, and writes a JUnit file with one test case per test method."""
import argparse
import os
import sys
import time
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))


class JUnitResult(unittest.TextTestResult):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.cases = []
        self._started = {}

    def startTest(self, test):
        self._started[test.id()] = time.time()
        super().startTest(test)

    def _record(self, test, outcome, detail=""):
        elapsed = time.time() - self._started.get(test.id(), time.time())
        self.cases.append((test.id(), outcome, detail, elapsed))

    def addSuccess(self, test):
        super().addSuccess(test)
        self._record(test, "pass")

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._record(test, "failure", self._exc_info_to_string(err, test))

    def addError(self, test, err):
        super().addError(test, err)
        self._record(test, "error", self._exc_info_to_string(err, test))

    def addSkip(self, test, reason):
        super().addSkip(test, reason)
        self._record(test, "skipped", reason)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--junit")
    parser.add_argument("pattern", nargs="?", default="test_*.py")
    args = parser.parse_args()
    os.environ["NEWSROLLER_BUILD"] = os.path.abspath(args.build)
    sys.path.insert(0, HERE)
    suite = unittest.defaultTestLoader.discover(HERE, pattern=args.pattern, top_level_dir=HERE)
    runner = unittest.TextTestRunner(resultclass=JUnitResult, verbosity=2)
    result = runner.run(suite)
    if args.junit:
        root = ET.Element("testsuite", name="e2e")
        for test_id, outcome, detail, elapsed in result.cases:
            classname, _, name = test_id.rpartition(".")
            case = ET.SubElement(root, "testcase", classname=classname, name=name, time=f"{elapsed:.1f}")
            if outcome in ("failure", "error"):
                ET.SubElement(case, outcome, message=outcome).text = detail
            elif outcome == "skipped":
                ET.SubElement(case, "skipped", message=detail)
        os.makedirs(os.path.dirname(os.path.abspath(args.junit)), exist_ok=True)
        ET.ElementTree(root).write(args.junit, encoding="utf-8", xml_declaration=True)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
