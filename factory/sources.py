"""The sound sources of the factory voices: notes of General MIDI programs
played by fluidsynth, and waveforms drawn here. Every note is written as a
16-bit WAV whose sampler chunk names its key, so the analysis takes the exact
pitch from the file and never has to guess it."""
import array
import math
import os
import struct
import subprocess

RATE = 44100
SOUNDFONT = "/usr/share/sounds/sf3/MuseScore_General_Lite.sf3"
# Silence before each note, and the time after note-off kept as its release.
LEAD_IN = 0.05
RELEASE = 1.5


class VoiceRecipe:
    def __init__(self, line, number):
        fields = [f.strip() for f in line.split("|")]
        if len(fields) < 4:
            raise ValueError(f"voices.txt:{number}: expected NAME | SOURCE | keys ... | velocities ...")
        self.path = fields[0]
        self.category, _, self.name = self.path.partition("/")
        kind, _, value = fields[1].partition(" ")
        self.kind = kind
        self.source = value.strip()
        self.keys = []
        self.velocities = []
        self.hold = 2.5
        for field in fields[2:]:
            word, _, rest = field.partition(" ")
            if word == "keys":
                self.keys = [int(k) for k in rest.split()]
            elif word == "velocities":
                self.velocities = [int(v) for v in rest.split()]
            elif word == "hold":
                self.hold = float(rest)
            else:
                raise ValueError(f"voices.txt:{number}: unknown field '{word}'")
        if (not self.name or kind not in ("gm", "wave") or not 1 <= len(self.keys) <= 8
                or self.keys != sorted(self.keys) or len(self.velocities) not in (1, 2)):
            raise ValueError(f"voices.txt:{number}: bad voice line")

    def layers(self):
        """(layer, velocity) pairs: a single velocity is the loud layer 1 alone."""
        if len(self.velocities) == 1:
            return [(1, self.velocities[0])]
        return [(0, self.velocities[0]), (1, self.velocities[1])]


def read_voices(path):
    voices = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if line and not line.startswith("#"):
                voices.append(VoiceRecipe(line, number))
    return voices


def write_wav(path, samples, key, channels=1):
    """samples: array('h'), interleaved; a RIFF WAVE with a sampler chunk whose unity note is key."""
    data = samples.tobytes()
    fmt = struct.pack("<HHIIHH", 1, channels, RATE, RATE * 2 * channels, 2 * channels, 16)
    smpl = struct.pack("<9I", 0, 0, round(1e9 / RATE), key, 0, 0, 0, 0, 0)
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"smpl" + struct.pack("<I", len(smpl)) + smpl
            + b"data" + struct.pack("<I", len(data)) + data)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def note_file(folder, layer, key):
    return os.path.join(folder, f"layer{layer}-key{key}.wav")


# --- General MIDI notes through fluidsynth -----------------------------------

def _var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)


def _write_midi(path, events):
    """events: (seconds, message bytes); 120 bpm, 960 ticks per second."""
    ticks_per_beat = 480
    track = bytearray(_var_len(0) + b"\xff\x51\x03" + (500000).to_bytes(3, "big"))
    now = 0
    for seconds, message in sorted(events, key=lambda e: e[0]):
        tick = round(seconds * 2 * ticks_per_beat)
        track += _var_len(tick - now) + message
        now = tick
    track += _var_len(0) + b"\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, ticks_per_beat))
        f.write(b"MTrk" + struct.pack(">I", len(track)) + track)


