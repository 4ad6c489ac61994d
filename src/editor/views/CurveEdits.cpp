#include "editor/views/CurveEdits.h"

#include <algorithm>

namespace tessarine {

float maxValue(const BreakpointCurve& curve)
{
    if (curve.pointCount() == 0) {
        return 0.0f;
    }
    const float* v = curve.valueData();
    return *std::max_element(v, v + curve.pointCount());
}

float meanValue(const BreakpointCurve& curve)
{
    const int n = curve.pointCount();
    if (n == 0) {
        return 0.0f;
    }
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        sum += curve.value(i);
    }
    return static_cast<float>(sum / n);
}

void scaleToMax(BreakpointCurve& curve, float target)
{
    const float largest = maxValue(curve);
    if (largest != 0.0f) {
        curve.scaleValues(target / largest);
    }
}

void shiftToMean(BreakpointCurve& curve, float target)
{
    const float shift = target - meanValue(curve);
    for (int i = 0; i < curve.pointCount(); ++i) {
        curve.setValue(i, curve.value(i) + shift);
    }
}

float peekValueAt(const BreakpointCurve& curve, float time)
{
    const int n = curve.pointCount();
    if (n == 0) {
        return 0.0f;
    }
    const float* t = curve.timeData();
    if (!(t[0] < time)) {
        return t[0] == time ? curve.value(0) : 0.0f;
    }
    if (time > t[n - 1]) {
        return curve.value(n - 1);
    }
    int i = 1;
    while (i < n - 1 && t[i] < time) {
        ++i;
    }
    const float span = t[i] - t[i - 1];
    if (!(span > 0.0f)) {
        return curve.value(i);
    }
    return curve.value(i - 1) + (time - t[i - 1]) / span * (curve.value(i) - curve.value(i - 1));
}

int nearestPoint(const float* times, int count, float time)
{
    if (count <= 0) {
        return -1;
    }
    if (!(time > times[0])) {
        return 0;
    }
    for (int i = 1; i < count; ++i) {
        if (!(times[i] < time)) {
            return time - times[i - 1] <= times[i] - time ? i - 1 : i;
        }
    }
    return count - 1;
}

} // namespace tessarine
