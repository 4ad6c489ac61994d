#!/usr/bin/env python3
"""Writes the notes `tessarine fidelity` is measured on, each WAV with a
sidecar NAME.json ({"f0": Hz, "pitched": true|false, "content": "..."}):
notes of General MIDI programs played by fluidsynth from the sound font the
factory library uses, and tones drawn here whose content is known exactly
(stretched partials, vibrato, a missing or weak fundamental, a long bowed tone,
a decaying mallet, band noise, beating and chorused tones, notes in the top
octave at 96 kHz). The same script always writes the same files.

Usage: fidelity_material.py OUTDIR
"""
import concurrent.futures
import json
import math
import os
import random
import struct
import subprocess
import sys
import tempfile
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_midi  # noqa: E402

SOUNDFONT = "/usr/share/sounds/sf3/MuseScore_General_Lite.sf3"
HOLD_BEATS = 3  # 1.5 s at make_midi's 120 bpm
RELEASE = 1.0   # seconds kept after the note-off
FADE = 0.05     # the cut at the end fades out over this long

# (name, General MIDI program, key, sample rate)
GM_NOTES = [
    ("piano-low", 0, 33, 44100),
    ("piano-mid", 0, 60, 48000),
    ("piano-high", 0, 84, 96000),
    ("organ", 16, 48, 22050),
    ("nylon-guitar", 24, 52, 44100),
    ("steel-guitar", 25, 64, 48000),
    ("bass-41hz", 32, 28, 44100),
    ("cello", 42, 36, 96000),
    ("strings", 48, 55, 44100),
    ("ensemble", 49, 67, 22050),
    ("brass", 61, 58, 48000),
    ("trumpet", 56, 70, 44100),
    ("alto-sax", 65, 61, 96000),
    ("clarinet", 71, 50, 22050),
    ("flute", 73, 79, 44100),
    ("choir", 52, 57, 48000),
    ("warm-pad", 89, 53, 44100),
    ("marimba", 12, 72, 48000),
    ("vibraphone", 11, 65, 96000),
    # The top octave at 96 kHz, where the harmonics reach past 20 kHz.
    ("piano-top", 0, 103, 96000),
    ("flute-top", 73, 96, 96000),
]


def key_frequency(key):
    return 440.0 * 2.0 ** ((key - 69) / 12.0)


def write_wav(path, rate, channels, frames):
    """frames: floats in -1..1, interleaved; 16-bit PCM."""
    data = struct.pack(f"<{len(frames)}h", *(max(-32767, min(32767, round(v * 32767))) for v in frames))
    with wave.open(path, "wb") as f:
        f.setnchannels(channels)
        f.setsampwidth(2)
        f.setframerate(rate)
        f.writeframes(data)


def write_sidecar(path, f0, pitched, content):
    with open(os.path.splitext(path)[0] + ".json", "w", encoding="utf-8") as f:
        json.dump({"f0": round(f0, 6) if pitched else 0, "pitched": pitched, "content": content}, f)
        f.write("\n")


# --- General MIDI notes -----------------------------------------------------

