#!/usr/bin/env python3
"""Writes the seed corpus of the instrument reader's fuzz target: small valid
instrument files of each version (with and without the trailing morph curves)
and broken ones (cut short, bad counts). Run from anywhere; it writes beside
itself into instrument/."""
import os

from records import instrument, voice

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "instrument")

files = {
    "v1-no-trailing.t9i": instrument(0x10001, trailing=0),
    "v2-count-150.t9i": instrument(0x10002, count=150, trailing=0),
    "v3-noise-pair.t9i": instrument(0x10003, trailing=1),
    "v4-both-pairs.t9i": instrument(0x10004),
    "v5.t9i": instrument(0x10005),
    "v6.t9i": instrument(0x10006),
    "v5-count-200.t9i": instrument(0x10005, count=200),
    "v5-negative-count.t9i": instrument(0x10005, count=-5),
    "v5-bad-voice.t9i": instrument(0x10005, voices=[voice(1, 1), voice(3, 0)]),
}
full = files["v5.t9i"]
files["truncated-in-voice.t9i"] = full[: len(full) // 2]
files["truncated-in-values.t9i"] = full[:100]

os.makedirs(here, exist_ok=True)
for name, data in files.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
