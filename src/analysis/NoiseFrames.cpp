#include "analysis/NoiseFrames.h"

#include "analysis/ShortTimeSpectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tessarine {

namespace {
constexpr double kQuietSum = 3.0;
constexpr double kGateStep = 0.03;
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

void gateQuietNoise(NumMatrix& frames)
{
    const int count = frames.columns();
    if (count < 1) {
        return;
    }
    const NumVector sums = columnSums(frames);
    int quiet = 0;
    for (int c = 1; c <= count; ++c) {
        quiet += sums(c) < kQuietSum ? 1 : 0;
    }
    if (!(static_cast<double>(quiet) / count > 0.5)) {
        return;
    }
    double gain = sums(1) < kQuietSum ? 0.0 : 1.0;
    for (int c = 1; c <= count; ++c) {
        gain = sums(c) < kQuietSum ? std::max(0.0, gain - kGateStep) : std::min(1.0, gain + kGateStep);
        for (int r = 1; r <= frames.rows(); ++r) {
            frames(r, c) *= gain;
        }
    }
}

NumMatrix noiseFrames(const NumVector& signal, double rate)
{
    const int hop = noiseHop(rate);
    ShortTimeSpectrum spectrum;
    NumMatrix frames(kNoiseBins, 0);
    if (blackmanStft(signal, 2 * hop, 2 * hop, hop, spectrum) && spectrum.frames() > 0) {
        const NumMatrix e = magnitude(spectrum);
        frames = NumMatrix(kNoiseBins, e.columns());
        // Row 1 of e is DC, which no noise band keeps.
        const int rows = std::min(kNoiseBins, e.rows() - 1);
        for (int r = 1; r <= rows; ++r) {
            for (int c = 1; c <= e.columns(); ++c) {
                frames(r, c) = e(r + 1, c);
            }
        }
        gateQuietNoise(frames);
    }
    if (frames.columns() == 0) {
        frames = NumMatrix(kNoiseBins, 1);
    }
    return frames;
}

} // namespace tessarine
