#pragma once
// The harmonic frames of the shown layer over time (tag 175). A point is a
// frame of all 64 harmonics: its height is their summed amplitude (full scale
// 2), so dragging a point up or down scales the whole frame, sideways moves
// the frame in time by the move mode. Inserting or deleting a point adds or
// removes a frame across all 128 curves. The voice's loop points are markers.

#include "editor/views/CurveView.h"

namespace tessarine {

class HarmonicData;

class HarmonicEnvelopeView : public CurveView {
public:
    static constexpr float kLowestHeight = 0.01f; // a frame dragged down keeps this much of the plot
    static constexpr float kHighestHeight = 0.99f;

    HarmonicEnvelopeView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context, int slot)
        : CurveView(bounds, tag, listener, context, true, slot)
    {
    }

    void setMarkersShown(bool shown);

    int pointCount() override;
    gui::Point pointPosition(int index) override;

protected:
    int insertPointAt(double x, double y) override;
    void deletePoint(int index) override;
    void movePointTo(int index, double x, double y) override;
    void updateReadout(int index) override;
    void selectionHook() override;
    bool hitMarker(double x, double y) override;
    void dragMarker(double x, double y) override;
    void drawGrid(cairo_t* cr) override;
    bool editsVoice() const override { return true; }

private:
    HarmonicData* data();
    float frameSum(int index);

    bool markersShown_ = true;
    int draggedMarker_ = -1;
};

} // namespace tessarine
