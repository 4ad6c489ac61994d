#include "engine/voice/VoiceManager.h"

#include "params/NoteFrequencyTable.h"
#include "params/ParameterMapping.h"

#include <algorithm>
#include <utility>

namespace tessarine {

namespace {

template <std::size_t... I>
std::array<NoteVoice, kNoteVoiceCount> voicesOver(std::array<NoteVoiceData, kNoteVoiceCount>& data,
                                                  std::index_sequence<I...>)
{
    return {NoteVoice(data[I])...};
}

} // namespace

VoiceManager::VoiceManager(const ParameterValues& values, const Instrument& instrument,
                           const std::array<VoiceRenderTables, kVoiceSlotCount>& tables, ModulationMatrix& modulation)
    : values_(values), modulation_(modulation),
      noteData_(makeMappedOrThrow<std::array<NoteVoiceData, kNoteVoiceCount>>()),
      voices_(voicesOver(*noteData_, std::make_index_sequence<kNoteVoiceCount>{}))
{
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        start_.slots[static_cast<std::size_t>(s)] = &instrument.voices[static_cast<std::size_t>(s)];
        start_.tables[static_cast<std::size_t>(s)] = &tables[static_cast<std::size_t>(s)];
    }
    start_.spectralShape = &instrument.spectralShapeCurve;
}

void VoiceManager::handleMidi(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, bool voicesReadable)
{
    const int key = data1 & 0x7F;
    const int velocity = data2 & 0x7F;
    switch (status & 0xF0) {
    case 0x80:
    case 0x90:
        if ((status & 0xF0) == 0x90 && velocity > 0) {
            if (!voicesReadable) {
                break;
            }
            const float sensitivity = values_.current(kVelocitySens);
            noteOn(key, static_cast<float>(velocity) / 127.0f * sensitivity + (1.0f - sensitivity));
            break;
        }
        if (!portamentoOn() || !voicesReadable) {
            for (NoteVoice& voice : voices_) {
                if (voice.key() == key) {
                    release(voice);
                }
            }
        } else if (key == lastNote_) {
            // Legato playing: only letting go of the newest key ends the phrase.
            for (int i = 0; i < kNoteVoiceCount; ++i) {
                if (isSounding(i)) {
                    release(voice(i));
                }
            }
        }
        break;
    case 0xB0:
        controlChange(key, velocity);
        break;
    case 0xE0: {
        const int range = pitchBendRange(values_.current(kPitchbendRange));
        const float cents =
            static_cast<float>(((velocity - 64) * 128 + key)) / 8192.0f * static_cast<float>(range) * 100.0f;
        for (NoteVoice& voice : voices_) {
            voice.setPitchBend(cents);
        }
        break;
    }
    default:
        break;
    }
}

void VoiceManager::controlChange(int controller, int value)
{
    if (controller == kModWheelController) {
        for (NoteVoice& voice : voices_) {
            voice.setModWheel(static_cast<float>(value) / 127.0f);
        }
        return;
    }
    const bool soundOff = controller == kAllSoundOffController;
    if (!soundOff && controller < kAllNotesOffController) {
        return;
    }
    for (int i = 0; i < kNoteVoiceCount; ++i) {
        if (isSounding(i)) {
            if (soundOff) {
                voice(i).cut();
            } else {
                voice(i).release(false); // a held pedal keeps nothing
            }
        }
    }
}

NoteSettings VoiceManager::captureSettings() const
{
    const ParameterValues& v = values_;
    NoteSettings s;
    s.attackTime = 0.000001f + 4.999999f * v.current(kAttack);
    s.releaseTime = 0.006f + 2.994f * v.current(kRelease);
    s.stretchFactor = stretchFactor(v.current(kStretch));
    s.harmonicMorphX = v.saved(kMorphHarmX);
    s.harmonicMorphY = v.saved(kMorphHarmY);
    s.noiseMorphX = v.saved(kMorphNoiseX);
    s.noiseMorphY = v.saved(kMorphNoiseY);
    s.amplitudeMorphX = v.saved(kMorphAmpX);
    s.amplitudeMorphY = v.saved(kMorphAmpY);
    s.harmonicCount = noteHarmonicCount(v.current(kLoopSync2));
    s.cutoff = v.current(kFilterCutoff);
    s.resonance = v.current(kFilterRes);
    s.filterMode = filterMode(v.current(kFilterMode));
    s.filterEnvelope = v.current(kFilterEnv);
    s.filterOn = v.on(kFilterOn);
    s.filterSaturation = v.on(kFilterSaturation);
    s.formantOn = v.on(kFormantFilterOn);
    s.formantFrequency = v.current(kFormantFreq);
    s.harmonicsOn = v.current(kHarmAmount) != 0.0f;
    s.noiseOn = v.current(kNoiseAmount) != 0.0f;
    s.loop = v.on(kGlobalLoopOn);
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        NoteSettings::Slot& out = s.slots[static_cast<std::size_t>(slot)];
        out.solo = v.on(kSoloButtonA + slot);
        out.multisample = truncClamped(8.0 * v.current(kMultisampleA + slot) + 0.001, 0, kMaxMultisamples - 1);
        out.loudLayer = v.on(kSoftLoudButtonA + slot);
        out.harmonize = v.saved(kHarmonizeAOn + slot) > 0.5f;
    }
    return s;
}

