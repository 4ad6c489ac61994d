#include "editor/views/CurveView.h"

#include "editor/views/ViewDrawing.h"
#include "engine/SynthEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tessarine {

namespace {

constexpr double kHitDistanceSquared = 50.0; // about 7 pixels from a point's centre
constexpr int kMarkerZone = 14;              // loop markers live in the plot's top strip
constexpr int kFloorHandle = 3;

} // namespace

CurveView::CurveView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context,
                     bool hasZoomStrip, int slot)
    : Control(bounds, tag, listener), context_(context), place_(context.savedPlace(slot)), hasZoomStrip_(hasZoomStrip)
{
}

void CurveView::showPlace(const VoicePlace& place)
{
    place_ = place;
    refresh();
}

gui::Rect CurveView::plotRect() const
{
    const gui::Rect& b = bounds();
    return {b.x + 3, b.y + 3, b.width - 6, b.height - 13};
}

void CurveView::setView(float start, float length)
{
    viewStart_ = std::max(0.0f, start);
    viewLength_ = std::clamp(length, kShortestView, kLongestView);
    invalidate();
}

int CurveView::timeToX(float t) const
{
    const gui::Rect plot = plotRect();
    return plot.x + static_cast<int>((t - viewStart_) / viewLength_ * static_cast<float>(plot.width));
}

float CurveView::xToTime(double x) const
{
    const gui::Rect plot = plotRect();
    return static_cast<float>((x - plot.x) * viewLength_ / std::max(1, plot.width)) + viewStart_;
}

void CurveView::refresh()
{
    const int count = pointCount();
    if (selected_ >= count) {
        selected_ = count - 1;
    }
    invalidate();
}

CurveView::Hit CurveView::findPoint(double x, double y)
{
    const gui::Rect plot = plotRect();
    Hit hit;
    hit.position = xToTime(x);
    hit.value = std::max(0.0f, static_cast<float>((plot.bottom() - y) / std::max(1, plot.height)));
    double nearest = 0;
    const int count = pointCount();
    for (int i = 0; i < count; ++i) {
        const double distance = std::fabs(pointPosition(i).x - x);
        if (hit.index < 0 || distance < nearest) {
            hit.index = i;
            nearest = distance;
        }
    }
    if (hit.index >= 0) {
        const gui::Point p = pointPosition(hit.index);
        const double dx = p.x - x;
        const double dy = p.y - y;
        hit.hit = dx * dx + dy * dy < kHitDistanceSquared;
    }
    return hit;
}

bool CurveView::onEvent(const gui::InputEvent& event)
{
    const gui::Point p = event.position;
    switch (event.kind) {
    case gui::EventKind::MouseDown: {
        if (!bounds().contains(p) || event.button == gui::MouseButton::None) {
            return false;
        }
        const gui::Rect plot = plotRect();
        // Points on the floor of the plot reach a few pixels into the strip; they stay clickable.
        if (hasZoomStrip_ && p.y >= plot.bottom() + kFloorHandle) {
            gesture_ = Gesture::Zoom;
            lock_ = Lock::None;
            pressAt_ = lastAt_ = p;
            return true;
        }
        if (hitMarker(p.x, p.y)) {
            gesture_ = Gesture::Marker;
            return true;
        }
        const Hit hit = findPoint(p.x, p.y);
        if (event.button == gui::MouseButton::Right) {
            if (!hit.hit) {
                return false;
            }
            {
                ScopedVoiceEdit edit(context_.engine().handover());
                deletePoint(hit.index);
            }
            selected_ = std::min(selected_, pointCount() - 1);
            gesture_ = Gesture::Deleted;
            invalidate();
            return true;
        }
        if (event.button != gui::MouseButton::Left) {
            return false;
        }
        int index = hit.index;
        if (!hit.hit) {
            ScopedVoiceEdit edit(context_.engine().handover());
            index = insertPointAt(p.x, p.y);
        }
        if (index < 0) {
            return false;
        }
        selected_ = index;
        const gui::Point at = pointPosition(index);
        offset_ = {p.x - at.x, p.y - at.y};
        gesture_ = Gesture::Point;
        selectionHook();
        updateReadout(index);
        invalidate();
        return true;
    }
    case gui::EventKind::MouseMove:
        switch (gesture_) {
        case Gesture::Zoom:
            zoomDrag(p);
            return true;
        case Gesture::Marker: {
            ScopedVoiceEdit edit(context_.engine().handover());
            dragMarker(p.x, p.y);
            invalidate();
            return true;
        }
        case Gesture::Point:
            if (selected_ >= 0 && selected_ < pointCount()) {
                {
                    ScopedVoiceEdit edit(context_.engine().handover());
                    movePointTo(selected_, p.x - offset_.x, p.y - offset_.y);
                }
                updateReadout(selected_);
                invalidate();
            }
            return true;
        case Gesture::Deleted:
            return true;
        default:
            return false;
        }
    case gui::EventKind::MouseUp: {
        const Gesture ended = gesture_;
        gesture_ = Gesture::None;
        if (ended == Gesture::Point || ended == Gesture::Marker || ended == Gesture::Deleted) {
            finishEdit();
        }
        return ended != Gesture::None;
    }
    default:
        return false;
    }
}

