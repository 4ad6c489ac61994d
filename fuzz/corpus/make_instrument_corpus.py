#!/usr/bin/env python3
"""Writes the seed corpus of the instrument reader's fuzz target: small valid
instrument files of each version (with and without the trailing morph curves)
and broken ones (cut short, bad counts). Run from anywhere; it writes beside
itself into instrument/."""
import os

from records import curve, f32, i32, layer

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "instrument")


def voice(layers, frames, multisamples=1):
    out = i32(0x10003) + b"v\0" + i32(0) + f32(0.1) + f32(0.2)
    out += i32(multisamples) + i32(layers) + f32(0.5)
    for _ in range(multisamples * layers):
        out += layer(frames, frames // 2)
    return out


def instrument(version, count=173, trailing=2, voices=None):
    voices = voices or [voice(1, 2), voice(2, 1), voice(1, 0), voice(1, 0)]
    out = i32(version) + b"seed\0" + i32(count)
    out += b"".join(f32(0.25 + (i % 3) * 0.25) for i in range(max(count, 0)))
    out += curve([(0.0, 0.2), (1.0, 0.8)]) + curve([(0.5, 0.5)])
    out += b"".join(voices)
    out += curve([(0.0, 0.0), (0.5, 0.7), (1.0, 1.0)])
    if version >= 0x10005:
        out += curve([(0.0, 0.0), (0.1, 1.0)])
    out += i32(0) + i32(0) + b"\0\0\0"
    for _ in range(trailing):
        out += curve([(0.3, 0.4)]) + curve([])
    return out


files = {
    "v1-no-trailing.t9i": instrument(0x10001, trailing=0),
    "v2-count-150.t9i": instrument(0x10002, count=150, trailing=0),
    "v3-noise-pair.t9i": instrument(0x10003, trailing=1),
    "v4-both-pairs.t9i": instrument(0x10004),
    "v5.t9i": instrument(0x10005),
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
