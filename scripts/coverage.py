#!/usr/bin/env python3
"""Line and branch coverage of src/ and cli/ by whatever ran in a coverage build.

Build with -DTESSARINE_COVERAGE=ON, run the tests, then:
    scripts/coverage.py BUILD_DIR [--reset] [--depth N]
prints the totals and a figure per folder (src/engine, cli/commands, ...).
--reset deletes the counters so the next run starts from zero. Reads gcc's
own gcov in its JSON form; lines of a header count once however many
programs compile it, covered when any of them ran it. Branches on the
exception paths that the compiler adds to every call are left out: no test
could take them all and they say nothing about the code's own decisions.
"""
import argparse
import collections
import concurrent.futures
import json
import os
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
FOLDERS = ("src", "cli")


def gcov_json(gcda):
    command = ["gcov", "--json-format", "--stdout", "--branch-probabilities",
               "--object-directory", str(gcda.parent), str(gcda)]
    out = subprocess.run(command, cwd=gcda.parent, capture_output=True, check=False).stdout
    decoder = json.JSONDecoder()
    text = out.decode("utf-8", errors="replace")
    docs, pos = [], 0
    while True:
        while pos < len(text) and text[pos].isspace():
            pos += 1
        if pos >= len(text):
            return docs
        doc, pos = decoder.raw_decode(text, pos)
        docs.append(doc)


def source_of(doc_cwd, name, source_root):
    path = pathlib.Path(name)
    if not path.is_absolute():
        path = pathlib.Path(doc_cwd) / path
    try:
        rel = pathlib.Path(os.path.normpath(path)).relative_to(source_root)
    except ValueError:
        return None
    return rel if rel.parts and rel.parts[0] in FOLDERS else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--reset", action="store_true", help="delete the counters and stop")
    parser.add_argument("--depth", type=int, default=2, help="folder depth of the per-folder figures")
    parser.add_argument("--source", default=str(ROOT), help="the checkout the build was made from")
    args = parser.parse_args()
    gcdas = sorted(pathlib.Path(args.build).resolve().rglob("*.gcda"))
    if args.reset:
        for f in gcdas:
            f.unlink()
        print(f"coverage: {len(gcdas)} counter files removed")
        return 0
    if not gcdas:
        print("coverage: no counters; build with -DTESSARINE_COVERAGE=ON and run tests first", file=sys.stderr)
        return 1
    source_root = pathlib.Path(args.source).resolve()
    lines = collections.defaultdict(dict)  # file -> line -> ran
    branches = collections.defaultdict(dict)  # file -> (line, index) -> taken
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for docs in pool.map(gcov_json, gcdas):
            for doc in docs:
                for entry in doc.get("files", []):
                    rel = source_of(doc.get("current_working_directory", "."), entry["file"], source_root)
                    if rel is None:
                        continue
                    for line in entry.get("lines", []):
                        n = line["line_number"]
                        lines[rel][n] = lines[rel].get(n, False) or line["count"] > 0
                        own = [b for b in line.get("branches", []) if not b.get("throw", False)]
                        for i, b in enumerate(own):
                            key = (n, i)
                            branches[rel][key] = branches[rel].get(key, False) or b["count"] > 0

    per_folder = collections.defaultdict(lambda: [0, 0, 0, 0])
    total = [0, 0, 0, 0]
    for rel in set(lines) | set(branches):
        folder = "/".join(rel.parts[:min(args.depth, len(rel.parts) - 1)])
        figures = (sum(lines[rel].values()), len(lines[rel]), sum(branches[rel].values()), len(branches[rel]))
        for target in (per_folder[folder], total):
            for i, v in enumerate(figures):
                target[i] += v

    def pct(a, b):
        return f"{100.0 * a / b:5.1f} %" if b else "    - "

    print(f"{'folder':<20} {'lines':>16} {'':>7}  {'branches':>16} {'':>7}")
    for folder in sorted(per_folder):
        lr, lt, br, bt = per_folder[folder]
        print(f"{folder:<20} {lr:>7} / {lt:<7} {pct(lr, lt)}  {br:>7} / {bt:<7} {pct(br, bt)}")
    lr, lt, br, bt = total
    print(f"{'total src+cli':<20} {lr:>7} / {lt:<7} {pct(lr, lt)}  {br:>7} / {bt:<7} {pct(br, bt)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
