#include "analysis/NoiseFrames.h"

#include "analysis/ShortTimeSpectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tessarine {

namespace {
constexpr double kReferenceRate = 44100.0;
constexpr double kBandSpacing = kReferenceRate / 512.0; // Hz between the rows the synthesis reads

// Rows 1..256 of the frames from the magnitude matrix e (row 1 DC) of a
// transform of length L at the given rate. The synthesis reads row b at
// b x 44100 / 512 Hz whatever rate a sound had, so bins on another spacing
// (48 and 96 kHz give 93.75 Hz) are interpolated onto that grid, or the noise
// would play squeezed down in frequency. And a bin's power grows with the
// rate and the transform length for noise of one density, so the levels are
// scaled to what the same noise gives at 44.1 kHz; at 44.1 kHz the rows are
// the bins themselves.
NumMatrix framesOnBandGrid(const NumMatrix& e, double rate, int length)
{
    NumMatrix frames(kNoiseBins, e.columns());
    const int bins = e.rows() - 1;
    const double binWidth = rate / length;
    const double scale = std::sqrt(kReferenceRate * 512.0 / (rate * length));
    for (int r = 1; r <= kNoiseBins; ++r) {
        const double position = r * kBandSpacing / binWidth; // 1-based bin
        int lower = static_cast<int>(std::floor(position + 1e-9));
        double fraction = std::max(0.0, position - lower);
        if (fraction < 1e-9) {
            fraction = 0.0;
        }
        if (lower > bins || (lower == bins && fraction > 0.0)) {
            break; // beyond the transform's bins: no noise there
        }
        for (int c = 1; c <= e.columns(); ++c) {
            const double below = lower >= 1 ? e(lower + 1, c) : 0.0;
            const double above = fraction > 0.0 ? e(lower + 2, c) : 0.0;
            frames(r, c) = scale * ((1.0 - fraction) * below + fraction * above);
        }
    }
    return frames;
}

} // namespace

int noiseHop(double rate)
{
    const double scaled = rate * 256.0 / 44100.0 + 0.5;
    const long long target = scaled > 0.0 && scaled < 4e9 ? static_cast<long long>(scaled) : 0;
    long long best = 1;
    for (int k = 1; k <= 30; ++k) {
        const long long power = 1LL << k;
        if (std::llabs(power - target) >= std::llabs(best - target)) {
            break;
        }
        best = power;
    }
    return static_cast<int>(best);
}

NumMatrix noiseFrames(const NumVector& signal, double rate)
{
    const int hop = noiseHop(rate);
    NumMatrix spectrum;
    NumMatrix frames(kNoiseBins, 0);
    if (blackmanMagnitude(signal, 2 * hop, 2 * hop, hop, spectrum) && spectrum.columns() > 0) {
        frames = framesOnBandGrid(spectrum, rate, 2 * hop);
    }
    if (frames.columns() == 0) {
        frames = NumMatrix(kNoiseBins, 1);
    }
    return frames;
}

} // namespace tessarine
