#pragma once
// Guesses the fundamental of a note when neither the file header nor the file
// name tells it. A long-term magnitude spectrum (skipping the attack) gives up
// to nine strong, well-separated peaks; the candidate fundamental whose
// harmonic series best explains them both ways (two-way mismatch) wins. The
// two-way error keeps the search from settling on an octave below (whose
// predicted harmonics find no peaks) or above (which leaves peaks unexplained).

#include "analysis/NumVector.h"

namespace tessarine {

// f0 in Hz; 0 when the sound gives no pitch: silent, noise (no peak stands
// out from its neighbourhood), too short for a long-term spectrum, non-finite
// samples or a rate outside 1 kHz..1 MHz.
double estimatePitch(const NumVector& samples, double rate);

// Mismatch error of candidate fundamental c against measured peaks (Hz and
// magnitudes of equal count); infinity when there is nothing to compare.
double twoWayMismatch(double candidate, const NumVector& frequencies, const NumVector& magnitudes);

} // namespace tessarine
