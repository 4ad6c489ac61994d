#!/usr/bin/env python3
"""Writes the seed corpus of the sound import's fuzz target: a few tiny WAV
and AIFF files (mono and stereo, 8 and 16 bit, one with an instrument chunk)
and broken ones (cut short, AIFC, an empty data chunk). Run from anywhere; it
writes beside itself into sound/."""
import math
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sound")


def tone(count, rate, f0):
    return [0.5 * sum(math.sin(2 * math.pi * h * f0 * i / rate) / h for h in range(1, 6)) for i in range(count)]


def chunk(tag, body):
    pad = b"\0" if len(body) % 2 else b""
    return tag + struct.pack("<I", len(body)) + body + pad


def wav(channels, bits, rate, samples, smpl_note=None):
    if bits == 8:
        data = bytes(int(128 + 127 * s) for s in samples)
    else:
        data = b"".join(struct.pack("<h", int(32767 * s)) for s in samples)
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * block, block, bits)
    body = b"WAVE" + chunk(b"fmt ", fmt)
    if smpl_note is not None:
        smpl = struct.pack("<9I", 0, 0, 1000000000 // rate, smpl_note, 0, 0, 0, 0, 0)
        body += chunk(b"smpl", smpl)
    body += chunk(b"data", data)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def ieee_extended(value):
    exponent = int(math.floor(math.log2(value)))
    mantissa = int(value / 2 ** exponent * (1 << 63))
    return struct.pack(">HQ", exponent + 16383, mantissa)


def aiff(channels, rate, samples, form=b"AIFF"):
    data = b"".join(struct.pack(">h", int(32767 * s)) for s in samples)
    frames = len(samples) // channels
    comm = struct.pack(">hIh", channels, frames, 16) + ieee_extended(rate)
    if form == b"AIFC":
        comm += b"NONE\0\0"
    body = form + bchunk(b"COMM", comm) + bchunk(b"SSND", struct.pack(">II", 0, 0) + data)
    return b"FORM" + struct.pack(">I", len(body)) + body


def bchunk(tag, body):
    pad = b"\0" if len(body) % 2 else b""
    return tag + struct.pack(">I", len(body)) + body + pad


def main():
    os.makedirs(here, exist_ok=True)
    mono = tone(400, 8000, 200)
    stereo = [s for s in tone(300, 8000, 300) for _ in range(2)]
    files = {
        "mono16.wav": wav(1, 16, 8000, mono),
        "stereo8.wav": wav(2, 8, 8000, stereo),
        "base-note.wav": wav(1, 16, 8000, mono, smpl_note=57),
        "cut-short.wav": wav(1, 16, 8000, mono)[:300],
        "no-data.wav": wav(1, 16, 8000, []),
        "stereo.aiff": aiff(2, 8000, stereo),
        "compressed.aifc": aiff(1, 8000, mono, form=b"AIFC"),
    }
    for name, content in files.items():
        with open(os.path.join(here, name), "wb") as out:
            out.write(content)


if __name__ == "__main__":
    main()
