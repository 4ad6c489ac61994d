#include "analysis/FrameAnalysis.h"

#include "analysis/HarmonicAssignment.h"
#include "analysis/HarmonicFrameSize.h"
#include "analysis/HarmonicGapFill.h"
#include "analysis/HarmonicResynthesis.h"
#include "analysis/NoiseFrames.h"
#include "analysis/PartialTracker.h"
#include "analysis/ShortTimeSpectrum.h"
#include "analysis/WeakHarmonicPitch.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace tessarine {

namespace {

struct TrackInputs {
    NumMatrix frequency; // Hz
    NumMatrix amplitude;
    NumMatrix phase;     // the signal's own convention (the spectra's negated)
};

// A track's value at frame j: row position + 1 of column j of values,
// interpolated between its two neighbouring rows; NaN off the matrix.
bool neighbours(double position, int rows, int& below, double& fraction)
{
    const double row = position + 1.0;
    if (!(row >= 1.0) || !(row <= rows)) {
        return false;
    }
    below = static_cast<int>(row);
    fraction = row - below;
    return true;
}

// The step between the phases of neighbouring bins, as the unwrapping of a
// spectrum's column makes it: within half a turn either way.
double unwrappedStep(double from, double to)
{
    constexpr double pi = std::numbers::pi;
    double step = to - from;
    while (step > pi) {
        step -= 2.0 * pi;
    }
    while (step < -pi) {
        step += 2.0 * pi;
    }
    return step;
}

// What the resynthesis of the tracks takes, each with one column of zeros
// before and after (the frames partials fade in and out over): frequency and
// amplitude at the tracks, and the Hann spectrum's phase at each track. The
// phase is read only where a track is, as its bin's phase plus the fraction
// of the unwrapped step to the next bin. Unwrapping whole columns first
// would only add whole turns, which change no sample of the resynthesis, and
// it cost an arctangent for every bin of every frame (a million for a long
// note) and two spectrum-sized matrices.
// A partial's amplitude from the bin nearest it and how far its reassigned
// frequency lies from that bin's centre, through the Hann window's main lobe
// (sinc(d) / (1 - d^2) of the on-bin level). The vertex of a parabola through
// the log magnitudes reads up to 4 % high half a bin off, and the subtraction
// then left a partial's excess in the residual, where it played as noise a
// clean tone does not have. Bins with no usable offset keep the vertex.
double hannAmplitude(const ShortTimeSpectrum& hann, int row, int frame, double position, double vertex)
{
    const double offset = position - (row - 1);
    if (!(std::abs(offset) < 0.5)) {
        return vertex;
    }
    const double re = hann.re(row, frame);
    const double im = hann.im(row, frame);
    const double level = std::sqrt(re * re + im * im);
    if (offset == 0.0) {
        return level;
    }
    const double x = std::numbers::pi * offset;
    return level * (1.0 - offset * offset) * x / std::sin(x);
}

TrackInputs trackInputs(const ShortTimeSpectrum& hann, const PartialTracks& tracks, double binHz)
{
    const int rows = tracks.position.rows();
    const int columns = tracks.position.columns();
    const int bins = hann.frequency.rows();
    const int frames = std::min(columns, hann.frequency.columns());
    TrackInputs in{NumMatrix(rows, columns + 2), NumMatrix(rows, columns + 2), NumMatrix(rows, columns + 2)};
    for (int t = 1; t <= rows; ++t) {
        for (int j = 1; j <= columns; ++j) {
            in.amplitude(t, j + 1) = tracks.amplitude(t, j);
            int below = 0;
            double fraction = 0.0;
            if (j > frames || !neighbours(tracks.position(t, j), bins, below, fraction)) {
                in.frequency(t, j + 1) = kMissing;
                in.phase(t, j + 1) = kMissing;
                continue;
            }
            const double phase = std::atan2(-hann.im(below, j), hann.re(below, j));
            if (below == bins) {
                in.frequency(t, j + 1) = hann.frequency(below, j);
                in.phase(t, j + 1) = -phase;
                continue;
            }
            in.frequency(t, j + 1) =
                hann.frequency(below, j) * (1.0 - fraction) + hann.frequency(below + 1, j) * fraction;
            in.amplitude(t, j + 1) = hannAmplitude(hann, fraction < 0.5 ? below : below + 1, j,
                                                   in.frequency(t, j + 1) / binHz, in.amplitude(t, j + 1));
            const double next = std::atan2(-hann.im(below + 1, j), hann.re(below + 1, j));
            in.phase(t, j + 1) = -(phase + fraction * unwrappedStep(phase, next));
        }
    }
    return in;
}

// Only the tracks that are the kept harmonics leave the residual: a tracked
// peak of noise, or a partial no harmonic took, is played by no curve, so its
// energy stays with the noise instead of going missing from the voice. A cell
// counts as a harmonic's within 0.3 f0 of that harmonic's frequency in the
// same frame; a sound without pitch keeps no track.
void keepHarmonicTracks(TrackInputs& in, const NumMatrix& harmonicFrequency, double f0)
{
    const int columns = std::min(in.frequency.columns() - 2, harmonicFrequency.columns());
    const double reach = 0.3 * f0;
    for (int t = 1; t <= in.frequency.rows(); ++t) {
        for (int j = 1; j <= in.frequency.columns() - 2; ++j) {
            const double frequency = in.frequency(t, j + 1);
            if (std::isnan(frequency)) {
                continue;
            }
            bool harmonic = false;
            if (f0 > 0.0 && j <= columns) {
                for (int h = 1; h <= harmonicFrequency.rows() && !harmonic; ++h) {
                    const double fh = harmonicFrequency(h, j);
                    harmonic = std::abs(frequency - fh) < reach;
                }
            }
            if (!harmonic) {
                in.frequency(t, j + 1) = kMissing;
                in.phase(t, j + 1) = kMissing;
                in.amplitude(t, j + 1) = 0.0;
            }
        }
    }
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

    if (progress != nullptr) {
        progress->setStage("Finding the partials");
    }
    ShortTimeSpectrum hann;
    if (!reassignedStft(x, 2 * n, 2 * n, n, rate, hann)) {
        return false;
    }
    double range = maxTrackPosition(n, rate, f0);
    const PartialTracks tracks = trackPartialsNarrowing(magnitude(hann), range);

    NumVector noiseInput;
    if (tracks.position.rows() == 0 || tracks.position.columns() == 0) {
        result.harmonicFrequency = NumMatrix::filled(FillKind::Missing, kHarmonicCount, 1);
        result.harmonicAmplitude = NumMatrix::filled(FillKind::Missing, kHarmonicCount, 1);
        noiseInput = x;
    } else {
        TrackInputs in = trackInputs(hann, tracks, rate / (2.0 * n));
        hann = ShortTimeSpectrum(); // its memory is better spent on the spectrum that follows

        HarmonicCurves curves;
        {
            if (progress != nullptr) {
                progress->setStage("Assigning the harmonics");
            }
            NumMatrix steadyMagnitude;
            if (!blackmanMagnitude(x, 2 * n, 2 * n, n, steadyMagnitude)) {
                return false;
            }
            // No narrowing here: a failed pass still leaves the tracks found so far.
            const PartialTracks steady = trackPartials(steadyMagnitude, range);
            curves = assignHarmonics(steady.position * (rate / (2.0 * n)), steady.amplitude, f0);
            fillHarmonicGaps(curves, steadyMagnitude, rate, n, f0);
        }
        keepHarmonicTracks(in, curves.frequency, f0);
        followStrongHarmonics(curves.frequency, curves.amplitude);
        if (progress != nullptr) {
            progress->setStage("Resynthesising the harmonics");
        }
        const NumVector harmonics = resynthesiseHarmonics(in.frequency, in.amplitude, in.phase, rate, n, progress);
        result.harmonicFrequency = std::move(curves.frequency);
        result.harmonicAmplitude = curves.amplitude / (n / 2.0);
        noiseInput = harmonicResidual(x, harmonics, rate);
    }
    if (progress != nullptr) {
        progress->setStage("Measuring the noise");
    }
    result.noise = noiseFrames(noiseInput, rate);
    out = std::move(result);
    return true;
}

} // namespace tessarine
