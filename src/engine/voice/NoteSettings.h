#pragma once
// A note keeps these for its life, whatever the knobs do after its note-on.

#include "sound/model/Instrument.h"

#include <array>

namespace tessarine {

// What a note takes from the parameters when it starts.
struct NoteSettings {
    float attackTime = 0.000001f; // seconds
    float releaseTime = 0.006f;   // seconds
    float stretchFactor = 1.0f;
    float harmonicMorphX = 0.5f, harmonicMorphY = 0.5f;
    float noiseMorphX = 0.5f, noiseMorphY = 0.5f;
    float amplitudeMorphX = 0.0f, amplitudeMorphY = 0.0f;
    int harmonicCount = 1;
    float cutoff = 0.8f, resonance = 0.03f, filterEnvelope = 0.1f;
    int filterMode = 2;
    bool filterOn = false, filterSaturation = false;
    bool formantOn = false;
    float formantFrequency = 0.0f;
    bool harmonicsOn = true, noiseOn = true;
    bool loop = false;
    // Set when velocity or key position set the value for this note: the note
    // keeps it rather than following the engine's input.
    bool holdHarmonicX = false, holdHarmonicY = false, holdStretch = false;
    bool holdCutoff = false, holdResonance = false, holdFormant = false;
    struct Slot {
        bool solo = false;
        int multisample = 0;
        bool loudLayer = false;
        bool harmonize = false;
    };
    std::array<Slot, kVoiceSlotCount> slots{};
};

} // namespace tessarine
