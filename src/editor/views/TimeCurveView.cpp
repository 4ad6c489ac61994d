#include "editor/views/TimeCurveView.h"

#include "sound/model/BreakpointCurve.h"

#include <algorithm>
#include <cstdio>

namespace tessarine {

int TimeCurveView::pointCount() { return curve().pointCount(); }

gui::Point TimeCurveView::pointPosition(int index)
{
    const gui::Rect plot = plotRect();
    BreakpointCurve& c = curve();
    const float v = std::clamp(c.value(index), 0.0f, 1.0f);
    return {static_cast<double>(timeToX(c.timeAt(index))), plot.bottom() - plot.height * static_cast<double>(v)};
}

float TimeCurveView::valueAtY(double y) const
{
    const gui::Rect plot = plotRect();
    return std::clamp(static_cast<float>((plot.bottom() - y) / std::max(1, plot.height)), 0.0f, 1.0f);
}

int TimeCurveView::insertPointAt(double x, double y)
{
    BreakpointCurve& c = curve();
    const float t = std::max(0.0f, mouseTime(x));
    if (!c.insertPoint(t, valueAtY(y))) {
        return -1;
    }
    // A new point goes before any point at the same time.
    int index = 0;
    while (index < c.pointCount() - 1 && c.timeAt(index) < t) {
        ++index;
    }
    return index;
}

void TimeCurveView::deletePoint(int index) { curve().removePoint(index); }

void TimeCurveView::movePointTo(int index, double x, double y)
{
    BreakpointCurve& c = curve();
    if (index < 0 || index >= c.pointCount()) {
        return;
    }
    c.movePoint(index, mouseTime(x), BreakpointCurve::kMoveSingle);
    c.setValue(index, valueAtY(y));
}

void TimeCurveView::updateReadout(int index)
{
    BreakpointCurve& c = curve();
    if (index < 0 || index >= c.pointCount()) {
        readout_[0] = '\0';
        return;
    }
    std::snprintf(readout_.data(), readout_.size(), "%1.1fs %d ", static_cast<double>(c.timeAt(index)),
                  static_cast<int>(c.value(index) * 100.0f));
}

} // namespace tessarine
