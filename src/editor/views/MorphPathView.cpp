#include "editor/views/MorphPathView.h"

#include "editor/views/ViewDrawing.h"
#include "engine/SynthEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tessarine {

namespace {

constexpr float kLoopTimeScale = 60.0f; // the loop values hold minutes

} // namespace

MorphPathView::MorphPathView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context)
    : TimeCurveView(bounds, tag, listener, context, true)
{
}

void MorphPathView::setSelectedCurve(int index)
{
    selectedCurve_ = std::clamp(index, 0, kMorphPathCount - 1);
    setSelected(-1);
    readout_[0] = '\0';
    invalidate();
}

void MorphPathView::setAllPointsShown(bool shown)
{
    allPoints_ = shown;
    invalidate();
}

void MorphPathView::setTempo(double beatsPerMinute)
{
    // Hosts without a transport report 0; the grid keeps its last usable tempo.
    if (beatsPerMinute > 0.0 && std::isfinite(beatsPerMinute)) {
        tempo_ = beatsPerMinute;
        invalidate();
    }
}

BreakpointCurve& MorphPathView::curve()
{
    return context_.engine().editInstrument().morphPathCurves[static_cast<std::size_t>(selectedCurve_)];
}

float MorphPathView::snapped(float t) const
{
    if (context_.engine().getParameter(kGlobalSyncOn, true) < 0.5f) {
        return t;
    }
    const float shifted = t + kSnapStep / 2.0f;
    return shifted - std::fmod(shifted, kSnapStep);
}

bool MorphPathView::loopOn() const { return context_.engine().getParameter(kGlobalLoopOn, true) >= 0.5f; }

float MorphPathView::loopTime(bool start) const
{
    return kLoopTimeScale * context_.engine().getParameter(start ? kGlobalLoopStartTime : kGlobalLoopEndTime, true);
}

bool MorphPathView::hitMarker(double x, double y)
{
    draggedMarker_ = -1;
    if (!loopOn()) {
        return false;
    }
    if (nearLoopMarker(x, y, loopTime(true), true)) {
        draggedMarker_ = 0;
    } else if (nearLoopMarker(x, y, loopTime(false), false)) {
        draggedMarker_ = 1;
    }
    return draggedMarker_ >= 0;
}

void MorphPathView::dragMarker(double x, double)
{
    const float t = std::max(0.0f, snapped(xToTime(x)));
    if (draggedMarker_ == 0 && t <= loopTime(false)) {
        context_.applyValue(kGlobalLoopStartTime, t / kLoopTimeScale);
    } else if (draggedMarker_ == 1 && t >= loopTime(true)) {
        context_.applyValue(kGlobalLoopEndTime, t / kLoopTimeScale);
    }
}

void MorphPathView::drawGrid(cairo_t* cr)
{
    const gui::Rect plot = plotRect();
    if (loopOn()) {
        const int x0 = timeToX(loopTime(true));
        const int x1 = timeToX(loopTime(false));
        fillRect(cr, gui::Rect{x0, plot.y, std::max(0, x1 - x0), plot.height}, palette::kLoopShade);
    }
    // Eighths of a bar at the host's tempo, labelled where there is room.
    const double eighth = 4.0 * 60.0 / tempo_ / 8.0;
    const double pixels = eighth / viewLength() * plot.width;
    int labelEvery = 1;
    while (pixels * labelEvery < 26.0) {
        labelEvery *= 2;
    }
    cairo_set_line_width(cr, 1.0);
    for (int k = static_cast<int>(std::ceil(viewStart() / eighth));; ++k) {
        const int x = timeToX(static_cast<float>(k * eighth));
        if (x > plot.right()) {
            break;
        }
        const bool barLine = k % 8 == 0;
        if (pixels >= 3.0 || barLine) {
            setColour(cr, barLine ? Colour{0.34, 0.38, 0.44} : palette::kGrid);
            cairo_move_to(cr, x + 0.5, plot.y);
            cairo_line_to(cr, x + 0.5, plot.bottom());
            cairo_stroke(cr);
        }
        if (k % labelEvery == 0) {
            char label[16];
            std::snprintf(label, sizeof label, "%d/8", k);
            // A line at the plot's right edge goes unlabelled rather than cut.
            if (x + 2 + textWidth(cr, label, 8) <= plot.right()) {
                drawText(cr, x + 2, plot.bottom() - 2, label, 8, palette::kGridText);
            }
        }
    }
    setColour(cr, palette::kGrid);
    const double mid = plot.y + plot.height * 0.5 + 0.5;
    cairo_move_to(cr, plot.x, mid);
    cairo_line_to(cr, plot.right(), mid);
    cairo_stroke(cr);
    // X curves blend A with B (and C with D); Y curves A with C (and B with D).
    const bool isX = selectedCurve_ % 2 == 0;
    drawText(cr, plot.x + 2, plot.y + 24, isX ? "B-D" : "C-D", 8, palette::kGridText);
    drawText(cr, plot.x + 2, plot.bottom() - 12, isX ? "A-C" : "A-B", 8, palette::kGridText);
    if (loopOn()) {
        drawLoopMarker(cr, loopTime(true), true);
        drawLoopMarker(cr, loopTime(false), false);
    }
}

void MorphPathView::drawCurve(cairo_t* cr)
{
    if (allPoints_) {
        const gui::Rect plot = plotRect();
        const Instrument& instrument = context_.engine().instrument();
        setColour(cr, Colour{0.35, 0.45, 0.40, 0.6});
        cairo_set_line_width(cr, 1.0);
        for (int c = 0; c < kMorphPathCount; ++c) {
            if (c == selectedCurve_) {
                continue;
            }
            const BreakpointCurve& other = instrument.morphPathCurves[static_cast<std::size_t>(c)];
            for (int i = 0; i < other.pointCount(); ++i) {
                const double x = timeToX(other.timeAt(i));
                const double y = plot.bottom() - plot.height * std::clamp(static_cast<double>(other.value(i)), 0.0, 1.0);
                if (i == 0) {
                    cairo_move_to(cr, x, y);
                } else {
                    cairo_line_to(cr, x, y);
                }
            }
            cairo_stroke(cr);
        }
    }
    CurveView::drawCurve(cr);
}

} // namespace tessarine
