#!/usr/bin/env python3
"""Builds the factory library, TessarineData and Reset.t9i, and lays it beside
the plug-in in the build folder.

The library is made from Debian-packaged sources only: notes of the General
MIDI sound font played by fluidsynth and waveforms drawn by sources.py, analysed
by `tessarine analyse`, and the instrument and preset recipes in this folder
turned into files by `tessarine make-instrument` and `tessarine make-preset`.

Building takes a few minutes, so the result is kept in a cache outside the
source tree (${XDG_CACHE_HOME:-~/.cache}/tessarine/factory-KEY), keyed by a hash
of everything that shapes it: this folder, the source code of the commands it
runs, and the versions of the sound font and of fluidsynth. Fresh clones and
other build folders with the same inputs copy the cached library instead.

Usage: build_library.py --tool BUILD/tessarine --source REPO --dest BUILD [--cache DIR]
"""
import argparse
import concurrent.futures
import fcntl
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time

import sources

HERE = os.path.dirname(os.path.abspath(__file__))
# The code the build runs: the analysis, the file formats and the commands.
CODE_FOLDERS = ["src/params", "src/sound", "src/analysis", "cli"]
PACKAGES = ["musescore-general-soundfont-small", "fluidsynth"]
STAMP = ".tessarine-factory-key"
KEEP_CACHED = 4


def log(message):
    times = os.times()
    cpu = times.user + times.system + times.children_user + times.children_system
    print(f"factory: {message} ({cpu:.0f} s of processor time so far)", flush=True)


def input_key(source):
    digest = hashlib.sha256()
    folders = [os.path.relpath(HERE, source)] + CODE_FOLDERS
    for folder in folders:
        for root, dirs, files in os.walk(os.path.join(source, folder)):
            dirs[:] = sorted(d for d in dirs if d != "__pycache__")
            for name in sorted(files):
                path = os.path.join(root, name)
                digest.update(os.path.relpath(path, source).encode() + b"\0")
                with open(path, "rb") as f:
                    digest.update(f.read() + b"\0")
    for package in PACKAGES:
        version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True)
        digest.update(f"{package}={version.stdout.strip()}\0".encode())
    return digest.hexdigest()[:20]


def run(command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"{' '.join(command)}\n{result.stdout}{result.stderr}")
    return result.stdout


def build_voice(tool, voice, notes_dir, out_dir, jobs):
    folder = os.path.join(notes_dir, voice.path)
    target = os.path.join(out_dir, "TessarineData", "Voices", voice.category, voice.name + ".t9v")
    os.makedirs(os.path.dirname(target), exist_ok=True)
    loud = [sources.note_file(folder, 1, key) for key in voice.keys]
    # The notes of one call are analysed side by side; the soft layers, one
    # note per call into the same file, overlap with other voices' work.
    run([tool, "analyse", *loud, "--jobs", str(jobs), "-o", target, "--name", voice.name])
    if len(voice.velocities) == 2:
        for m, key in enumerate(voice.keys):
            run([tool, "analyse", sources.note_file(folder, 0, key), "--into", target, "--multisample", str(m),
                 "--layer", "0", "--root-note", str(key), "-o", target, "--name", voice.name])