void CurveView::zoomDrag(gui::Point p)
{
    if (lock_ == Lock::None) {
        const double dx = std::fabs(p.x - pressAt_.x);
        const double dy = std::fabs(p.y - pressAt_.y);
        if (dx <= 1 && dy <= 1) {
            return;
        }
        lock_ = dx >= dy ? Lock::Horizontal : Lock::Vertical;
    }
    const gui::Rect plot = plotRect();
    if (lock_ == Lock::Horizontal) {
        // Dragging right pulls later time into view, as a hand moving paper would the other way.
        const float dx = static_cast<float>(p.x - lastAt_.x);
        viewStart_ = std::max(0.0f, viewStart_ - dx * viewLength_ / static_cast<float>(std::max(1, plot.width)));
    } else {
        const float dy = static_cast<float>(p.y - lastAt_.y);
        viewLength_ = std::clamp(viewLength_ + dy * 0.1f, kShortestView, kLongestView);
    }
    lastAt_ = p;
    invalidate();
}

void CurveView::finishEdit()
{
    float counter = value() + 0.1f;
    if (counter >= 1.0f) {
        counter -= 1.0f;
    }
    setValue(counter);
    // Layer count first (see the bar view): the editor prepares the slot when told.
    if (editsVoice()) {
        context_.prepareVoiceOf(place_);
    }
    report();
    {
        ScopedVoiceEdit edit(context_.engine().handover());
        afterEdit();
    }
    refresh();
}

void CurveView::drawGrid(cairo_t* cr) { drawTimeGrid(cr); }

void CurveView::drawTimeGrid(cairo_t* cr)
{
    const gui::Rect plot = plotRect();
    static constexpr float kSteps[] = {0.1f, 0.25f, 0.5f, 1.0f, 2.0f};
    float step = 2.0f;
    for (float candidate : kSteps) {
        if (candidate / viewLength_ * static_cast<float>(plot.width) >= 40.0f) {
            step = candidate;
            break;
        }
    }
    cairo_set_line_width(cr, 1.0);
    const int first = static_cast<int>(std::ceil(viewStart_ / step));
    for (int k = first;; ++k) {
        const float t = static_cast<float>(k) * step;
        const int x = timeToX(t);
        if (x > plot.right()) {
            break;
        }
        setColour(cr, palette::kGrid);
        cairo_move_to(cr, x + 0.5, plot.y);
        cairo_line_to(cr, x + 0.5, plot.bottom());
        cairo_stroke(cr);
        char label[16];
        std::snprintf(label, sizeof label, "%gs", static_cast<double>(t));
        // A line at the plot's right edge goes unlabelled rather than cut.
        if (x + 2 + textWidth(cr, label, 8) <= plot.right()) {
            drawText(cr, x + 2, plot.bottom() - 2, label, 8, palette::kGridText);
        }
    }
    setColour(cr, palette::kGrid);
    for (int q = 1; q < 4; ++q) {
        const double y = plot.y + plot.height * q / 4.0 + 0.5;
        cairo_move_to(cr, plot.x, y);
        cairo_line_to(cr, plot.right(), y);
    }
    cairo_stroke(cr);
}

void CurveView::drawCurve(cairo_t* cr)
{
    const int count = pointCount();
    if (count == 0) {
        return;
    }
    setColour(cr, palette::kCurve);
    cairo_set_line_width(cr, 1.5);
    for (int i = 0; i < count; ++i) {
        const gui::Point p = pointPosition(i);
        if (i == 0) {
            cairo_move_to(cr, p.x, p.y);
        } else {
            cairo_line_to(cr, p.x, p.y);
        }
    }
    cairo_stroke(cr);
}

void CurveView::drawLoopMarker(cairo_t* cr, float t, bool start)
{
    const gui::Rect plot = plotRect();
    const int x = timeToX(t);
    setColour(cr, palette::kMarker);
    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, x + 0.5, plot.y);
    cairo_line_to(cr, x + 0.5, plot.bottom());
    cairo_stroke(cr);
    // A flag pointing into the loop.
    cairo_move_to(cr, x + 0.5, plot.y);
    cairo_line_to(cr, x + (start ? 5.5 : -4.5), plot.y + kMarkerZone / 2.0);
    cairo_line_to(cr, x + 0.5, plot.y + kMarkerZone);
    cairo_close_path(cr);
    cairo_fill(cr);
}

bool CurveView::nearLoopMarker(double x, double y, float t, bool start) const
{
    const gui::Rect plot = plotRect();
    if (y < plot.y || y >= plot.y + kMarkerZone) {
        return false;
    }
    const int mx = timeToX(t);
    return start ? x >= mx - 4 && x <= mx + 1 : x >= mx - 1 && x <= mx + 4;
}

void CurveView::draw(cairo_t* cr)
{
    const gui::Rect plot = plotRect();
    fillRect(cr, bounds(), palette::kStrip);
    fillRect(cr, plot, palette::kPlotBackground);
    cairo_save(cr);
    cairo_rectangle(cr, plot.x, plot.y, plot.width, plot.height);
    cairo_clip(cr);
    drawGrid(cr);
    drawCurve(cr);
    const int count = pointCount();
    for (int i = 0; i < count; ++i) {
        drawHandle(cr, pointPosition(i), i == selected_ ? 3.0 : 2.0,
                   i == selected_ ? palette::kSelected : palette::kHandle);
    }
    if (readout_[0] != '\0') {
        const double w = textWidth(cr, readout_.data(), 9);
        drawText(cr, plot.right() - w - 3, plot.y + 10, readout_.data(), 9, palette::kReadout);
    }
    cairo_restore(cr);
    if (hasZoomStrip_) {
        // Grip lines: sideways scrolls, up and down zooms.
        const int y = plot.bottom() + 2;
        setColour(cr, palette::kGrid);
        for (int x = plot.x + 4; x < plot.right() - 4; x += 6) {
            cairo_rectangle(cr, x, y + 2, 3, 4);
        }
        cairo_fill(cr);
    }
}

} // namespace tessarine
