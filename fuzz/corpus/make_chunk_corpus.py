#!/usr/bin/env python3
"""Writes the seed corpus of the state chunk's fuzz target: instrument records
as hosts hand them back (this build's version and older ones) and data that is
not one (empty, cut short, unknown versions, a voice record, text). Run from
anywhere; it writes beside itself into chunk/."""
import os
import struct

from records import i32, instrument, voice

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "chunk")

current = instrument(0x10006)


def patched(offset, raw):
    data = bytearray(current)
    data[offset : offset + 4] = struct.pack("<I", raw)
    return bytes(data)


# The first voice's first harmonic amplitude curve: after the values, the two
# harmonic morph curves and the voice header.
first_curve = 4 + 5 + 4 + 173 * 4 + (4 + 16) + (4 + 8) + (4 + 2 + 6 * 4) + 4
files = {
    "current.chunk": current,
    "previous-version.chunk": instrument(0x10005),
    "two-layer-voices.chunk": instrument(0x10006, voices=[voice(2, 3, 2), voice(2, 2), voice(1, 4, 3), voice(1, 1)]),
    "oldest-version.chunk": instrument(0x10001, trailing=0),
    "empty.chunk": b"",
    "version-only.chunk": i32(0x10006),
    "cut-in-half.chunk": current[: len(current) // 2],
    "newer-version.chunk": i32(0x10007) + current[4:],
    "version-zero.chunk": i32(0) + current[4:],
    "voice-record.chunk": voice(1, 2),
    "text.chunk": b"<project><plugin name='x'/></project>\n",
    # Damaged numbers once made the loaded instrument play non-finite samples.
    "amplitude-nan.chunk": patched(first_curve + 4 + 8, 0x7FC00000),
    "amplitude-infinite.chunk": patched(first_curve + 4 + 8, 0x7F800000),
    "time-nan.chunk": patched(first_curve + 4, 0x7FC00000),
}

os.makedirs(here, exist_ok=True)
for name, data in files.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
