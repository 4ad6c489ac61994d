#pragma once
// The morph paths (tag 179): the six curves that move the pad's harmonic,
// noise and amplitude points over a note's time, one shown and edited at a
// time. With sync on, times snap to sixteenths of a two-second bar; the
// morph loop (60 × the loop time values) is drawn and dragged as two markers;
// the grid shows eighths of a bar at the host's tempo.

#include "editor/views/TimeCurveView.h"

namespace tessarine {

class MorphPathView : public TimeCurveView {
public:
    static constexpr float kSnapStep = 2.0f / 32.0f; // a sixteenth of a bar at 120 beats per minute

    MorphPathView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context);

    void setSelectedCurve(int index);
    int selectedCurve() const { return selectedCurve_; }
    // Shows the other five curves faintly behind the edited one.
    void setAllPointsShown(bool shown);
    void setTempo(double beatsPerMinute);
    double tempo() const { return tempo_; }

    // The time a pointer position stands for, snapped when sync is on.
    float snapped(float t) const;

protected:
    BreakpointCurve& curve() override;
    float mouseTime(double x) override { return snapped(xToTime(x)); }
    bool hitMarker(double x, double y) override;
    void dragMarker(double x, double y) override;
    void drawGrid(cairo_t* cr) override;
    void drawCurve(cairo_t* cr) override;

private:
    bool loopOn() const;
    float loopTime(bool start) const;

    int selectedCurve_ = 0;
    bool allPoints_ = false;
    double tempo_ = 120.0;
    int draggedMarker_ = -1; // 0 start, 1 end
};

} // namespace tessarine
