#pragma once
// Noise data made in code and the measurements the noise tests take of what
// the synthesiser plays: averaged power spectra and band powers.

#include "engine/voice/NoiseSynthesiser.h"
#include "params/FftwPlannerMutex.h"

#include <fftw3.h>

#include <cmath>
#include <vector>

namespace tessarine::test {

// Frames at times, each with level on bands lo..hi.
inline void setNoiseFrames(NoiseData& data, const std::vector<float>& times, int lo, int hi, float level = 50.0f)
{
    for (int i = 0; i < static_cast<int>(times.size()); ++i) {
        data.frame(i).bands.fill(0.0f);
        for (int k = lo; k <= hi; ++k) data.frame(i).bands[static_cast<std::size_t>(k)] = level;
        data.setFrameTime(i, times[static_cast<std::size_t>(i)]);
    }
    data.setFrameCount(static_cast<int>(times.size()));
}

// Renders in sub-blocks of 256 with the same block inputs throughout.
inline std::vector<float> renderNoiseFor(NoiseSynthesiser& synth, int samples, const NoiseBlock& block,
                                         RandomGenerator& random)
{
    std::vector<float> out(static_cast<std::size_t>(samples), 0.0f);
    NoiseVoiceState state;
    for (int i = 0; i < samples; i += 256) synth.renderNoise(state, out.data() + i, std::min(256, samples - i), block, random);
    return out;
}

// Power of x between f0 and f1 Hz, from 4096-point Hann-windowed spectra averaged over x.
inline double bandPower(const std::vector<float>& x, double rate, double f0, double f1)
{
    constexpr int n = 4096;
    std::vector<float> in(n); std::vector<double> power(n / 2 + 1, 0.0);
    std::vector<float> re(n + 2);
    auto* bins = reinterpret_cast<fftwf_complex*>(re.data());
    fftwf_plan plan;
    {
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        plan = fftwf_plan_dft_r2c_1d(n, in.data(), bins, FFTW_ESTIMATE);
    }
    for (std::size_t start = 0; start + n <= x.size(); start += n / 2) {
        for (int j = 0; j < n; ++j) in[j] = static_cast<float>(x[start + j] * (0.5 - 0.5 * std::cos(2.0 * M_PI * j / n)));
        fftwf_execute(plan);
        for (int k = 0; k <= n / 2; ++k) power[k] += double(bins[k][0]) * bins[k][0] + double(bins[k][1]) * bins[k][1];
    }
    {
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        fftwf_destroy_plan(plan);
    }
    double sum = 0.0;
    for (int k = 0; k <= n / 2; ++k)
        if (k * rate / n >= f0 && k * rate / n <= f1) sum += power[k];
    return sum;
}

inline double meanSquare(const std::vector<float>& x)
{
    double sum = 0.0;
    for (float v : x) sum += static_cast<double>(v) * v;
    return sum / static_cast<double>(x.size());
}

} // namespace tessarine::test
