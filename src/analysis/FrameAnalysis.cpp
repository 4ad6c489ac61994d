#include "analysis/FrameAnalysis.h"

#include "analysis/HarmonicAssignment.h"
#include "analysis/HarmonicFrameSize.h"
#include "analysis/HarmonicGapFill.h"
#include "analysis/HarmonicResynthesis.h"
#include "analysis/NoiseFrames.h"
#include "analysis/PartialTracker.h"
#include "analysis/ShortTimeSpectrum.h"

#include <cmath>
#include <utility>

namespace tessarine {

namespace {

// One column of zeros before and after: the frames the resynthesis fades
// partials in and out over.
NumMatrix padded(const NumMatrix& m)
{
    NumMatrix out(m.rows(), m.columns() + 2);
    for (int r = 1; r <= m.rows(); ++r) {
        for (int c = 1; c <= m.columns(); ++c) {
            out(r, c + 1) = m(r, c);
        }
    }
    return out;
}

} // namespace

NumVector harmonicResidual(const NumVector& samples, const NumVector& harmonics, double rate)
{
    int length = harmonics.size();
    if (length > 0.2 * rate) {
        length = static_cast<int>(length - 0.1 * rate);
    }
    NumVector r(length);
    for (int i = 1; i <= length; ++i) {
        r(i) = (i <= samples.size() ? samples(i) : 0.0) - harmonics(i);
    }
    return r;
}

bool analyseFrames(const NumVector& x, double rate, double f0, AnalysisProgress* progress, FrameAnalysis& out)
{
    if (!(rate >= 1000.0 && rate <= 1e6) || !std::isfinite(f0)) {
        return false;
    }
    for (int i = 0; i < x.size(); ++i) {
        if (!std::isfinite(x.data()[i])) {
            return false;
        }
    }
    const int n = harmonicFrameSize(rate, f0);
    FrameAnalysis result;
    result.framePeriod = n / rate;

    ShortTimeSpectrum hann;
    if (!reassignedStft(x, 2 * n, 2 * n, n, rate, hann)) {
        return false;
    }
    double range = maxTrackPosition(n, rate, f0);
    const PartialTracks tracks = trackPartialsNarrowing(magnitude(hann), range);
    const NumMatrix frequency = interpolateAtPositions(hann.frequency, tracks.position);

    NumVector noiseInput;
    if (frequency.rows() == 0 || frequency.columns() == 0) {
        result.harmonicFrequency = NumMatrix::filled(FillKind::Missing, kHarmonicCount, 1);
        result.harmonicAmplitude = NumMatrix::filled(FillKind::Missing, kHarmonicCount, 1);
        noiseInput = x;
    } else {
        // The spectra's phase convention is negated; the synthesis wants the signal's own.
        const NumMatrix phase = interpolateAtPositions(unwrappedPhase(hann), tracks.position) * -1.0;
        const NumVector harmonics = resynthesiseHarmonics(padded(frequency), padded(tracks.amplitude), padded(phase),
                                                          rate, n, progress);

        ShortTimeSpectrum blackman;
        if (!blackmanStft(x, 2 * n, 2 * n, n, blackman)) {
            return false;
        }
        // No narrowing here: a failed pass still leaves the tracks found so far.
        const NumMatrix steadyMagnitude = magnitude(blackman);
        const PartialTracks steady = trackPartials(steadyMagnitude, range);
        HarmonicCurves curves = assignHarmonics(steady.position * (rate / (2.0 * n)), steady.amplitude, f0);
        fillHarmonicGaps(curves, steadyMagnitude, rate, n, f0);
        result.harmonicFrequency = std::move(curves.frequency);
        result.harmonicAmplitude = curves.amplitude / (n / 2.0);
        noiseInput = harmonicResidual(x, harmonics, rate);
    }
    result.noise = noiseFrames(noiseInput, rate);
    out = std::move(result);
    return true;
}

} // namespace tessarine