def _read_wav16(path):
    """The interleaved 16-bit samples and channel count of fluidsynth's output."""
    with open(path, "rb") as f:
        blob = f.read()
    pos, channels, data = 12, 2, None
    while pos + 8 <= len(blob):
        tag, size = blob[pos:pos + 4], struct.unpack("<I", blob[pos + 4:pos + 8])[0]
        if tag == b"fmt ":
            channels = struct.unpack("<H", blob[pos + 10:pos + 12])[0]
        elif tag == b"data":
            data = blob[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    samples = array.array("h")
    samples.frombytes(data[:len(data) // 2 * 2])
    return samples, channels


def start_gm_batch(notes, work, tag):
    """Starts one fluidsynth run over notes [(file, program, key, velocity, hold)].
    Every note gets its own slot, and "all sound off" at the slot's end keeps a
    long ring from leaking into the next note. Returns what finish_gm_batch needs."""
    events, slots, at = [], [], 0.0
    for file, program, key, velocity, hold in notes:
        length = LEAD_IN + hold + RELEASE
        events.append((at, bytes([0xC0, program])))
        events.append((at + LEAD_IN, bytes([0x90, key, velocity])))
        events.append((at + LEAD_IN + hold, bytes([0x80, key, 0])))
        events.append((at + length - 0.01, bytes([0xB0, 120, 0])))
        slots.append((file, key, at, length))
        at += length
    events.append((at + 0.2, bytes([0xB0, 121, 0])))
    midi = os.path.join(work, f"notes-{tag}.mid")
    wav = os.path.join(work, f"notes-{tag}.wav")
    _write_midi(midi, events)
    process = subprocess.Popen(
        ["fluidsynth", "-ni", "-q", "-R", "0", "-C", "0", "-g", "0.4", "-r", str(RATE), "-O", "s16", "-T", "wav",
         "-F", wav, SOUNDFONT, midi], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    return process, wav, slots


def finish_gm_batch(batch):
    process, wav, slots = batch
    _, error = process.communicate()
    if process.returncode != 0:
        raise RuntimeError(f"fluidsynth failed: {error.decode(errors='replace').strip()}")
    samples, channels = _read_wav16(wav)
    for file, key, start, length in slots:
        # Written as recorded: the analysis mixes the channels itself.
        first, count = round(start * RATE), round((length - 0.02) * RATE)
        write_wav(file, samples[first * channels:(first + count) * channels], key, channels)
    os.remove(wav)


# --- Drawn waveforms ------------------------------------------------------------

TABLE = 2048
_SINE = [math.sin(2 * math.pi * i / TABLE) for i in range(TABLE)]


def _spectrum(shape, h):
    """Amplitude of harmonic h (1-based) of each drawn shape."""
    odd = h % 2 == 1
    if shape in ("saw", "supersaw"):
        return 1.0 / h
    if shape in ("square", "softsquare"):
        return 1.0 / h if odd else 0.0
    if shape == "pulse":  # a quarter-period pulse
        return abs(math.sin(math.pi * h * 0.25)) / h
    if shape == "triangle":
        return 1.0 / (h * h) if odd else 0.0
    if shape == "bass":  # a square with a little saw in it, for body on small speakers
        return (1.0 if odd else 0.35) / h
    if shape == "organ":  # drawbars 8', 4', 2 2/3' and 2' pulled out
        return {1: 1.0, 2: 0.8, 3: 0.5, 4: 0.6}.get(h, 0.0)
    if shape == "glass":  # octave-rich drawbar partials with a soft bell on top
        return {1: 1.0, 2: 0.6, 3: 0.2, 4: 0.45, 6: 0.12, 8: 0.3, 12: 0.08, 16: 0.15}.get(h, 0.0)
    raise ValueError(f"unknown waveform '{shape}'")


def _table(shape, f0, brightness):
    """One band-limited period: harmonics below 18 kHz, rolled off above brightness × f0."""
    top = min(TABLE // 2 - 1, int(18000 / f0))
    table = [0.0] * TABLE
    for h in range(1, top + 1):
        a = _spectrum(shape, h)
        if a == 0.0:
            continue
        a /= 1.0 + (h / brightness) ** 2
        step = h
        index = 0
        for i in range(TABLE):
            table[i] += a * _SINE[index]
            index = (index + step) % TABLE
    peak = max(abs(v) for v in table) or 1.0
    return [v / peak for v in table]


def _envelope(shape, t, hold):
    slow = shape in ("supersaw", "glass", "softsquare")
    attack = 0.35 if slow else 0.008
    if t < attack:
        level = t / attack
    else:
        level = 0.85 + 0.15 * math.exp(-(t - attack) / 0.25)
    if t > hold:
        level *= math.exp(-(t - hold) / (0.35 if slow else 0.12))
    return level


def draw_wave(file, shape, key, velocity, hold):
    f0 = 440.0 * 2 ** ((key - 69) / 12)
    # A softly played synth is darker: the same shape through a lower roll-off.
    brightness = 4.0 + 26.0 * (velocity / 127) ** 2
    table = _table(shape, f0, brightness)
    detunes = [-0.11, -0.05, 0.0, 0.05, 0.11] if shape == "supersaw" else [0.0]
    steps = [f0 * 2 ** (d / 12) * TABLE / RATE for d in detunes]
    phases = [TABLE * i / len(detunes) for i in range(len(detunes))]
    lead = round(LEAD_IN * RATE)
    count = lead + round((hold + RELEASE) * RATE)
    out = array.array("h", bytes(2 * count))
    scale = 24000.0 / len(detunes)
    for n in range(lead, count):
        value = 0.0
        for v, step in enumerate(steps):
            p = phases[v]
            i = int(p)
            frac = p - i
            value += table[i] + (table[(i + 1) % TABLE] - table[i]) * frac
            p += step
            phases[v] = p - TABLE if p >= TABLE else p
        out[n] = int(value * scale * _envelope(shape, (n - lead) / RATE, hold))
    write_wav(file, out, key)
