#pragma once
// The curve record: int32 pointCount (0..128), then pointCount float32 times
// and pointCount float32 values. A sharing curve writes its owner's times and
// skips them when reading, so every curve record has the same layout.

#include "sound/BreakpointCurve.h"
#include "sound/RecordStream.h"

namespace tessarine {

// Clears the curve first; a count outside 0..128, a time that is not a finite
// number (on a curve that owns its times) or a short record fails and leaves it
// cleared. A value that is not a finite number reads as nonFiniteValue, so that
// damaged data never reaches the oscillators.
bool readCurve(RecordStream& stream, BreakpointCurve& curve, float nonFiniteValue = 0.0f);
bool writeCurve(RecordStream& stream, const BreakpointCurve& curve);

} // namespace tessarine
