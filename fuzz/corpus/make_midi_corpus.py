#!/usr/bin/env python3
"""Writes the seed corpus of the MIDI file reader's fuzz target: small files of
formats 0 and 1 (tempo changes, running status, system exclusive, other chunk
kinds, a SMPTE division) and broken ones (cut short, format 2, division 0, a
data byte without status). Run from anywhere; it writes beside itself into
midi/."""
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "midi")


def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)


def track(*events):
    body = b"".join(var_len(delta) + data for delta, data in events)
    return b"MTrk" + struct.pack(">I", len(body)) + body


def smf(fmt, division, *tracks, count=None):
    count = len(tracks) if count is None else count
    return b"MThd" + struct.pack(">IHHH", 6, fmt, count, division) + b"".join(tracks)


end = (0, b"\xff\x2f\x00")
tempo = (0, b"\xff\x51\x03\x07\xa1\x20")
notes = track(tempo, (0, b"\x90\x3c\x64"), (240, b"\x40\x50"), (240, b"\x80\x3c\x00"), (0, b"\x40\x00"), end)
files = {
    "format0.mid": smf(0, 480, notes),
    "format1.mid": smf(1, 96, track(tempo, (192, b"\xff\x51\x03\x03\xd0\x90"), end),
                       track((0, b"\xc0\x05"), (0, b"\x91\x30\x40"), (96, b"\xe1\x00\x40"), (96, b"\x81\x30\x00"), end)),
    "sysex-and-meta.mid": smf(0, 480, track((0, b"\xf0\x03\x7e\x7f\xf7"), (0, b"\xff\x03\x04name"),
                                            (10, b"\xb0\x07\x64"), (5, b"\xd0\x20"), end)),
    "other-chunk.mid": smf(0, 480, b"XTRA\x00\x00\x00\x02hi" + notes),
    "smpte.mid": smf(0, 0xE728, notes),
    "cut-short.mid": smf(0, 480, notes)[:30],
    "format2.mid": smf(2, 480, notes),
    "division-zero.mid": smf(0, 0, notes),
    "no-status.mid": smf(0, 480, track((0, b"\x3c\x64"), end)),
    "missing-track.mid": smf(1, 480, notes, count=3),
    "long-delta.mid": smf(0, 480, track((0x0FFFFFFF, b"\x90\x3c\x64"), (0x0FFFFFFF, b"\x80\x3c\x00"), end)),
}

os.makedirs(here, exist_ok=True)
for name, data in files.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
