#pragma once
// Turns partial tracks (Hz) into one row per harmonic number 1..64. First the
// tracks that sit near the same harmonic are merged frame by frame, keeping
// the strongest one that continues the harmonic's frequency. Then each
// harmonic takes the nearest track by mean frequency, and harmonics that are
// too weak, start late and stay short, or lie far above a gap in the series
// are dropped: those are noise or another sound, not this note's partials.

#include "analysis/NumMatrix.h"

namespace tessarine {

inline constexpr int kHarmonicCount = 64;

struct HarmonicCurves {
    NumMatrix frequency; // 64 x frames, Hz; NaN where the harmonic is absent
    NumMatrix amplitude; // 64 x frames
};

// frequency, amplitude: tracks x frames of equal shape (otherwise all NaN).
HarmonicCurves mergeHarmonicCandidates(const NumMatrix& frequency, const NumMatrix& amplitude, double f0);

// f0 = -1 lifts the rule that a harmonic series starts no lower than 0.75 f0.
HarmonicCurves assignHarmonics(const NumMatrix& frequency, const NumMatrix& amplitude, double f0);

} // namespace tessarine
