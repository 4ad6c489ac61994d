#pragma once
// Additive resynthesis of the tracked partials, so that they can be taken out
// of the sound and what is left analysed as noise. Between two frames each
// partial follows a cubic phase that meets the measured frequency and phase at
// both ends, which keeps the resynthesis in phase with the original and lets
// the subtraction cancel it. Amplitudes ramp linearly. A partial fades in from
// 0 over the frame before its first and out over the frame after its last.

#include "analysis/AnalysisProgress.h"
#include "analysis/NumMatrix.h"
#include "analysis/NumVector.h"

namespace tessarine {

// frequency (Hz), amplitude and phase (rad): tracks x C frames of equal shape,
// frame c (0-based) at output sample c * frameSize; NaN counts as absent.
// Gives (C - 1) * frameSize samples, empty on mismatched shapes or a bad rate.
// progress (may be null) hears after each track.
NumVector resynthesiseHarmonics(const NumMatrix& frequency, const NumMatrix& amplitude, const NumMatrix& phase,
                                double rate, int frameSize, AnalysisProgress* progress);

} // namespace tessarine
