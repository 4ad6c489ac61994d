#pragma once
// A curve view over one of the instrument's own time curves (values 0..1):
// the modulation envelope and the morph paths. Points move singly, between
// their neighbours, and take the value under the pointer.

#include "editor/views/CurveView.h"

namespace tessarine {

class BreakpointCurve;

class TimeCurveView : public CurveView {
public:
    using CurveView::CurveView;

    int pointCount() override;
    gui::Point pointPosition(int index) override;

protected:
    // The curve shown and edited; the instrument lives as long as the engine.
    virtual BreakpointCurve& curve() = 0;
    // A time taken from the mouse, before it reaches the curve.
    virtual float mouseTime(double x) { return xToTime(x); }

    int insertPointAt(double x, double y) override;
    void deletePoint(int index) override;
    void movePointTo(int index, double x, double y) override;
    void updateReadout(int index) override;

    float valueAtY(double y) const;
};

} // namespace tessarine
