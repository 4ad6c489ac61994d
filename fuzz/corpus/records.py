"""Little-endian record pieces shared by the seed-corpus generators."""
import struct


def i32(v):
    return struct.pack("<i", v)


def f32(v):
    return struct.pack("<f", v)


def curve(points):
    out = i32(len(points))
    out += b"".join(f32(t) for t, _ in points)
    out += b"".join(f32(v) for _, v in points)
    return out