// Velocity and key position set the note's own targets directly; attack and
// release then count as seconds as they are.
void VoiceManager::applyNoteModulation(NoteSettings& s, int key, float velocityFactor)
{
    ModulationPair pairs[ModulationMatrix::kMaxPairs];
    const int count = modulation_.noteModulation(key, velocityFactor, false, pairs);
    for (int i = 0; i < count; ++i) {
        const float v = pairs[i].value;
        switch (pairs[i].index) {
        case kMorphHarmX:
            s.harmonicMorphX = v;
            s.holdHarmonicX = true;
            break;
        case kMorphHarmY:
            s.harmonicMorphY = v;
            s.holdHarmonicY = true;
            break;
        case kMorphNoiseX:
            s.noiseMorphX = v;
            break;
        case kMorphNoiseY:
            s.noiseMorphY = v;
            break;
        case kAttack:
            s.attackTime = std::max(v, 0.000001f);
            break;
        case kStretch:
            s.stretchFactor = stretchFactor(v);
            s.holdStretch = true;
            break;
        case kRelease:
            s.releaseTime = std::max(v, 0.0f);
            break;
        case kFilterCutoff:
            s.cutoff = v;
            s.holdCutoff = true;
            break;
        case kFilterRes:
            s.resonance = v;
            s.holdResonance = true;
            break;
        case kFormantFreq:
            s.formantFrequency = v;
            s.holdFormant = true;
            break;
        default:
            break; // the amplitude morph is fixed at note-on from the drawn values
        }
    }
}

void VoiceManager::noteOn(int key, float velocityFactor)
{
    const float frequency = noteFrequencyTable().frequency(key);
    lastNote_ = key;
    const bool glideMode = portamentoOn();
    const float glideTime = values_.current(kPortamentoRate);

    int held = 0;
    for (int i = 0; i < kNoteVoiceCount; ++i) {
        if (isSounding(i) && voice(i).keyHeld()) {
            ++held;
        }
    }
    if (glideMode && held > 0) {
        // Legato: the sounding notes slide to the new pitch instead of a new note starting.
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            if (isSounding(i)) {
                voice(i).glideTo(frequency, glideTime);
            }
        }
        return;
    }

    int free = -1;
    for (int i = 0; i < kNoteVoiceCount; ++i) {
        if (!isSounding(i)) {
            free = i;
            break;
        }
    }
    if (free < 0) {
        // Each steal leaves one voice fading for a millisecond, so with the
        // limit at twelve the second of two notes at one sample would find no
        // voice. It takes the quietest fading one rather than being lost.
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            if (voice(i).isCut() && (free < 0 || voice(i).envelopeGain() < voice(free).envelopeGain())) {
                free = i;
            }
        }
        if (free >= 0) {
            voice(free).silence();
        }
    }
    if (free >= 0) {
        NoteSettings settings = captureSettings();
        applyNoteModulation(settings, key, velocityFactor);
        for (NoteVoice& v : voices_) {
            if (v.key() == key) {
                v.cut(); // a repeated key must not sound twice
            }
        }
        free = -1;
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            if (!isSounding(i)) {
                free = i;
                break;
            }
        }
        const int started = free < 0 ? 0 : free;
        voice(started).start(key, frequency, velocityFactor, settings, start_);
        startOrder_[static_cast<std::size_t>(started)] = ++notesStarted_;
        enforceVoiceLimit();
    }

    if (glideMode) {
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            if (isSounding(i)) {
                voice(i).glideTo(frequency, glideTime);
                voice(i).stopGliding();
            }
        }
    }
}

void VoiceManager::enforceVoiceLimit()
{
    const int limit = voiceLimit(values_.current(kLoopSync1));
    auto active = [&] {
        int count = 0;
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            if (isSounding(i) && !voice(i).isCut()) {
                ++count;
            }
        }
        return count;
    };
    for (int over = active() - limit; over > 0; --over) {
        // Steal the note that has played longest. Notes started at one sample
        // all stand at position zero, and of those the one started first
        // goes: the note just played must never be the one stolen.
        int oldest = -1;
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            if (!isSounding(i) || voice(i).isCut()) {
                continue;
            }
            if (oldest < 0 || voice(i).playbackPosition() > voice(oldest).playbackPosition() ||
                (voice(i).playbackPosition() == voice(oldest).playbackPosition() &&
                 startOrder_[static_cast<std::size_t>(i)] < startOrder_[static_cast<std::size_t>(oldest)])) {
                oldest = i;
            }
        }
        if (oldest < 0) {
            break;
        }
        voice(oldest).cut();
    }
}

void VoiceManager::releaseSustained()
{
    for (int i = 0; i < kNoteVoiceCount; ++i) {
        if (isSounding(i) && !voice(i).keyHeld()) {
            release(voice(i));
        }
    }
}

void VoiceManager::stopAllVoices()
{
    for (int i = 0; i < kNoteVoiceCount; ++i) {
        if (isSounding(i)) {
            voice(i).release(false);
        }
    }
}

void VoiceManager::silenceAll()
{
    for (NoteVoice& v : voices_) {
        v.silence();
    }
}

void VoiceManager::resetFilters()
{
    for (NoteVoice& v : voices_) {
        v.resetFilter();
    }
}

bool VoiceManager::isSounding(int index) { return voice(index).isSounding(); }

} // namespace tessarine
