#pragma once
// The harmonic frames of one analysed layer: amplitude and frequency curves for
// harmonics 1..64. Curve 0 of each set owns the frame times and curves 1..63
// share them, so every harmonic has its frames at the same moments and a frame
// is added or moved for all harmonics at once.
//
// Frequencies are multiples of basePitch: harmonic index h nominally sits at
// h + 1 and is kept within h..h + 2. totalCurve and duration are derived and
// rebuilt by prepare() and updateDuration().

#include "sound/model/BreakpointCurve.h"

#include <array>

namespace tessarine {

inline constexpr int kHarmonicCount = 64;
inline constexpr float kDefaultBasePitch = 261.63f; // middle C, for data without a pitch
// Above every key's frequency (12.5 kHz) and every pitch a file name can name.
inline constexpr float kHighestBasePitch = 24000.0f;

class HarmonicData {
public:
    HarmonicData();
    HarmonicData(const HarmonicData&) = delete;
    HarmonicData& operator=(const HarmonicData&) = delete;

    float basePitch = 0.0f;     // Hz
    float duration = 0.0f;      // seconds, derived
    float sampleRate = 44100.0f; // the engine's, copied along, never stored

    BreakpointCurve& amplitude(int h) { return amplitudeCurves_[static_cast<std::size_t>(h)]; }
    const BreakpointCurve& amplitude(int h) const { return amplitudeCurves_[static_cast<std::size_t>(h)]; }
    BreakpointCurve& frequency(int h) { return frequencyCurves_[static_cast<std::size_t>(h)]; }
    const BreakpointCurve& frequency(int h) const { return frequencyCurves_[static_cast<std::size_t>(h)]; }
    BreakpointCurve& totalCurve() { return totalCurve_; }
    const BreakpointCurve& totalCurve() const { return totalCurve_; }
    int frameCount() const { return amplitudeCurves_[0].pointCount(); }

    // Empties every curve (the total too); basePitch stays, duration 0.
    void clear();
    // Curves, basePitch, sampleRate and duration (and the derived total).
    void copyFrom(const HarmonicData& other);

    void updateDuration();
    void buildTotalCurve();
    // Makes the data safe to play: a loud start gets a silent frame at 0 (with
    // the first real frame at 0.01 s or later) and the last frame is silenced.
    void prepare();
    // Rolls off harmonics above frequencyHz (18 dB over one octave, silent beyond).
    void applyCutoff(float frequencyHz);

private:
    std::array<BreakpointCurve, kHarmonicCount> amplitudeCurves_;
    std::array<BreakpointCurve, kHarmonicCount> frequencyCurves_;
    BreakpointCurve totalCurve_;
};

// The gain of the cutoff roll-off at frequency f for a cutoff at frequencyHz.
float cutoffGain(float f, float frequencyHz);

} // namespace tessarine
