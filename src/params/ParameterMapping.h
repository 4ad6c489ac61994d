#pragma once
// How a 0..1 parameter value becomes the whole number or amount the engine uses.
// Every rule truncates toward zero, and every result is kept inside its range
// whatever the value, so that a host writing 7.3 or NaN can never make the
// engine index past a table.

#include <cmath>

namespace tessarine {

// Truncates toward zero and clamps; NaN gives lo.
inline int truncClamped(double x, int lo, int hi)
{
    if (!(x > lo)) {
        return lo;
    }
    if (x >= hi) {
        return hi;
    }
    return static_cast<int>(x);
}

// Tempo-synced period in units (sixteenths of a beat for the LFOs, sixteenth
// notes for the delay): 1..16, then 32, 48, 64 and 80 for the four slowest steps.
inline int tempoStep(float value)
{
    int n = 1 + truncClamped(20.0 * (1.0 - static_cast<double>(value)), 0, 19);
    return n >= 17 ? (n - 15) * 16 : n;
}

// A host tempo of 0 or not a number means 120 beats per minute.
inline double usableTempo(double bpm) { return (bpm > 0.0 && std::isfinite(bpm)) ? bpm : 120.0; }

inline int filterMode(float value) { return truncClamped(3.0 * value + 0.5, 0, 2); }

inline int multisampleCount(float value) { return truncClamped(8.0 * value + 0.001, 0, 7) + 1; }

// Full compression would hold the gain at zero; 0.99 keeps the signal alive.
inline float compressAmount(float value)
{
    if (!(value > 0.0f)) {
        return 0.0f;
    }
    return value > 0.99f ? 0.99f : value;
}

inline int pitchBendRange(float value) { return truncClamped(23.0 * value + 1.0, 1, 24); }

inline int voiceLimit(float value) { return 1 + truncClamped(12.0 * value, 0, 11); }

inline int noteHarmonicCount(float value) { return 1 + truncClamped(64.0 * value, 0, 63); }

inline int lfoShape(float value) { return truncClamped(3.0 * value + 0.001, 0, 2); }

// One fifth is the shortest stretch; the same constant shapes the display.
inline constexpr float kMinimumStretch = 0.2f;

inline float stretchFactor(float value)
{
    if (value < 0.5f) {
        return kMinimumStretch + 1.6f * value;
    }
    if (value == 0.5f) {
        return 1.0f;
    }
    return 1.0f + 8.0f * (value - 0.5f);
}

} // namespace tessarine
