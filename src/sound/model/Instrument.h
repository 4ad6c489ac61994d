#pragma once
// The whole patch the engine plays: four voices in slots A to D, the saved
// parameter values, and the instrument-wide curves (morph paths, modulation
// envelope, spectral shape). About 17 MB, so the engine holds one for its
// lifetime and loads overwrite it in place.

#include "params/ParameterTable.h"
#include "sound/model/BreakpointCurve.h"
#include "sound/model/Voice.h"

#include <array>

namespace tessarine {

inline constexpr int kVoiceSlotCount = 4; // slots A..D

// The morph path curves in the order files store them.
enum MorphPath : int {
    kHarmonicMorphX,
    kHarmonicMorphY,
    kNoiseMorphX,
    kNoiseMorphY,
    kAmplitudeMorphX,
    kAmplitudeMorphY,
    kMorphPathCount,
};

struct Instrument {
    Instrument();
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    std::array<char, kNameCapacity> name{};
    std::array<float, kParameterCount> parameterValues{};
    std::array<Voice, kVoiceSlotCount> voices;
    // XY-pad positions (0..1) over time, one pair each for harmonics, noise and amplitude.
    std::array<BreakpointCurve, kMorphPathCount> morphPathCurves;
    BreakpointCurve modEnvelopeCurve;
    // Formant gain (0..1) over frequency position (0..1 stands for 0..22,000 Hz).
    BreakpointCurve spectralShapeCurve;
    std::array<char, 256> libraryFolder{};
};

} // namespace tessarine
