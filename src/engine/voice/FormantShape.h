#pragma once
// The formant filter of one playing note: the instrument's drawn spectral
// shape, shifted along the frequency axis by the formant value, weights every
// partial and every noise band. Positions 0..1 of the shape stand for
// 0..22,050 Hz on the partials' scale; the 256 noise bands sit at k / 256.
//
// Each note keeps its own copy of the shape, taken at note-on, so editing the
// curve while a note plays does not tear its sound. Audio thread only; curves
// have fixed capacity, so nothing here allocates.

#include "sound/model/BreakpointCurve.h"

#include <array>

namespace tessarine {

class FormantShape {
public:
    static constexpr int kBandCount = 256;
    // The frequency at position 1 of the shape for partials.
    static constexpr float kPartialScaleHz = 22050.0f;
    // A formant value of 0 or 1 moves the shape by this share of the axis.
    static constexpr float kMaxShift = 0.125f;

    // Note-on. formant is the note's starting formant value (0.5, or the value
    // velocity or key position holds for the note). With the switch off the
    // bands stay at 1 and the last value used is -1, so a later update builds
    // the shape.
    void setup(const BreakpointCurve& shape, bool on, float formant);
    // Per sub-block, with the note's smoothed formant value: rebuilds the
    // shifted shape and the band table only when the value moved.
    void update(float formant);

    // The weight of a partial at frequencyHz.
    float gain(float frequencyHz) { return shifted_.valueAt(frequencyHz / kPartialScaleHz); }
    // The weights of the 256 noise bands.
    const std::array<float, kBandCount>& table() const { return table_; }
    float lastValue() const { return last_; }

private:
    void rebuild(float formant);

    BreakpointCurve shape_;
    BreakpointCurve shifted_;
    std::array<float, kBandCount> table_{};
    float last_ = -1.0f;
};

} // namespace tessarine
