#!/usr/bin/env python3
"""The layers as a check: every #include "folder/..." in src/ and cli/ must be
one its folder may make. Data flows one way, host -> format adapter ->
instrument core -> editor -> engine -> sound data -> parameter table, so no
unit reaches back up the chain.

Usage: scripts/check-layers.py ROOT   (exit 1 and one line per breach)
"""
import os
import re
import sys

# Which folders of ours each folder may include (besides itself).
ALLOWED = {
    "params": set(),
    "sound": {"params"},
    "engine": {"sound", "params"},
    "analysis": {"sound", "params"},
    "gui": set(),
    "editor": {"gui", "engine", "analysis", "sound", "params"},
    # The instrument whatever format carries it, above the editor it hosts.
    "core": {"editor", "engine", "sound", "params"},
    # Each plug-in format's adapter reaches the instrument through the core alone.
    "shell": {"core", "params"},
    # The command-line host drives the plug-in through the binary interface
    # alone; its file commands read and write the data model and analyse.
    "cli": {"shell/VstAbi.h", "sound", "analysis", "params"},
    # The standalone application carries the core as a plug-in format would,
    # in a window of the toolkit's when there is no host to give one.
    "app": {"core", "gui", "params"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/([^"]+)"')


def folder_of(root, path):
    rel = os.path.relpath(path, root).split(os.sep)
    if rel[0] == "src" and len(rel) > 2:
        return rel[1]
    if rel[0] in ("cli", "app"):
        return rel[0]
    return None


def breaches(root):
    found = []
    for top in ("src", "cli", "app"):
        for base, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(base, name)
                mine = folder_of(root, path)
                if mine is None:
                    continue
                allowed = ALLOWED.get(mine)
                if allowed is None:
                    found.append(f"{os.path.relpath(path, root)}: folder {mine} has no row in the layer table")
                    continue
                with open(path, encoding="utf-8") as text:
                    for number, line in enumerate(text, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        theirs, header = match.groups()
                        if theirs == mine:
                            continue
                        # The command-line host names its own sub-folders from cli/.
                        if mine == "cli" and os.path.isdir(os.path.join(root, "cli", theirs)):
                            continue
                        if theirs in allowed or f"{theirs}/{header}" in allowed:
                            continue
                        rel = os.path.relpath(path, root)
                        found.append(f"{rel}:{number}: {mine} may not include \"{theirs}/{header}\"")
    return found


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    found = breaches(sys.argv[1])
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
