#!/usr/bin/env python3
"""Mutation run: does the suite notice plausible one-line bugs?

Applies each mutation of scripts/mutations.txt, one at a time, to a throw-away
copy of the checkout, rebuilds only the test programs that cover the unit and
runs them. A mutant is caught when a test fails, crashes or times out; it is
missed when everything still passes. Developers run this by hand; it is not
part of CI.

Usage: scripts/mutate.py [--only PATTERN] [--keep] [--list FILE] [--timeout S]
"""
import argparse
import filecmp
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SEP = " @@ "


class Mutation:
    def __init__(self, number, line_no, path, original, replacement, targets, note):
        self.number = number
        self.line_no = line_no
        self.path = path
        self.original = original
        self.replacement = replacement
        self.targets = targets
        self.note = note

    @property
    def equivalent(self):
        return self.note.startswith("equivalent")

    @property
    def awaiting(self):
        return self.note.startswith("awaiting")

    def label(self):
        def short(text):
            return " ".join(text.split())
        return f"#{self.number} {self.path}: {short(self.original)} -> {short(self.replacement)}"


def parse_list(list_path):
    """Entry: FILE @@ ORIGINAL @@ REPLACEMENT @@ TARGETS [@@ NOTE]; '#' starts a comment line.

    In fragments, \\n stands for a line break (context to make a fragment unique).
    A target is a test program, optionally with a gtest filter (tests_sound:VoiceFile.*),
    or 'all' for the whole ctest suite. A note starting 'equivalent' marks a mutant
    that cannot change behaviour; one starting 'awaiting' marks a known miss whose
    test is on its way (reported, not counted as a failure)."""
    mutations = []
    with open(list_path, encoding="utf-8") as f:
        for line_no, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            fields = line.split(SEP)
            if len(fields) not in (4, 5):
                sys.exit(f"{list_path}:{line_no}: expected 4 or 5 fields separated by '{SEP.strip()}'")
            path, targets = fields[0].strip(), fields[3].split()
            original, replacement = (x.replace("\\n", "\n") for x in (fields[1], fields[2]))
            note = fields[4].strip() if len(fields) == 5 else ""
            if not original or original == replacement or not targets:
                sys.exit(f"{list_path}:{line_no}: empty fragment, no change or no test targets")
            mutations.append(Mutation(len(mutations) + 1, line_no, path, original, replacement, targets, note))
    return mutations


def run(cmd, cwd, env, timeout=None, log=None):
    """Runs cmd; returns (exit code or 'timeout', output)."""
    try:
        done = subprocess.run(cmd, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=timeout, start_new_session=True)
        out = done.stdout.decode(errors="replace")
        code = done.returncode
    except subprocess.TimeoutExpired as e:
        out = (e.stdout or b"").decode(errors="replace")
        code = "timeout"
    if log is not None:
        log.write(f"$ {' '.join(cmd)}\n{out}\n")
        log.flush()
    return code, out


def copy_checkout(dest):
    """Copies the tracked files as they are in the working tree, so unsaved list edits count.

    A file already in the copy with the same content is left alone; one that
    differs is written anew with the current time, never the source's, so a
    reused copy rebuilds whatever an earlier run compiled from a mutant."""
    files = subprocess.run(["git", "ls-files", "-z", "--cached"], cwd=HERE, check=True,
                           stdout=subprocess.PIPE).stdout.decode().split("\0")
    for rel in filter(None, files):
        src = os.path.join(HERE, rel)
        if not os.path.lexists(src):
            continue
        dst = os.path.join(dest, rel)
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        if os.path.islink(src) or os.path.islink(dst):
            if os.path.lexists(dst):
                os.remove(dst)
            shutil.copy2(src, dst, follow_symlinks=False)
            continue
        if os.path.exists(dst) and filecmp.cmp(src, dst, shallow=False):
            continue
        shutil.copyfile(src, dst)
        shutil.copymode(src, dst)


def build_and_test(copy, build, targets, env, timeout, log):
    """Returns ('pass' | 'fail' | 'build-error', detail)."""
    build_targets = ["all"] if "all" in targets else sorted({t.split(":")[0] for t in targets})
    code, out = run(["cmake", "--build", build, "--parallel", str(os.cpu_count() or 1), "--target",
                     *build_targets], copy, env, log=log)
    if code != 0:
        return "build-error", last_lines(out)
    if "all" in targets:
        code, out = run(["ctest", "--test-dir", build, "--parallel", str(os.cpu_count() or 1),
                         "--timeout", str(timeout)], copy, env, timeout=timeout * 4, log=log)
        return ("pass" if code == 0 else "fail"), failed_summary(out, code)
    for target in targets:
        program, _, test_filter = target.partition(":")
        cmd = [os.path.join(build, program), "--gtest_brief=1"]
        if test_filter:
            cmd.append("--gtest_filter=" + test_filter)
        code, out = run(cmd, build, env, timeout=timeout, log=log)
        if code != 0:
            return "fail", f"{target}: {failed_summary(out, code)}"
    return "pass", ""


def last_lines(out, n=6):
    return " | ".join(out.strip().splitlines()[-n:])


