#pragma once
// One noise spectrum: a curve over frequency position (0..1 stands for
// 0..44,100 Hz) and the 256 bands the noise synthesis reads, resampled from it.
// The silent flag lets the synthesis skip frames that have never had a band
// above 0.

#include "sound/model/BreakpointCurve.h"

#include <array>

namespace tessarine {

inline constexpr int kNoiseBandCount = 256;
inline constexpr float kNoiseSpectrumSpan = 44100.0f; // Hz at spectrum position 1

class NoiseFrame {
public:
    NoiseFrame();
    NoiseFrame(const NoiseFrame&) = delete;
    NoiseFrame& operator=(const NoiseFrame&) = delete;

    BreakpointCurve spectrum;
    std::array<float, kNoiseBandCount> bands{};
    bool silent = true;
    int renderValue = 0; // the engine's, copied along, never stored

    void copyFrom(const NoiseFrame& other);
    // Band k takes the spectrum at position (k + 1) / 256. A band above 0
    // clears the silent flag; resampling never sets it again.
    void resampleBands();
    // The harmonic roll-off applied to spectrum points, then the bands resampled.
    void applyCutoff(float frequencyHz);
};

} // namespace tessarine