def make_notes(voices, notes_dir, work, workers):
    """Every note of every voice as a WAV: the General MIDI notes in two
    fluidsynth runs at once, the drawn ones meanwhile in a process pool."""
    gm, drawn = [], []
    for voice in voices:
        folder = os.path.join(notes_dir, voice.path)
        os.makedirs(folder, exist_ok=True)
        for layer, velocity in voice.layers():
            for key in voice.keys:
                note = (sources.note_file(folder, layer, key), key, velocity, voice.hold)
                if voice.kind == "gm":
                    gm.append((note[0], int(voice.source), key, velocity, voice.hold))
                else:
                    drawn.append((note[0], voice.source, key, velocity, voice.hold))
    halves = [gm[:len(gm) // 2], gm[len(gm) // 2:]]
    batches = [sources.start_gm_batch(half, work, i) for i, half in enumerate(halves) if half]
    with concurrent.futures.ProcessPoolExecutor(max_workers=workers) as pool:
        for future in [pool.submit(sources.draw_wave, *note) for note in drawn]:
            future.result()
    for batch in batches:
        sources.finish_gm_batch(batch)
    log(f"{len(gm)} General MIDI notes and {len(drawn)} drawn notes recorded")


def read_presets(path):
    presets = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = [x.strip() for x in line.split("|")]
            options = {}
            for field in fields[1:]:
                word, _, rest = field.partition(" ")
                options[word] = rest.strip()
            if not fields[0].endswith((".t9h", ".t9n")) or not ("shape" in options) ^ ("from" in options):
                raise ValueError(f"presets.txt:{number}: bad preset line")
            presets.append((fields[0], options))
    return presets


def build_preset(tool, entry, out_dir):
    path, options = entry
    target = os.path.join(out_dir, "TessarineData", path)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    command = [tool, "make-preset", "-o", target]
    if "from" in options:
        command += ["--from", os.path.join(out_dir, "TessarineData", "Voices", options["from"] + ".t9v"),
                    "--multisample", options.get("multisample", "0"), "--layer", options.get("layer", "1")]
    else:
        command += ["--shape", options["shape"]]
        if "formants" in options:
            command += ["--formants", ",".join(options["formants"].split())]
    run(command)


def build_instrument(tool, recipe, target, out_dir):
    os.makedirs(os.path.dirname(target), exist_ok=True)
    run([tool, "make-instrument", recipe, "--voices", os.path.join(out_dir, "TessarineData", "Voices"),
         "-o", target])


def build(tool, out_dir, workers):
    start = time.monotonic()
    voices = sources.read_voices(os.path.join(HERE, "voices.txt"))
    with tempfile.TemporaryDirectory(prefix="tessarine-factory-") as work:
        notes_dir = os.path.join(work, "notes")
        make_notes(voices, notes_dir, work, workers)
        with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
            for future in [pool.submit(build_voice, tool, v, notes_dir, out_dir, workers) for v in voices]:
                future.result()
    log(f"{len(voices)} voices analysed")

    presets = read_presets(os.path.join(HERE, "presets.txt"))
    instruments = []
    folder = os.path.join(HERE, "instruments")
    for category in sorted(os.listdir(folder)):
        for name in sorted(os.listdir(os.path.join(folder, category))):
            if name.endswith(".txt"):
                target = os.path.join(out_dir, "TessarineData", "Instruments-Factory", category, name[:-4] + ".t9i")
                instruments.append((os.path.join(folder, category, name), target))
    instruments.append((os.path.join(HERE, "Reset.txt"), os.path.join(out_dir, "Reset.t9i")))
    with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
        jobs = [pool.submit(build_preset, tool, p, out_dir) for p in presets]
        jobs += [pool.submit(build_instrument, tool, r, t, out_dir) for r, t in instruments]
        for future in jobs:
            future.result()
    seconds = time.monotonic() - start
    log(f"{len(presets)} presets and {len(instruments)} instruments written in {seconds:.0f} s")
    with open(os.path.join(out_dir, "build-seconds"), "w") as f:
        f.write(f"{seconds:.1f}\n")


def prune(cache_root, keep):
    entries = [os.path.join(cache_root, e) for e in os.listdir(cache_root) if e.startswith("factory-")]
    entries.sort(key=os.path.getmtime, reverse=True)
    for old in entries[KEEP_CACHED:]:
        if old != keep:
            shutil.rmtree(old, ignore_errors=True)


def lay_out(cached, dest, key):
    """Copies the cached library beside the plug-in, replacing an older one."""
    for name in ("TessarineData", "Reset.t9i"):
        target = os.path.join(dest, name)
        staging = os.path.join(dest, f".{name}.new")
        shutil.rmtree(staging, ignore_errors=True)
        source = os.path.join(cached, name)
        if os.path.isdir(source):
            shutil.copytree(source, staging)
        else:
            shutil.copy2(source, staging)
        if os.path.isdir(target):
            shutil.rmtree(target)
        os.replace(staging, target)
    with open(os.path.join(dest, STAMP), "w") as f:
        f.write(key + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--tool", required=True, help="the tessarine command-line host")
    parser.add_argument("--source", required=True, help="top of the source tree")
    parser.add_argument("--dest", required=True, help="folder of the built plug-in")
    default_cache = os.path.join(os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "tessarine")
    parser.add_argument("--cache", default=default_cache, help="where built libraries are kept")
    args = parser.parse_args()

    key = input_key(os.path.abspath(args.source))
    stamp = os.path.join(args.dest, STAMP)
    if os.path.isfile(stamp) and open(stamp).read().strip() == key and \
            os.path.isdir(os.path.join(args.dest, "TessarineData")):
        return 0
    os.makedirs(args.cache, exist_ok=True)
    cached = os.path.join(args.cache, f"factory-{key}")
    # One build per key at a time; a second build folder waits and then copies.
    with open(os.path.join(args.cache, "lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.isdir(cached):
            # Under the lock, any half-built folder is left from an interrupted build.
            for stale in os.listdir(args.cache):
                if stale.startswith("building-"):
                    shutil.rmtree(os.path.join(args.cache, stale), ignore_errors=True)
            log(f"building the factory library (key {key}) into {cached}")
            staging = tempfile.mkdtemp(prefix="building-", dir=args.cache)
            try:
                build(os.path.abspath(args.tool), staging, os.cpu_count() or 2)
                os.replace(staging, cached)
            except BaseException:
                shutil.rmtree(staging, ignore_errors=True)
                raise
        else:
            log(f"using the cached factory library {cached}")
        os.utime(cached)
        prune(args.cache, cached)
        lay_out(cached, args.dest, key)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (RuntimeError, ValueError, OSError) as error:
        print(f"factory: {error}", file=sys.stderr)
        sys.exit(1)
