#!/usr/bin/env python3
"""Writes the seed corpus of the voice reader's fuzz target: a few small valid
voice files of each version and layer count, and broken ones (cut short, bad
counts). Run from anywhere; it writes beside itself into voice/."""
import os

from records import f32, i32, layer

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "voice")


def voice(version, name, multisamples, layers, cutoff, frames, noise_frames, full_band=False):
    out = i32(version) + name.encode() + b"\0" + i32(1) + f32(0.1) + f32(0.2)
    out += i32(multisamples) + i32(layers)
    if version >= 0x10002:
        out += f32(cutoff)
    for m in range(multisamples):
        for _ in range(layers):
            out += layer(frames, noise_frames, 110.0 * (m + 1), full_band)
    return out


files = {
    "empty-single-layer.t9v": voice(0x10003, "empty", 1, 1, 1.0, 0, 0),
    "v1-two-layers.t9v": voice(0x10001, "old", 1, 2, 1.0, 2, 1),
    "v2-cutoff-zero.t9v": voice(0x10002, "v2", 2, 1, 0.0, 3, 2),
    "v3-three-multisamples.t9v": voice(0x10003, "three", 3, 2, 1.0, 2, 2),
    "v3-cutoff.t9v": voice(0x10003, "cut", 1, 1, 0.4, 4, 3),
    "v4-full-band-noise.t9v": voice(0x10004, "full", 1, 2, 1.0, 2, 3, True),
    # A version that never wrote the full-band tag cannot hold one.
    "v3-full-band-tag.t9v": voice(0x10003, "tag", 1, 1, 1.0, 2, 3, True),
}
full = files["v3-cutoff.t9v"]
files["truncated-in-layer.t9v"] = full[: len(full) // 2]
files["truncated-in-name.t9v"] = full[:6]
files["bad-multisample-count.t9v"] = voice(0x10003, "bad", 9, 1, 1.0, 0, 0)
bad_points = bytearray(voice(0x10003, "p", 1, 1, 1.0, 0, 0))
bad_points[4 + 2 + 12 + 8 + 4 + 4 : 4 + 2 + 12 + 8 + 4 + 8] = i32(129)
files["bad-point-count.t9v"] = bytes(bad_points)

os.makedirs(here, exist_ok=True)
for name, data in files.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
