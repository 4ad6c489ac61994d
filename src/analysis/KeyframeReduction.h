#pragma once
// Reduces the frame analysis to what a voice layer stores: at most 80 harmonic
// keyframes (a breakpoint per harmonic curve each) and at most 48 noise
// keyframes of at most 48 frequency points. Keyframes go where straight lines
// between their neighbours explain the frames they stand for; the allowed
// error grows until the sound fits.

#include "analysis/NumMatrix.h"

namespace tessarine {

inline constexpr int kMaxHarmonicKeyframes = 80;
inline constexpr double kHarmonicErrorThreshold = 3.0;
inline constexpr int kMaxNoiseKeyframes = 48;
inline constexpr double kNoiseTimeErrorThreshold = 5.0;
inline constexpr int kMaxNoiseKeyframeBands = 48;
inline constexpr double kNoiseBandErrorThreshold = 2.0;
// Noise frames are timed as 256-sample hops at 44.1 kHz whatever the rate.
inline constexpr double kNoiseFramePeriod = 256.0 / 44100.0;

// 65 x K each: row 1 the keyframe times in seconds, rows 2..65 harmonics 1..64
// (frequency in Hz, linear amplitude). The last keyframe is silent and at most
// 0.25 s after the one before it.
struct HarmonicKeyframes {
    NumMatrix frequency;
    NumMatrix amplitude;
};

// frequency and amplitude: 64 x frames without NaN, frame j at (j - 1) x
// framePeriod. False (out untouched) when their shapes differ. With f0 not
// above 0 the frequencies carry nothing and only amplitudes decide.
bool reduceHarmonicKeyframes(const NumMatrix& frequency, const NumMatrix& amplitude, double framePeriod,
                             double threshold, int keyframeLimit, double f0, HarmonicKeyframes& out);

// frames: bins x frames linear magnitudes. Gives (1 + B) x (1 + K): cell (1, 1)
// 0, row 1 the keyframe times, column 1 the band numbers (1-based bins), the
// rest the magnitudes; the last keyframe is silent. Empty for empty frames.
// Bands 31, 63, 96, 127 and 191 always stay: fixed anchors, so that noise
// frames of different sounds keep points at the same frequencies for morphing.
NumMatrix reduceNoiseKeyframes(const NumMatrix& frames, double framePeriod, double timeThreshold, int keyframeLimit,
                               double bandThreshold, int bandLimit);

} // namespace tessarine
