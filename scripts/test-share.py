#!/usr/bin/env python3
"""Prints the test suite's size as a share of the code it tests.

Counts non-blank lines that are not only a comment, in .h and .cpp files:
tests/ against src/, cli/, app/ and bench/. With --max PERCENT it exits 1 when
the share is above PERCENT, so CI holds the suite to its size.
Usage: scripts/test-share.py [--max PERCENT]
"""
import argparse
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CODE = ("src", "cli", "app", "bench")


def code_lines(path):
    count = 0
    in_block = False
    for raw in path.read_text(encoding="utf-8", errors="replace").splitlines():
        line = raw.strip()
        if in_block:
            end = line.find("*/")
            if end < 0:
                continue
            in_block = False
            line = line[end + 2:].strip()
        # A line that opens a block comment and has code before it still counts.
        while line.startswith("/*"):
            end = line.find("*/", 2)
            if end < 0:
                in_block = True
                line = ""
                break
            line = line[end + 2:].strip()
        if line and not line.startswith("//"):
            count += 1
    return count


def folder_lines(folder):
    return sum(code_lines(p) for p in sorted((ROOT / folder).rglob("*"))
               if p.suffix in (".h", ".cpp") and p.is_file())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--max", type=float, help="fail above this share, in percent")
    args = parser.parse_args()
    tests = folder_lines("tests")
    code = sum(folder_lines(f) for f in CODE)
    share = 100.0 * tests / code
    print(f"test share: {tests} test lines / {code} lines in {'+'.join(CODE)} = {share:.1f} %")
    if args.max is not None and share > args.max:
        print(f"test share: above {args.max:g} %: say the same checks in fewer lines", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