def failed_summary(out, code):
    if code == "timeout":
        return "timed out"
    failed = re.findall(r"^\[  FAILED  \] ([\w/.]+)", out, re.M)
    if failed:
        return "failed " + ", ".join(sorted(set(failed))[:3])
    if isinstance(code, int) and code < 0:
        return f"killed by signal {-code}"
    return f"exit {code}"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--list", default=os.path.join(HERE, "scripts", "mutations.txt"))
    parser.add_argument("--only", help="regular expression on file, fragment or targets of an entry")
    parser.add_argument("--keep", action="store_true", help="keep the throw-away copy (path printed)")
    parser.add_argument("--timeout", type=int, default=300, help="seconds per test program per mutant")
    parser.add_argument("--workdir", help="reuse this copy instead of a fresh temporary one")
    parser.add_argument("--check", action="store_true", help="only check that every fragment is found once")
    args = parser.parse_args()

    mutations = parse_list(args.list)
    if args.only:
        pattern = re.compile(args.only)
        mutations = [m for m in mutations if pattern.search(" ".join([m.path, m.original, *m.targets, m.note]))]
    if not mutations:
        sys.exit("mutate: no mutation matches")

    # Every fragment must name one place: a mutant applied somewhere else tests nothing.
    bad = []
    for m in mutations:
        with open(os.path.join(HERE, m.path), encoding="utf-8") as f:
            count = f.read().count(m.original)
        if count != 1:
            bad.append(f"  {args.list}:{m.line_no}: '{m.original}' found {count} times in {m.path}")
    if bad:
        sys.exit("mutate: fragments must occur exactly once:\n" + "\n".join(bad))
    if args.check:
        print(f"mutate: {len(mutations)} fragments found once each")
        return 0

    started = time.monotonic()
    copy = args.workdir or tempfile.mkdtemp(prefix="tessarine-mutate-")
    os.makedirs(copy, exist_ok=True)
    copy_checkout(copy)
    build = os.path.join(copy, "build")
    log_path = os.path.join(copy, "mutate.log")
    log = open(log_path, "a", encoding="utf-8")
    env = dict(os.environ, CCACHE_BASEDIR=copy, CCACHE_NOHASHDIR="1")
    print(f"mutate: copy in {copy}, log in {log_path}", flush=True)
    try:
        if not os.path.exists(os.path.join(build, "build.ninja")):
            code, out = run(["cmake", "-S", copy, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo"],
                            copy, env, log=log)
            if code != 0:
                sys.exit("mutate: configure failed: " + last_lines(out))

        targets = sorted({t for m in mutations for t in m.targets})
        print(f"mutate: baseline {' '.join(targets)} ...", flush=True)
        verdict, detail = build_and_test(copy, build, targets, env, args.timeout, log)
        if verdict != "pass":
            sys.exit(f"mutate: the unmutated suite does not pass ({verdict}: {detail}); see {log_path}")

        results = {"caught": [], "missed": [], "equivalent": [], "caught-equivalent": [], "awaiting": [],
                   "build-error": []}
        for m in mutations:
            target_file = os.path.join(copy, m.path)
            with open(target_file, encoding="utf-8") as f:
                original_text = f.read()
            t0 = time.monotonic()
            with open(target_file, "w", encoding="utf-8") as f:
                f.write(original_text.replace(m.original, m.replacement, 1))
            log.write(f"\n=== {m.label()}\n")
            try:
                verdict, detail = build_and_test(copy, build, m.targets, env, args.timeout, log)
            finally:
                with open(target_file, "w", encoding="utf-8") as f:
                    f.write(original_text)
            if verdict == "build-error":
                kind = "build-error"
            elif verdict == "fail":
                kind = "caught-equivalent" if m.equivalent else "caught"
            elif m.equivalent or m.awaiting:
                kind = "equivalent" if m.equivalent else "awaiting"
            else:
                kind = "missed"
            results[kind].append(m)
            print(f"{kind.upper():12} {time.monotonic() - t0:5.0f}s {m.label()}" + (f"  [{detail}]" if detail else ""),
                  flush=True)

        minutes = (time.monotonic() - started) / 60
        print(f"\nmutate: {len(mutations)} mutants, {len(results['caught'])} caught, "
              f"{len(results['missed'])} missed, {len(results['equivalent'])} equivalent, "
              f"{len(results['awaiting'])} awaiting their test, "
              f"{len(results['build-error'])} do not build, {minutes:.1f} min")
        for m in results["missed"]:
            print(f"  missed: {args.list}:{m.line_no} {m.label()}")
        for m in results["awaiting"]:
            print(f"  awaiting its test: {args.list}:{m.line_no} {m.label()}")
        for m in results["build-error"]:
            print(f"  does not build: {args.list}:{m.line_no} {m.label()}")
        for m in results["caught-equivalent"]:
            print(f"  marked equivalent but caught: {args.list}:{m.line_no} {m.label()}")
        return 1 if results["missed"] or results["build-error"] or results["caught-equivalent"] else 0
    finally:
        log.close()
        if args.keep or args.workdir:
            print(f"mutate: kept {copy}")
        else:
            shutil.rmtree(copy, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
