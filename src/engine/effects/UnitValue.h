#pragma once
// A host may write anything into a parameter: 7.3, -1 or NaN. The effect units
// take their amounts through this one rule, so that no value can push a gain
// past its design range or poison a filter state with NaN.

#include <cmath>

namespace tessarine {

// value kept inside 0..1; NaN becomes fallback, the value at which the unit
// leaves the sound as it is (or is off).
inline float unitValue(float value, float fallback)
{
    if (std::isnan(value)) {
        return fallback;
    }
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

// Rates outside this range are refused, so a host answering 0 during a scan or
// an absurd rate can neither divide by zero nor size a delay line to gigabytes.
inline bool usableSampleRate(float rate) { return rate >= 1000.0f && rate <= 768000.0f; }

} // namespace tessarine
