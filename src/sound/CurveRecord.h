#pragma once
// The curve record: int32 pointCount (0..128), then pointCount float32 times
// and pointCount float32 values. A sharing curve writes its owner's times and
// skips them when reading, so every curve record has the same layout.

#include "sound/BreakpointCurve.h"
#include "sound/RecordStream.h"

namespace tessarine {

// Clears the curve first; a count outside 0..128 or a short record fails and
// leaves it cleared.
bool readCurve(RecordStream& stream, BreakpointCurve& curve);
bool writeCurve(RecordStream& stream, const BreakpointCurve& curve);

} // namespace tessarine
