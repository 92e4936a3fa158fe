#!/usr/bin/env python3
"""Counts GoogleTest XML results.

usage: gtest-results.py LABEL=XML ...

Prints one line per test program ("LABEL: N passed, N failed, N skipped"), the message of every
failed test, and last the line "TOTAL <passed> <failed>". A program that left no results, or results
that cannot be read, counts as one failure: it crashed, hung or did not start.
"""
import sys
import xml.etree.ElementTree as ET


def count(path):
    root = ET.parse(path).getroot()
    cases = list(root.iter("testcase"))
    passed = failed = skipped = 0
    messages = []
    for case in cases:
        name = f"{case.get('classname', '')}.{case.get('name', '')}"
        failures = case.findall("failure") + case.findall("error")
        if failures:
            failed += 1
            for f in failures:
                text = (f.get("message") or f.text or "").strip()
                messages.append(f"  FAILED {name}\n" + "\n".join("    " + line for line in text.splitlines()[:20]))
        elif case.get("status") == "notrun" or case.get("result") in ("skipped", "suppressed") \
                or case.find("skipped") is not None:
            skipped += 1
        else:
            passed += 1
    # A crash in the middle of a program may still leave a file; GoogleTest writes it at the end only,
    # so an empty suite list means nothing ran.
    if not cases and root.get("tests", "0") != "0":
        raise ValueError("no test cases in the results")
    return passed, failed, skipped, messages


def main(args):
    total_passed = total_failed = 0
    for arg in args:
        label, _, path = arg.partition("=")
        try:
            passed, failed, skipped, messages = count(path)
        except FileNotFoundError:
            print(f"{label}: no results (the program crashed, hung or did not start)")
            total_failed += 1
            continue
        except (ET.ParseError, ValueError) as error:
            print(f"{label}: unreadable results ({error})")
            total_failed += 1
            continue
        print(f"{label}: {passed} passed, {failed} failed, {skipped} skipped")
        for m in messages:
            print(m)
        total_passed += passed
        total_failed += failed
    print(f"TOTAL {total_passed} {total_failed}")


if __name__ == "__main__":
    main(sys.argv[1:])
