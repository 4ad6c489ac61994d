#pragma once
// Test signals built in code (sums of sines at known frequencies) and small vectors.

#include "analysis/NumVector.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace testsignal {

inline tessarine::NumVector vec(const std::vector<double>& values)
{
    tessarine::NumVector v(static_cast<int>(values.size()));
    std::copy(values.begin(), values.end(), v.data());
    return v;
}

struct Partial { double frequency, amplitude, phase = 0.0; };

inline tessarine::NumVector partials(const std::vector<Partial>& parts, double rate, int count)
{
    tessarine::NumVector x(count);
    for (int i = 0; i < count; ++i) {
        double value = 0.0;
        for (const Partial& p : parts) {
            value += p.amplitude * std::cos(2.0 * std::numbers::pi * p.frequency * i / rate + p.phase);
        }
        x.data()[i] = value;
    }
    return x;
}

// Harmonics 1..count of f0 with amplitudes falling as 1/h.
inline tessarine::NumVector harmonicTone(double f0, int harmonics, double rate, int count)
{
    std::vector<Partial> parts;
    for (int h = 1; h <= harmonics && h * f0 < rate / 2; ++h) {
        parts.push_back({h * f0, 0.5 / h, 0.3 * h});
    }
    return partials(parts, rate, count);
}

// Held to -1..1, as a converter driven too hard clips.
inline tessarine::NumVector clipped(tessarine::NumVector x)
{
    std::transform(x.data(), x.data() + x.size(), x.data(), [](double v) { return std::clamp(v, -1.0, 1.0); });
    return x;
}

inline double cents(double measured, double reference)
{
    return 1200.0 * std::log2(measured / reference);
}

} // namespace testsignal
