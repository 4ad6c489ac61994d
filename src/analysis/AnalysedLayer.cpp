#include "analysis/AnalysedLayer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tessarine {

void buildAnalysedLayer(double f0, const HarmonicKeyframes& harmonics, const NumMatrix& noise, LayerData& layer)
{
    layer.clear();
    const bool pitched = f0 > 0.0 && std::isfinite(f0);
    HarmonicData& data = layer.harmonic;
    data.basePitch = static_cast<float>(f0);

    const NumMatrix& d = harmonics.frequency;
    const NumMatrix& e = harmonics.amplitude;
    const int keys = std::min(e.columns(), BreakpointCurve::kCapacity);
    const int rows = std::min(e.rows() - 1, kHarmonicCount);
    std::array<float, BreakpointCurve::kCapacity> times{};
    std::array<float, BreakpointCurve::kCapacity> values{};
    for (int k = 0; k < keys; ++k) {
        times[static_cast<std::size_t>(k)] = static_cast<float>(e(1, k + 1));
    }
    for (int h = 1; h <= rows; ++h) {
        bool sounds = h == 1;
        for (int k = 1; k < keys && !sounds; ++k) {
            sounds = e(h + 1, k) > 0.0;
        }
        const int count = sounds ? keys : 0;
        for (int k = 0; k < count; ++k) {
            values[static_cast<std::size_t>(k)] = static_cast<float>(e(h + 1, k + 1));
        }
        data.amplitude(h - 1).assignPoints(times.data(), values.data(), count);
        for (int k = 0; k < count; ++k) {
            values[static_cast<std::size_t>(k)] = pitched ? static_cast<float>(d(h + 1, k + 1) / f0) : static_cast<float>(h);
        }
        data.frequency(h - 1).assignPoints(times.data(), values.data(), count);
    }

    NoiseData& noiseData = layer.noise;
    const int bands = std::min(noise.rows() - 1, BreakpointCurve::kCapacity);
    const int frames = std::min(noise.columns() - 1, kMaxNoiseFrames);

    // A note lasts as long as its harmonic curves: a sound of noise alone (a
    // breath, a cymbal) keeps a silent first harmonic that spans its noise, or
    // it would end the moment it starts.
    const float noiseEnd = frames > 0 ? static_cast<float>(noise(1, frames + 1)) : 0.0f;
    if (frames > 1 && std::isfinite(noiseEnd) && noiseEnd > 0.0f && soundingHarmonics(layer) == 0) {
        const float span[2] = {0.0f, noiseEnd};
        const float silent[2] = {0.0f, 0.0f};
        const float first[2] = {1.0f, 1.0f};
        data.amplitude(0).assignPoints(span, silent, 2);
        data.frequency(0).assignPoints(span, first, 2);
    }
    std::array<float, BreakpointCurve::kCapacity> positions{};
    for (int b = 0; b < bands; ++b) {
        positions[static_cast<std::size_t>(b)] = static_cast<float>(noise(b + 2, 1) * 0.00390625);
    }
    for (int k = 0; k < frames; ++k) {
        for (int b = 0; b < bands; ++b) {
            values[static_cast<std::size_t>(b)] = static_cast<float>(noise(b + 2, k + 2));
        }
        noiseData.setFrameTime(k, static_cast<float>(noise(1, k + 2)));
        noiseData.frame(k).spectrum.assignPoints(positions.data(), values.data(), bands);
    }
    noiseData.setFrameCount(std::max(frames, 0));
    // The kept bands run from the lowest to the top one (22 kHz), and a new
    // analysis plays them all.
    noiseData.setFullBand(true);
}

int soundingHarmonics(const LayerData& layer)
{
    int count = 0;
    for (int h = 0; h < kHarmonicCount; ++h) {
        const BreakpointCurve& curve = layer.harmonic.amplitude(h);
        for (int k = 0; k < curve.pointCount(); ++k) {
            if (curve.value(k) > 0.0f) {
                ++count;
                break;
            }
        }
    }
    return count;
}

} // namespace tessarine
