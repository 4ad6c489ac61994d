#include "engine/voice/FormantShape.h"

#include "engine/effects/UnitValue.h"

#include <cmath>

namespace tessarine {

void FormantShape::setup(const BreakpointCurve& shape, bool on, float formant)
{
    // A value that is not finite (a damaged file) would make every partial and
    // band it touches NaN; it weighs as silence instead.
    std::array<float, BreakpointCurve::kCapacity> values{};
    const int count = shape.pointCount();
    for (int i = 0; i < count; ++i) {
        const float v = shape.value(i);
        values[static_cast<std::size_t>(i)] = std::isfinite(v) ? v : 0.0f;
    }
    shape_.assignPoints(shape.timeData(), values.data(), count);
    // The shifted shape is built even when off: a note whose formant value is
    // held never updates, and switching the formant on mid-note must not
    // weigh its partials with an empty shape.
    rebuild(formant);
    if (!on) {
        last_ = -1.0f;
        table_.fill(1.0f);
    }
}

void FormantShape::update(float formant)
{
    if (unitValue(formant, 0.5f) != last_) {
        rebuild(formant);
    }
}

void FormantShape::rebuild(float formant)
{
    last_ = unitValue(formant, 0.5f);
    const float shift = (last_ - 0.5f) * 2.0f * kMaxShift;
    std::array<float, BreakpointCurve::kCapacity> times{};
    const int count = shape_.pointCount();
    for (int i = 0; i < count; ++i) {
        times[static_cast<std::size_t>(i)] = shape_.timeAt(i) + shift;
    }
    shifted_.assignPoints(times.data(), shape_.valueData(), count);
    for (int k = 0; k < kBandCount; ++k) {
        table_[static_cast<std::size_t>(k)] = shifted_.valueAt(static_cast<float>(k) / kBandCount);
    }
}

} // namespace tessarine
