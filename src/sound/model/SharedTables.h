#pragma once
// Read-only tables the oscillators and the noise synthesis share. They are built
// once per process on first use (thread-safe function-local statics) and never
// change, so any thread may read them without coordination.

#include <array>

namespace tessarine {

// sin(n × π/100) for n = 0..200: one full sine period at a resolution the
// partial oscillators interpolate between.
const std::array<float, 201>& sineTable();

struct SinCos {
    float sin;
    float cos;
};

// (sin, cos) of n × π/32 for n = 0..63: the phase rotations of the noise synthesis.
const std::array<SinCos, 64>& noiseRotationTable();

} // namespace tessarine
