#pragma once
// The frame analysis of one imported note: a tracking pass on Blackman
// spectra, whose amplitudes are steadier, gives the 64 harmonic curves; the
// partial tracks of the reassigned spectra that are those harmonics are
// resynthesised and subtracted, and what remains is analysed as noise. A
// note without partials (no pitch, silence, too short) is analysed as noise alone.

#include "analysis/AnalysisProgress.h"
#include "analysis/NumMatrix.h"
#include "analysis/NumVector.h"

namespace tessarine {

struct FrameAnalysis {
    NumMatrix harmonicFrequency; // 64 x frames, Hz; NaN where absent
    NumMatrix harmonicAmplitude; // 64 x frames, linear
    NumMatrix noise;             // 256 x noise frames, linear magnitudes
    double framePeriod = 0.0;    // seconds between harmonic frames
};

// False (out untouched) when a sample or f0 is not finite, or the rate lies
// outside 1 kHz..1 MHz. progress (may be null) follows the resynthesis.
bool analyseFrames(const NumVector& samples, double rate, double f0, AnalysisProgress* progress, FrameAnalysis& out);

// samples less harmonics, over the length of the resynthesis (the sound is cut
// or padded with silence to it); a residual longer than 0.2 s loses its last
// 0.1 s, where the resynthesis has already faded out.
NumVector harmonicResidual(const NumVector& samples, const NumVector& harmonics, double rate);

} // namespace tessarine
