#pragma once
// Gives back to the harmonic rows what the partial tracker let go of. The
// tracker ends a partial at a dip it cannot bridge (beating, a bow change, a
// decay that wobbles) and drops the short track that resumes it, and a weak
// partial (a piano's low fundamental far under its second harmonic) may never
// hold one track long enough to be kept. The spectrum still holds them: where
// a harmonic row has no value, its peak is read from the magnitude frames
// themselves, near where the harmonic last stood.

#include "analysis/HarmonicAssignment.h"
#include "analysis/NumMatrix.h"

namespace tessarine {

// curves: 64 x frames, Hz and magnitudes of the 2N-point frames (before any
// scaling), as assignHarmonics gives them from `magnitude` (bins x frames, row
// 1 at DC) with bins rate / (2 frameSize) Hz apart.
// - A row with values takes, in each frame it lacks, the largest local peak
//   within a quarter of f0 (at least one bin) of its last frequency, when that
//   peak rises above the tracker's floor and lies no more than 60 dB under the
//   row's own peak.
// - An empty row below the highest one with values is read the same way at its
//   place in the series; it is kept when its peaks are present in at least 0.3
//   of the frames of the most present row, reach the level a kept harmonic
//   needs and lie no more than 60 dB under the strongest row.
// In a row's frames still without a peak, frequencies stay as they were.
void fillHarmonicGaps(HarmonicCurves& curves, const NumMatrix& magnitude, double rate, int frameSize, double f0);

} // namespace tessarine
