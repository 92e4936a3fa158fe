#!/usr/bin/env python3
"""The result count of ./test (scripts/gtest-results.py), on results in the forms GoogleTest and ctest
write them. Run by ctest; --gtest_output=xml:PATH writes this program's own results for the count."""
import os
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "gtest-results.py")

GTEST_PASS = """<?xml version="1.0" encoding="UTF-8"?>
<testsuites tests="2" failures="0" name="AllTests"><testsuite name="S" tests="2" failures="0">
<testcase name="A" status="run" result="completed" classname="S"/>
<testcase name="B" status="run" result="completed" classname="S"/></testsuite></testsuites>"""
GTEST_FAIL = """<?xml version="1.0" encoding="UTF-8"?>
<testsuites tests="1" failures="1" name="AllTests"><testsuite name="S" tests="1" failures="1">
<testcase name="A" status="run" result="completed" classname="S"><failure message="x.cpp:1 boom"/></testcase>
</testsuite></testsuites>"""
# ctest --output-junit: "run" when the program passed, "fail" with a failure element otherwise.
CTEST = """<?xml version="1.0" encoding="UTF-8"?>
<testsuite name="(empty)" tests="{n}" failures="0">{cases}</testsuite>"""
PASSED = '<testcase name="{0}" classname="{0}" time="1" status="run"/>'
FAILED = '<testcase name="{0}" classname="{0}" time="1" status="fail"><failure message="Failed"/></testcase>'


class ResultsCount(unittest.TestCase):
    def count(self, programs, ctest=None, ctest_text=None):
        """programs: name -> GoogleTest XML text (None: no file); ctest: name -> passed by ctest."""
        with tempfile.TemporaryDirectory() as d:
            args = []
            if ctest is not None or ctest_text is not None:
                junit = os.path.join(d, "ctest.xml")
                if ctest_text is None:
                    cases = "".join((PASSED if ok else FAILED).format(n) for n, ok in ctest.items())
                    ctest_text = CTEST.format(n=len(ctest), cases=cases)
                if ctest_text != "missing":
                    with open(junit, "w") as f:
                        f.write(ctest_text)
                args += ["--ctest", "native=" + junit]
            for name, text in programs.items():
                path = os.path.join(d, name + ".xml")
                if text is not None:
                    with open(path, "w") as f:
                        f.write(text)
                args.append(f"native/{name}={path}")
            out = subprocess.run([sys.executable, SCRIPT] + args, capture_output=True, text=True).stdout
        total = [line for line in out.splitlines() if line.startswith("TOTAL ")]
        self.assertEqual(1, len(total), out)
        _, passed, failed = total[0].split()
        return int(passed), int(failed), out

    def test_table(self):
        cases = [
            # what, programs, ctest verdicts, passed, failed
            ("all pass", {"a": GTEST_PASS}, {"a": True}, 2, 0),
            ("a test fails", {"a": GTEST_FAIL}, {"a": False}, 0, 1),
            ("passes its tests, fails at exit", {"a": GTEST_PASS}, {"a": False}, 2, 1),
            ("no results file", {"a": None}, {"a": False}, 0, 1),
            ("unreadable results", {"a": "<testsuites"}, {"a": False}, 0, 1),
            ("ctest has no verdict on it", {"a": GTEST_PASS, "b": GTEST_PASS}, {"a": True}, 4, 1),
        ]
        for what, programs, ctest, want_passed, want_failed in cases:
            with self.subTest(what):
                passed, failed, out = self.count(programs, ctest)
                self.assertEqual((want_passed, want_failed), (passed, failed), out)

    def test_missing_or_broken_ctest_verdicts_fail(self):
        for text in ("missing", "<testsuite"):
            with self.subTest(text):
                _, failed, out = self.count({"a": GTEST_PASS}, ctest_text=text)
                self.assertEqual(1, failed, out)

    def test_a_count_that_breaks_still_ends_with_a_failure(self):
        # A results path that is a folder makes the reader itself fail.
        with tempfile.TemporaryDirectory() as d:
            out = subprocess.run([sys.executable, SCRIPT, f"native/a={d}"], capture_output=True, text=True)
        self.assertNotEqual(0, out.returncode)
        self.assertEqual("TOTAL 0 1", out.stdout.splitlines()[-1], out.stdout + out.stderr)


def write_gtest_xml(path, result):
    root = ET.Element("testsuites", tests=str(result.testsRun), failures=str(len(result.failures + result.errors)))
    suite = ET.SubElement(root, "testsuite", name="ResultsCount")
    failed = {str(t.id()): text for t, text in result.failures + result.errors}
    for test_id in result.ran:
        case = ET.SubElement(suite, "testcase", name=test_id.split(".")[-1], classname="ResultsCount",
                             status="run")
        if test_id in failed:
            ET.SubElement(case, "failure", message=failed[test_id][-2000:])
    ET.ElementTree(root).write(path, encoding="utf-8", xml_declaration=True)


class RecordingResult(unittest.TextTestResult):
    def startTest(self, test):
        super().startTest(test)
        self.ran = getattr(self, "ran", []) + [test.id()]


if __name__ == "__main__":
    output = next((a.split("xml:", 1)[1] for a in sys.argv[1:] if a.startswith("--gtest_output=xml:")), None)
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(ResultsCount)
    result = unittest.TextTestRunner(resultclass=RecordingResult, verbosity=2).run(suite)
    if output:
        write_gtest_xml(output, result)
    sys.exit(0 if result.wasSuccessful() else 1)
