#!/usr/bin/env python3
"""Counts the results of one suite of the test command, for its summary line: ctest's JUnit
file (one entry per ctest test) and the XML files that GoogleTest programs left (one entry per
case, with the cases a Windows-built program runs inside one ctest test).

    tools/suite_counts.py [--ctest FILE.xml]... [--gtest FILE.xml|FOLDER]... [--fuzz-log FILE]
prints e.g. "12 tests: 12 passed; 612 cases: 610 passed, 2 skipped". A file named but not
there, or not readable, counts as a failure: a suite that left no results did not run."""
import argparse
import os
import sys
import xml.etree.ElementTree as ET


def ctest_counts(path):
    counts = {"passed": 0, "failed": 0, "skipped": 0}
    for case in ET.parse(path).getroot().iter("testcase"):
        status = case.get("status", "")
        counts["passed" if status == "run" else "skipped" if status in ("notrun", "disabled") else "failed"] += 1
    return counts


def gtest_counts(path, counts):
    for case in ET.parse(path).getroot().iter("testcase"):
        if case.find("failure") is not None or case.find("error") is not None:
            counts["failed"] += 1
        elif case.get("result") in ("skipped", "suppressed") or case.find("skipped") is not None:
            counts["skipped"] += 1
        elif case.get("status", "run") == "run":
            counts["passed"] += 1
        else:
            counts["skipped"] += 1


def text(counts, noun):
    total = sum(counts.values())
    parts = [f"{n} {what}" for what, n in counts.items() if n or what == "passed"]
    return f"{total} {noun}: " + ", ".join(parts)


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--ctest", action="append", default=[])
    parser.add_argument("--gtest", action="append", default=[])
    parser.add_argument("--fuzz-log", help="the output of tools/fuzz.sh: its fuzzers and the model run")
    args = parser.parse_args(argv)
    out, broken = [], []
    tests = {"passed": 0, "failed": 0, "skipped": 0}
    for path in args.ctest:
        try:
            for what, n in ctest_counts(path).items():
                tests[what] += n
        except (OSError, ET.ParseError) as e:
            broken.append(f"no ctest results in {os.path.basename(path)} ({e.__class__.__name__})")
    if args.ctest:
        out.append(text(tests, "tests"))
    cases = {"passed": 0, "failed": 0, "skipped": 0}
    files = []
    for path in args.gtest:
        if os.path.isdir(path):
            files += sorted(os.path.join(path, n) for n in os.listdir(path) if n.endswith(".xml"))
        else:
            files.append(path)
    for path in files:
        try:
            gtest_counts(path, cases)
        except (OSError, ET.ParseError) as e:
            broken.append(f"unreadable {os.path.basename(path)} ({e.__class__.__name__})")
    if files:
        out.append(text(cases, "cases"))
    if args.fuzz_log:
        try:
            with open(args.fuzz_log, encoding="utf-8", errors="replace") as f:
                log = f.read()
            fuzzers = {"passed": log.count(" clean: "), "failed": log.count(" FAILED")}
            out.append(text(fuzzers, "runs") + ("; " + log[log.index("model: histories"):].splitlines()[0]
                                                if "model: histories" in log else ""))
        except OSError as e:
            broken.append(f"no fuzz log ({e.__class__.__name__})")
    print("; ".join(out + broken) or "no results")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
