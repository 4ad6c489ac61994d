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


def layer(frames, noise_frames, pitch=220.0, full_band=False):
    """A layer record: 64 harmonics at 1/h over frames, and noise frames
    (full_band: tagged to play all 256 bands)."""
    times = [0.02 + 0.1 * i for i in range(frames)]
    out = f32(pitch)
    for h in range(64):
        out += curve([(t, 0.5 / (h + 1)) for t in times])
    for h in range(64):
        out += curve([(t, h + 1.0) for t in times])
    out += (i32(0x10100) if full_band else b"") + i32(noise_frames)
    for i in range(noise_frames):
        out += f32(0.05 * i) + curve([(0.0, 0.0), (0.25, 0.3), (0.8, 0.1)])
    return out


def voice(layers, frames, multisamples=1):
    """A version-0x10003 voice record of small layers."""
    out = i32(0x10003) + b"v\0" + i32(0) + f32(0.1) + f32(0.2)
    out += i32(multisamples) + i32(layers) + f32(0.5)
    for _ in range(multisamples * layers):
        out += layer(frames, frames // 2)
    return out


def instrument(version, count=173, trailing=2, voices=None):
    """An instrument record: count values, four voices, trailing morph pairs."""
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
