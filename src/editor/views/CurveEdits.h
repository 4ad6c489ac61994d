#pragma once
// Whole-curve edits and read-only lookups the editor's views make on
// breakpoint curves. The lookups never touch a curve's cache, which belongs to
// the audio thread's reads.

#include "sound/model/BreakpointCurve.h"

namespace tessarine {

// The largest value; 0 for an empty curve.
float maxValue(const BreakpointCurve& curve);
float meanValue(const BreakpointCurve& curve);
// Every value × target / maxValue; nothing when the largest value is 0.
void scaleToMax(BreakpointCurve& curve, float target);
// Every value moved by the same amount so the mean becomes target.
void shiftToMean(BreakpointCurve& curve, float target);

// The curve's value at a time by the lookup rules (0 before the first point,
// the last value after the last), without using or changing the cache.
float peekValueAt(const BreakpointCurve& curve, float time);

// The index of the point nearest in time: -1 when empty, 0 at or before the
// first point, the earlier of two equally near points, the last after the end.
int nearestPoint(const float* times, int count, float time);

} // namespace tessarine
