#!/usr/bin/env python3
"""Counts the test results of a ./test run.

usage: gtest-results.py [--ctest SIDE=JUNIT ...] LABEL=XML ...

LABEL is "SIDE/PROGRAM"; XML is the GoogleTest XML the program wrote; JUNIT is the JUnit XML that
ctest wrote for SIDE (--output-junit), which holds ctest's own verdict on every program.

Prints one line per test program ("LABEL: N passed, N failed, N skipped"), the message of every
failed test, and last the line "TOTAL <passed> <failed>". Each of these counts as one failure more:
- a program that left no results, or results that cannot be read (it crashed, hung or did not start);
- a program that ctest failed although its own results hold no failure (it leaked, crashed or ended
  with a non-zero status after its tests had run);
- a program that ctest has no verdict on (its JUnit file is missing, unreadable or lacks the program).
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


def ctest_verdicts(path):
    """Program name -> None when ctest passed it, else ctest's reason ("Failed", "Timeout", ...)."""
    verdicts = {}
    for case in ET.parse(path).getroot().iter("testcase"):
        failure = case.find("failure")
        if failure is not None or case.get("status") not in ("run", "notrun", "disabled"):
            reason = (failure.get("message") if failure is not None else None) or case.get("status") or "failed"
            verdicts[case.get("name", "")] = reason
        else:
            verdicts[case.get("name", "")] = None
    return verdicts


def main(args):
    sides = {}  # side -> verdicts, or the text of why they cannot be read
    results = []
    it = iter(args)
    for arg in it:
        if arg == "--ctest":
            side, _, path = next(it, "").partition("=")
            try:
                sides[side] = ctest_verdicts(path)
            except FileNotFoundError:
                sides[side] = f"ctest wrote no verdicts ({path} is missing)"
            except ET.ParseError as error:
                sides[side] = f"ctest's verdicts cannot be read ({error})"
        else:
            results.append(arg)

    total_passed = total_failed = 0
    for arg in results:
        label, _, path = arg.partition("=")
        side, _, program = label.partition("/")
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
        if side not in sides:
            continue  # no verdicts asked for this side
        verdicts = sides[side]
        if isinstance(verdicts, str):
            print(f"{label}: counted as failed: {verdicts}")
            total_failed += 1
        elif program not in verdicts:
            print(f"{label}: counted as failed: ctest has no verdict on it")
            total_failed += 1
        elif verdicts[program] is not None and failed == 0:
            print(f"{label}: counted as failed: ctest failed the program ({verdicts[program]}) "
                  "although its tests passed; it failed at exit (a leak, a crash or its exit status)")
            total_failed += 1
    print(f"TOTAL {total_passed} {total_failed}")


if __name__ == "__main__":
    try:
        main(sys.argv[1:])
    except Exception as error:  # the caller must never read a clean total from a broken count
        print(f"the results could not be counted: {error}")
        print("TOTAL 0 1")
        sys.exit(1)
