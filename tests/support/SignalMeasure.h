#pragma once
// Test signals and the measurements an audio engineer would take of an effect:
// the steady-state gain of a sine in dB, found by correlating the output with
// the probe frequency over whole cycles after the filter has settled.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

namespace tessarine::test {

// The peaks of the left and right channels over blocks calls of render, which
// fills left and right each time.
inline std::array<float, 2> stereoPeak(int blocks, const std::function<void()>& render, const std::vector<float>& left,
                                       const std::vector<float>& right)
{
    std::array<float, 2> peak{0.0f, 0.0f};
    for (int i = 0; i < blocks; ++i) {
        render();
        for (std::size_t s = 0; s < left.size(); ++s) {
            peak[0] = std::max(peak[0], std::fabs(left[s]));
            peak[1] = std::max(peak[1], std::fabs(right[s]));
        }
    }
    return peak;
}

// Amplitude of the frequency component over [begin, end) by quadrature correlation.
inline double amplitudeAt(const std::vector<float>& x, int begin, int end, double frequency, double rate)
{
    double re = 0.0, im = 0.0;
    for (int i = begin; i < end; ++i) {
        double phase = 2.0 * std::numbers::pi * frequency * i / rate;
        re += x[static_cast<std::size_t>(i)] * std::cos(phase);
        im += x[static_cast<std::size_t>(i)] * std::sin(phase);
    }
    return 2.0 * std::hypot(re, im) / (end - begin);
}

// Gain in dB of an in-place mono process at one frequency: one second to
// settle, then a whole number of cycles measured.
inline double gainDb(const std::function<void(float*, int)>& process, double frequency, double rate)
{
    const int settle = static_cast<int>(rate);
    const int cycles = std::max(20, static_cast<int>(frequency * 0.5));
    const int measure = static_cast<int>(std::lround(cycles * rate / frequency));
    std::vector<float> x(static_cast<std::size_t>(settle + measure));
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * frequency * static_cast<double>(i) / rate));
    }
    process(x.data(), static_cast<int>(x.size()));
    return 20.0 * std::log10(amplitudeAt(x, settle, settle + measure, frequency, rate) / 0.5);
}

// Deterministic white noise in -1..1.
inline std::vector<float> noise(int frames, std::uint32_t seed = 12345)
{
    std::vector<float> out(static_cast<std::size_t>(frames));
    for (float& v : out) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
    return out;
}

inline double energy(const std::vector<float>& x, int begin, int end)
{
    double sum = 0.0;
    for (int i = begin; i < end; ++i) {
        sum += static_cast<double>(x[static_cast<std::size_t>(i)]) * x[static_cast<std::size_t>(i)];
    }
    return sum;
}

// Level of one frequency in a stretch of rendered audio: a Hann-windowed
// single-bin transform, scaled so a sine of amplitude A reads A. The window
// keeps neighbouring partials from leaking in when the stretch is not a whole
// number of cycles.
inline float toneAmplitude(const float* x, std::size_t n, float rate, float frequency)
{
    double re = 0.0, im = 0.0, windowSum = 0.0;
    const double w = 2.0 * std::numbers::pi * frequency / rate;
    for (std::size_t i = 0; i < n; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n - 1));
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
