#include "editor/views/HarmonicEnvelopeView.h"

#include "editor/views/CurveEdits.h"
#include "editor/views/ViewDrawing.h"
#include "engine/SynthEngine.h"

#include <algorithm>
#include <cstdio>

namespace tessarine {

void HarmonicEnvelopeView::setMarkersShown(bool shown)
{
    markersShown_ = shown;
    invalidate();
}

HarmonicData* HarmonicEnvelopeView::data()
{
    LayerData* layer = layerData();
    return layer != nullptr ? &layer->harmonic : nullptr;
}

int HarmonicEnvelopeView::pointCount()
{
    HarmonicData* d = data();
    return d != nullptr ? d->frameCount() : 0;
}

float HarmonicEnvelopeView::frameSum(int index)
{
    HarmonicData* d = data();
    float sum = 0.0f;
    for (int h = 0; h < kHarmonicCount; ++h) {
        const BreakpointCurve& amplitude = d->amplitude(h);
        if (index < amplitude.pointCount()) {
            sum += amplitude.value(index);
        }
    }
    return sum;
}

gui::Point HarmonicEnvelopeView::pointPosition(int index)
{
    const gui::Rect plot = plotRect();
    // Full scale is a summed amplitude of 2.
    const double height = std::clamp(0.5 * frameSum(index), 0.0, 1.0);
    return {static_cast<double>(timeToX(data()->amplitude(0).timeAt(index))), plot.bottom() - plot.height * height};
}

int HarmonicEnvelopeView::insertPointAt(double x, double)
{
    HarmonicData* d = data();
    if (d == nullptr || d->amplitude(0).pointCount() >= BreakpointCurve::kCapacity
        || d->frequency(0).pointCount() >= BreakpointCurve::kCapacity) {
        return -1;
    }
    const float t = std::max(0.0f, xToTime(x));
    // Every harmonic keeps its own level and tuning at the new frame.
    std::array<float, kHarmonicCount> amplitudes{};
    std::array<float, kHarmonicCount> frequencies{};
    for (int h = 0; h < kHarmonicCount; ++h) {
        const BreakpointCurve& f = d->frequency(h);
        const float nominal = static_cast<float>(h + 1);
        amplitudes[static_cast<std::size_t>(h)] = peekValueAt(d->amplitude(h), t);
        float hz = f.pointCount() == 0 ? nominal : (t <= f.timeAt(0) ? f.value(0) : peekValueAt(f, t));
        frequencies[static_cast<std::size_t>(h)] = std::clamp(hz, nominal - 1.0f, nominal + 1.0f);
    }
    // Owners first: a sharing curve accepts only a time its owner holds.
    for (int h = 0; h < kHarmonicCount; ++h) {
        d->amplitude(h).insertPoint(t, amplitudes[static_cast<std::size_t>(h)]);
    }
    for (int h = 0; h < kHarmonicCount; ++h) {
        d->frequency(h).insertPoint(t, frequencies[static_cast<std::size_t>(h)]);
    }
    const BreakpointCurve& frames = d->amplitude(0);
    int index = 0;
    while (index < frames.pointCount() - 1 && frames.timeAt(index) < t) {
        ++index;
    }
    return index;
}

void HarmonicEnvelopeView::deletePoint(int index)
{
    HarmonicData* d = data();
    if (d == nullptr || index < 0) {
        return;
    }
    // Sharing curves first, while their owner still holds the frame's time.
    for (int h = kHarmonicCount - 1; h >= 0; --h) {
        d->amplitude(h).removePoint(index);
        d->frequency(h).removePoint(index);
    }
}

void HarmonicEnvelopeView::movePointTo(int index, double x, double y)
{
    HarmonicData* d = data();
    if (d == nullptr || index < 0 || index >= d->frameCount()) {
        return;
    }
    const float t = xToTime(x);
    for (int h = 0; h < kHarmonicCount; ++h) {
        d->amplitude(h).movePoint(index, t, moveMode());
        d->frequency(h).movePoint(index, t, moveMode());
    }
    const gui::Rect plot = plotRect();
    const float newHeight =
        std::clamp(static_cast<float>((plot.bottom() - y) / std::max(1, plot.height)), kLowestHeight, kHighestHeight);
    const float oldHeight = std::max(kLowestHeight, static_cast<float>(0.5 * frameSum(index)));
    const float factor = newHeight / oldHeight;
    for (int h = 0; h < kHarmonicCount; ++h) {
        BreakpointCurve& amplitude = d->amplitude(h);
        if (index < amplitude.pointCount()) {
            amplitude.setValue(index, amplitude.value(index) * factor);
        }
    }
}

void HarmonicEnvelopeView::updateReadout(int index)
{
    HarmonicData* d = data();
    if (d == nullptr || index < 0 || index >= d->frameCount()) {
        readout_[0] = '\0';
        return;
    }
    std::snprintf(readout_.data(), readout_.size(), "%1.1fs %d ", static_cast<double>(d->amplitude(0).timeAt(index)),
                  static_cast<int>(frameSum(index) * 100.0f));
}

void HarmonicEnvelopeView::selectionHook() { context_.harmonicFrameSelected(place(), selected()); }

bool HarmonicEnvelopeView::hitMarker(double x, double y)
{
    draggedMarker_ = -1;
    Voice* voice = context_.voice(place());
    if (!markersShown_ || voice == nullptr) {
        return false;
    }
    if (nearLoopMarker(x, y, voice->loopStart, true)) {
        draggedMarker_ = 0;
    } else if (nearLoopMarker(x, y, voice->loopEnd, false)) {
        draggedMarker_ = 1;
    }
    return draggedMarker_ >= 0;
}

void HarmonicEnvelopeView::dragMarker(double x, double)
{
    Voice* voice = context_.voice(place());
    if (voice == nullptr) {
        return;
    }
    const float t = std::max(0.0f, xToTime(x));
    if (draggedMarker_ == 1 && t >= voice->loopStart) {
        voice->loopEnd = t;
    } else if (draggedMarker_ == 0 && t <= voice->loopEnd) {
        voice->loopStart = t;
    }
}

void HarmonicEnvelopeView::drawGrid(cairo_t* cr)
{
    Voice* voice = context_.voice(place());
    if (markersShown_ && voice != nullptr) {
        const gui::Rect plot = plotRect();
        const int x0 = timeToX(voice->loopStart);
        const int x1 = timeToX(voice->loopEnd);
        fillRect(cr, gui::Rect{x0, plot.y, std::max(1, x1 - x0), plot.height}, palette::kLoopShade);
    }
    drawTimeGrid(cr);
    HarmonicData* d = data();
    if (d != nullptr && d->frameCount() > 0) {
        // The first few harmonics faintly behind the frames, so the spectrum's shape over time shows.
        const gui::Rect plot = plotRect();
        cairo_set_line_width(cr, 1.0);
        for (int h = 0; h < 8; ++h) {
            const BreakpointCurve& amplitude = d->amplitude(h);
            setColour(cr, Colour{0.95, 0.55, 0.25, 0.45 - 0.05 * h});
            for (int i = 0; i < amplitude.pointCount(); ++i) {
                const double x = timeToX(amplitude.timeAt(i));
                const double y = plot.bottom() - plot.height * std::clamp(static_cast<double>(amplitude.value(i)), 0.0, 1.0);
                if (i == 0) {
                    cairo_move_to(cr, x, y);
                } else {
                    cairo_line_to(cr, x, y);
                }
            }
            cairo_stroke(cr);
        }
    }
    if (markersShown_ && voice != nullptr) {
        drawLoopMarker(cr, voice->loopStart, true);
        drawLoopMarker(cr, voice->loopEnd, false);
    }
}

} // namespace tessarine
