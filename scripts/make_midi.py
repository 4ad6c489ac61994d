#!/usr/bin/env python3
"""Writes small Standard MIDI Files for the demo: single notes to record with a
General MIDI synthesiser, and the phrase the finished instrument plays."""
import struct
import sys


def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)


def write(path, events, program=0, ticks=480, tempo_us=500000):
    """events: (start_beat, length_beats, key, velocity) on channel 0."""
    timed = []
    for start, length, key, velocity in events:
        timed.append((round(start * ticks), 1, bytes([0x90, key, velocity])))
        timed.append((round((start + length) * ticks), 0, bytes([0x80, key, 0])))
    timed.sort(key=lambda e: (e[0], e[1]))
    track = bytearray()
    track += var_len(0) + b"\xff\x51\x03" + tempo_us.to_bytes(3, "big")
    track += var_len(0) + bytes([0xC0, program])
    now = 0
    for tick, _, message in timed:
        track += var_len(tick - now) + message
        now = tick
    track += var_len(0) + b"\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, ticks))
        f.write(b"MTrk" + struct.pack(">I", len(track)) + track)


if __name__ == "__main__":
    kind, path = sys.argv[1], sys.argv[2]
    if kind == "note":
        # note KEY PROGRAM: one note held for three beats (1.5 s at 120 bpm)
        write(path, [(0, 3, int(sys.argv[3]), 100)], program=int(sys.argv[4]))
    elif kind == "phrase":
        melody = [(0, 1, 57), (1, 1, 60), (2, 1, 64), (3, 2, 69), (5, 1, 67), (6, 1, 64), (7, 3, 60)]
        chords = [(0, 4, 45), (4, 4, 41), (8, 2, 48)]
        write(path, [(s, l, k, 96) for s, l, k in melody] + [(s, l, k, 70) for s, l, k in chords])
    else:
        sys.exit("usage: make_midi.py note PATH KEY PROGRAM | phrase PATH")
