#!/usr/bin/env python3
"""Writes the seed corpora of the harmonic and noise preset readers' fuzz
targets: valid records (empty, a few frames, a full curve) and broken ones
(cut short, bad counts, a pitch of 0 or not a number, frequencies out of
range). Run from anywhere; it writes beside itself into harmonic/ and noise/."""
import os
import struct

from records import curve, f32, i32, layer

here = os.path.dirname(os.path.abspath(__file__))


def harmonic(frames, pitch=220.0):
    """The harmonic half of a layer record."""
    whole = layer(frames, 0, pitch)
    return whole[: len(whole) - 4]


def noise(frames, points=3):
    out = i32(frames)
    for i in range(frames):
        out += f32(0.05 * i) + curve([(p / max(points, 1), 0.1 * (p % 4)) for p in range(points)])
    return out


nan = struct.unpack("<f", struct.pack("<I", 0x7FC00000))[0]
wild = bytearray(harmonic(2))
# the first frequency value of harmonic 1 (index 0) far outside its range
wild[4 + 64 * (4 + 16) + 4 + 8 : 4 + 64 * (4 + 16) + 4 + 12] = f32(9.0)
full = f32(110.0) + b"".join(curve([(0.01 * p, 0.5) for p in range(128)]) for _ in range(64))
full += b"".join(curve([(0.01 * p, h + 1.0) for p in range(128)]) for h in range(64))

harmonics = {
    "empty.t9h": harmonic(0),
    "three-frames.t9h": harmonic(3),
    "full-curves.t9h": full,
    "pitch-zero.t9h": harmonic(1, 0.0),
    "pitch-nan.t9h": harmonic(1, nan),
    "frequency-out-of-range.t9h": bytes(wild),
    "point-count-129.t9h": f32(220.0) + i32(129),
    "negative-point-count.t9h": f32(220.0) + i32(-1),
    "cut-short.t9h": harmonic(3)[:700],
    "trailing-bytes.t9h": harmonic(1) + b"more",
    "pitch-infinite.t9h": harmonic(1, float("inf")),
    "amplitude-nan.t9h": harmonic(2)[:12] + struct.pack("<I", 0x7FC00000) + harmonic(2)[16:],
    "time-nan.t9h": harmonic(2)[:8] + struct.pack("<I", 0x7FC00000) + harmonic(2)[12:],
}
noises = {
    "empty.t9n": noise(0),
    "three-frames.t9n": noise(3),
    "sixty-four-frames.t9n": noise(64, 2),
    "sixty-five-frames.t9n": noise(65, 1),
    "negative-count.t9n": i32(-3),
    "all-bands.t9n": noise(1, 128),
    "full-band.t9n": i32(0x10100) + noise(3, 128),
    "full-band-tag-only.t9n": i32(0x10100),
    "cut-short.t9n": noise(3)[:30],
    "frame-time-nan.t9n": i32(1) + struct.pack("<I", 0x7FC00000) + curve([(0.5, 0.5)]),
    "band-level-infinite.t9n": i32(1) + f32(0.0) + curve([(0.5, float("inf"))]),
    "times-backwards.t9n": i32(2) + f32(1.0) + curve([(0.0, 0.5)]) + f32(0.5) + curve([(0.5, 0.5)]),
}
for folder, files in (("harmonic", harmonics), ("noise", noises)):
    os.makedirs(os.path.join(here, folder), exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(here, folder, name), "wb") as f:
            f.write(data)
