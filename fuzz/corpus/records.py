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


def layer(frames, noise_frames, pitch=220.0):
    """A layer record: 64 harmonics at 1/h over frames, and noise frames."""
    times = [0.02 + 0.1 * i for i in range(frames)]
    out = f32(pitch)
    for h in range(64):
        out += curve([(t, 0.5 / (h + 1)) for t in times])
    for h in range(64):
        out += curve([(t, h + 1.0) for t in times])
    out += i32(noise_frames)
    for i in range(noise_frames):
        out += f32(0.05 * i) + curve([(0.0, 0.0), (0.25, 0.3), (0.8, 0.1)])
    return out