def gm_note(out_dir, name, program, key, rate):
    path = os.path.join(out_dir, f"gm-{name}-{rate // 1000}k.wav")
    with tempfile.TemporaryDirectory() as work:
        midi = os.path.join(work, "note.mid")
        raw = os.path.join(work, "note.wav")
        make_midi.write(midi, [(0, HOLD_BEATS, key, 100)], program=program)
        # Samples load as the notes need them: the whole font would take seconds per note.
        subprocess.run(["fluidsynth", "-ni", "-q", "-R", "0", "-C", "0", "-g", "0.4", "-r", str(rate),
                        "-o", "synth.dynamic-sample-loading=1", "-O", "s16", "-T", "wav", "-F", raw,
                        SOUNDFONT, midi], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with wave.open(raw, "rb") as f:
            channels = f.getnchannels()
            count = min(f.getnframes(), round((HOLD_BEATS * 0.5 + RELEASE) * rate))
            pcm = f.readframes(count)
    samples = [v / 32768.0 for v in struct.unpack(f"<{len(pcm) // 2}h", pcm)]
    fade = round(FADE * rate)
    frames = len(samples) // channels
    for i in range(max(0, frames - fade), frames):
        gain = (frames - i) / fade
        for c in range(channels):
            samples[i * channels + c] *= gain
    write_wav(path, rate, channels, samples)
    write_sidecar(path, key_frequency(key), True, f"General MIDI program {program}, key {key}")
    return path


# --- Drawn tones ----------------------------------------------------------------

def partial_tone(rate, seconds, partials, envelope=None, vibrato=None):
    """partials: (frequency, amplitude, decay per second or 0); vibrato: (cents, Hz)."""
    n = round(rate * seconds)
    out = [0.0] * n
    for freq, amp, decay in partials:
        if freq >= 0.45 * rate:
            continue
        phase = 0.0
        step = 2.0 * math.pi * freq / rate
        for i in range(n):
            if vibrato:
                phase += step * 2.0 ** (vibrato[0] / 1200.0 * math.sin(2.0 * math.pi * vibrato[1] * i / rate))
            else:
                phase = step * i
            a = amp * (math.exp(-decay * i / rate) if decay else 1.0)
            out[i] += a * math.sin(phase)
    if envelope:
        for i in range(n):
            out[i] *= envelope(i / rate, seconds)
    peak = max(abs(v) for v in out) or 1.0
    return [0.7 * v / peak for v in out]


def attack_release(attack, release):
    def envelope(t, seconds):
        return min(1.0, t / attack, max(0.0, (seconds - t) / release))
    return envelope


def band_noise(rate, seconds, low, high, seed):
    """White noise through two second-order band-passes at the band's centre."""
    rng = random.Random(seed)
    n = round(rate * seconds)
    centre = math.sqrt(low * high)
    q = centre / (high - low)
    w = 2.0 * math.pi * centre / rate
    alpha = math.sin(w) / (2.0 * q)
    b0, a0, a1, a2 = alpha, 1.0 + alpha, -2.0 * math.cos(w), 1.0 - alpha
    x = [rng.uniform(-1.0, 1.0) for _ in range(n)]
    for _ in range(2):
        y = [0.0] * n
        x1 = x2 = y1 = y2 = 0.0
        for i in range(n):
            v = (b0 * x[i] - b0 * x2 - a1 * y1 - a2 * y2) / a0
            x2, x1, y2, y1 = x1, x[i], y1, v
            y[i] = v
        x = y
    env = attack_release(0.02, 0.05)
    out = [x[i] * env(i / rate, seconds) for i in range(n)]
    peak = max(abs(v) for v in out) or 1.0
    return [0.7 * v / peak for v in out]


def harmonics(f0, count, amplitude=lambda h: 1.0 / h, decay=lambda h: 0.0):
    return [(h * f0, amplitude(h), decay(h)) for h in range(1, count + 1)]


def synthetic_tones():
    """(name, rate, f0 or 0, content, sample maker)"""
    stretch = 0.0004  # a piano-like string stiffness: partial h at h f0 sqrt(1 + B h^2)
    return [
        ("saw-41hz", 22050, 41.2, "band-limited sawtooth, 40 harmonics",
         lambda r: partial_tone(r, 2.0, harmonics(41.2, 40), attack_release(0.01, 0.05))),
        ("sine-1khz", 48000, 1000.0, "pure sine",
         lambda r: partial_tone(r, 1.5, [(1000.0, 1.0, 0.0)], attack_release(0.01, 0.05))),
        ("square-880", 96000, 880.0, "odd harmonics 1/h",
         lambda r: partial_tone(r, 1.5, [(h * 880.0, 1.0 / h, 0.0) for h in range(1, 40, 2)],
                                attack_release(0.01, 0.05))),
        ("stretched-110", 44100, 110.0, "stretched partials, B = 0.0004",
         lambda r: partial_tone(r, 2.5, [(h * 110.0 * math.sqrt(1 + stretch * h * h), 1.0 / h, 0.3 + 0.1 * h)
                                         for h in range(1, 31)], attack_release(0.005, 0.1))),
        ("stretched-196", 48000, 196.0, "stretched partials, B = 0.0004, steady",
         lambda r: partial_tone(r, 2.0, [(h * 196.0 * math.sqrt(1 + stretch * h * h), 1.0 / h, 0.0)
                                         for h in range(1, 21)], attack_release(0.01, 0.05))),
        ("vibrato-330", 44100, 330.0, "vibrato +-20 cents at 5 Hz, 12 harmonics",
         lambda r: partial_tone(r, 2.0, harmonics(330.0, 12), attack_release(0.05, 0.1), vibrato=(20.0, 5.0))),
        ("vibrato-98", 22050, 98.0, "vibrato +-20 cents at 5 Hz, 20 harmonics",
         lambda r: partial_tone(r, 2.0, harmonics(98.0, 20), attack_release(0.05, 0.1), vibrato=(20.0, 5.0))),
        ("missing-fundamental-200", 44100, 200.0, "harmonics 2 to 12, no fundamental",
         lambda r: partial_tone(r, 1.5, [(h * 200.0, 1.0 / h, 0.0) for h in range(2, 13)],
                                attack_release(0.01, 0.05))),
        ("weak-fundamental-150", 48000, 150.0, "fundamental 40 dB under h2",
         lambda r: partial_tone(r, 1.5, [(150.0, 0.01, 0.0)] + [(h * 150.0, 1.0 / (h - 1), 0.0)
                                                                for h in range(2, 16)],
                                attack_release(0.01, 0.05))),
        ("long-string-13s", 44100, 146.83, "13 s bowed-string-like tone, 20 harmonics",
         lambda r: partial_tone(r, 13.0, harmonics(146.83, 20, amplitude=lambda h: 1.0 / h ** 1.2),
                                attack_release(0.25, 0.4))),
        ("mallet-523", 44100, 523.25, "decaying mallet, upper harmonics die faster",
         lambda r: partial_tone(r, 2.0, harmonics(523.25, 10, amplitude=lambda h: 1.0 / h,
                                                   decay=lambda h: 2.0 + 3.0 * h), attack_release(0.002, 0.05))),
        ("weak-fundamental-41hz", 44100, 41.2, "piano-like low note, fundamental 20 dB under h2, decaying",
         lambda r: partial_tone(r, 2.5, [(41.2, 0.05, 0.4)] + [(h * 41.2 * math.sqrt(1 + 0.0002 * h * h),
                                                                 0.5 / h ** 0.7, 0.4 + 0.05 * h)
                                                                for h in range(2, 41)],
                                attack_release(0.005, 0.1))),
        ("beating-square-440", 44100, 440.0, "two square oscillators 7 cents apart",
         lambda r: partial_tone(r, 2.0, [(h * 440.0 * c, 0.5 / h, 0.0) for c in (1.0, 2.0 ** (7.0 / 1200.0))
                                         for h in range(1, 24, 2)], attack_release(0.01, 0.05))),
        ("chorus-saw-262", 48000, 261.63, "three sawtooths at -9, 0 and +9 cents",
         lambda r: partial_tone(r, 2.0, [(h * 261.63 * 2.0 ** (c / 1200.0), 1.0 / h, 0.0) for c in (-9.0, 0.0, 9.0)
                                         for h in range(1, 21)], attack_release(0.05, 0.1))),
        ("top-octave-3520", 96000, 3520.0, "six harmonics 1/h to 21 kHz",
         lambda r: partial_tone(r, 1.5, harmonics(3520.0, 6), attack_release(0.01, 0.05))),
        ("noise-band", 44100, 0.0, "band noise 500 to 4000 Hz",
         lambda r: band_noise(r, 2.0, 500.0, 4000.0, 7)),
        ("noise-narrow", 48000, 0.0, "band noise 2000 to 2600 Hz",
         lambda r: band_noise(r, 1.5, 2000.0, 2600.0, 11)),
    ]


def drawn_tone(out_dir, index):
    name, rate, f0, content, make = synthetic_tones()[index]
    path = os.path.join(out_dir, f"tone-{name}-{rate // 1000}k.wav")
    write_wav(path, rate, 1, make(rate))
    write_sidecar(path, f0, f0 > 0.0, content)
    return path


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: fidelity_material.py OUTDIR")
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    workers = os.cpu_count() or 1
    # One pool of processes for both kinds: the drawn tones are pure Python,
    # and a process that forks while threads of its own run fluidsynth can hang.
    with concurrent.futures.ProcessPoolExecutor(workers) as pool:
        # The longest first, so that no core idles at the end.
        jobs = [pool.submit(drawn_tone, out_dir, i) for i in range(len(synthetic_tones()))]
        jobs += [pool.submit(gm_note, out_dir, *note) for note in GM_NOTES]
        for job in jobs:
            job.result()
    print(f"fidelity material: {len(jobs)} notes in {out_dir}")


if __name__ == "__main__":
    main()
