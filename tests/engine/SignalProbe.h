#pragma once
// Measurements on rendered audio, as an engineer would take them: the level of
// one frequency (a Hann-windowed single-bin transform, scaled so a sine of
// amplitude A reads A) and the RMS of a stretch.

#include <cmath>
#include <cstddef>
#include <vector>

namespace tessarine::test {

inline float toneAmplitude(const float* x, std::size_t n, float rate, float frequency)
{
    double re = 0.0, im = 0.0, windowSum = 0.0;
    const double w = 2.0 * M_PI * frequency / rate;
    for (std::size_t i = 0; i < n; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / static_cast<double>(n - 1));
        re += hann * x[i] * std::cos(w * static_cast<double>(i));
        im -= hann * x[i] * std::sin(w * static_cast<double>(i));
        windowSum += hann;
    }
    return static_cast<float>(2.0 * std::sqrt(re * re + im * im) / windowSum);
}

inline float toneAmplitude(const std::vector<float>& x, std::size_t from, std::size_t n, float rate, float frequency)
{
    return toneAmplitude(x.data() + from, n, rate, frequency);
}

inline float rms(const std::vector<float>& x, std::size_t from, std::size_t n)
{
    double sum = 0.0;
    for (std::size_t i = from; i < from + n && i < x.size(); ++i) {
        sum += static_cast<double>(x[i]) * x[i];
    }
    return static_cast<float>(std::sqrt(sum / static_cast<double>(n)));
}

inline float decibels(float ratio) { return 20.0f * std::log10(ratio); }

} // namespace tessarine::test
