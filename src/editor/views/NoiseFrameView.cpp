#include "editor/views/NoiseFrameView.h"

#include "editor/views/CurveEdits.h"
#include "engine/SynthEngine.h"

#include <algorithm>
#include <cstdio>

namespace tessarine {

NoiseData* NoiseFrameView::data()
{
    LayerData* layer = layerData();
    return layer != nullptr ? &layer->noise : nullptr;
}

int NoiseFrameView::pointCount()
{
    NoiseData* d = data();
    return d != nullptr ? d->frameCount() : 0;
}

float NoiseFrameView::frameHeight(int index)
{
    NoiseData* d = data();
    if (d == nullptr || index < 0 || index >= d->frameCount()) {
        return 0.0f;
    }
    // The mean over a hundred evenly spaced positions of the spectrum.
    const BreakpointCurve& spectrum = d->frame(index).spectrum;
    float sum = 0.0f;
    for (int k = 0; k < 100; ++k) {
        sum += peekValueAt(spectrum, static_cast<float>(k) * 0.01f);
    }
    return 0.01f * sum;
}

gui::Point NoiseFrameView::pointPosition(int index)
{
    const gui::Rect plot = plotRect();
    const double height = std::clamp(static_cast<double>(frameHeight(index)), 0.0, 1.0);
    return {static_cast<double>(timeToX(data()->frameTime(index))), plot.bottom() - plot.height * height};
}

CurveView::Hit NoiseFrameView::findPoint(double x, double y)
{
    Hit hit = CurveView::findPoint(x, y);
    NoiseData* d = data();
    hit.index = d != nullptr ? d->nearestFrame(xToTime(x)) : -1;
    if (hit.index >= 0) {
        const gui::Point p = pointPosition(hit.index);
        hit.hit = (p.x - x) * (p.x - x) + (p.y - y) * (p.y - y) < 50.0;
    }
    return hit;
}

int NoiseFrameView::insertPointAt(double x, double)
{
    NoiseData* d = data();
    const float t = std::max(0.0f, xToTime(x));
    if (d == nullptr || !d->insertFrame(t)) {
        return -1;
    }
    int index = 0;
    while (index < d->frameCount() - 1 && d->frameTime(index) < t) {
        ++index;
    }
    return index;
}

void NoiseFrameView::deletePoint(int index)
{
    if (NoiseData* d = data()) {
        d->removeFrame(index);
    }
}

void NoiseFrameView::movePointTo(int index, double x, double y)
{
    NoiseData* d = data();
    if (d == nullptr || index < 0 || index >= d->frameCount()) {
        return;
    }
    const float oldHeight = std::max(kLowestHeight, frameHeight(index));
    d->moveFrame(index, xToTime(x), moveMode());
    const gui::Rect plot = plotRect();
    const float newHeight =
        std::clamp(static_cast<float>((plot.bottom() - y) / std::max(1, plot.height)), kLowestHeight, kHighestHeight);
    NoiseFrame& frame = d->frame(index);
    frame.spectrum.scaleValues(newHeight / oldHeight);
    frame.resampleBands();
}

void NoiseFrameView::updateReadout(int index)
{
    NoiseData* d = data();
    if (d == nullptr || index < 0 || index >= d->frameCount()) {
        readout_[0] = '\0';
        return;
    }
    std::snprintf(readout_.data(), readout_.size(), "%1.1fs %d ", static_cast<double>(d->frameTime(index)),
                  static_cast<int>(frameHeight(index) * 100.0f));
}

void NoiseFrameView::selectionHook() { context_.noiseFrameSelected(place(), selected()); }

} // namespace tessarine
