#include "sound/files/CurveRecord.h"

#include <array>
#include <cmath>

namespace tessarine {

namespace {

float heldTo(float x, float low, float high) { return x < low ? low : (x > high ? high : x); }

} // namespace

bool readCurve(RecordStream& stream, BreakpointCurve& curve, const CurveBounds& bounds, float nonFiniteValue)
{
    curve.clear();
    std::int32_t count = 0;
    if (!stream.readInt32(count)) {
        return false;
    }
    if (count < 0 || count > BreakpointCurve::kCapacity) {
        return stream.refuse(RecordStream::Status::BadCount, "point count", count);
    }
    std::array<float, BreakpointCurve::kCapacity> times{};
    std::array<float, BreakpointCurve::kCapacity> values{};
    for (int i = 0; i < count; ++i) {
        float& time = times[static_cast<std::size_t>(i)];
        if (!stream.readFloat(time)) {
            return false;
        }
        if (!std::isfinite(time) && curve.ownsTimes()) {
            return stream.refuse(RecordStream::Status::BadValue, "point time", i);
        }
        // Lookups search the times in order, so a time before its
        // predecessor (a damaged record) is held at it.
        time = heldTo(time, i > 0 ? times[static_cast<std::size_t>(i - 1)] : 0.0f, bounds.lastTime);
    }
    for (int i = 0; i < count; ++i) {
        float& value = values[static_cast<std::size_t>(i)];
        if (!stream.readFloat(value)) {
            return false;
        }
        value = std::isfinite(value) ? heldTo(value, bounds.low, bounds.high) : nonFiniteValue;
    }
    curve.assignPoints(times.data(), values.data(), count);
    return true;
}

bool writeCurve(RecordStream& stream, const BreakpointCurve& curve)
{
    const int count = curve.pointCount();
    bool ok = stream.writeInt32(count);
    for (int i = 0; i < count && ok; ++i) {
        ok = stream.writeFloat(curve.timeAt(i));
    }
    for (int i = 0; i < count && ok; ++i) {
        ok = stream.writeFloat(curve.value(i));
    }
    return ok;
}

} // namespace tessarine
