#include "editor/views/FrequencyCurveView.h"

#include "editor/views/CurveEdits.h"
#include "editor/views/CurveMapping.h"
#include "editor/views/ViewDrawing.h"
#include "engine/SynthEngine.h"

#include <algorithm>
#include <cstdio>

namespace tessarine {

namespace {

constexpr float kShapeSpanHz = 22000.0f;
// A handle dragged to the floor keeps a trace of its band, so dragging it back
// up can restore the noise there rather than find nothing left to scale.
constexpr float kLowestNoiseHandle = 0.001f;

} // namespace

FrequencyCurveView::FrequencyCurveView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context,
                                       Source source, int slot)
    : CurveView(bounds, tag, listener, context, false, slot), source_(source)
{
}

float FrequencyCurveView::spanHz() const
{
    return source_ == Source::NoiseSpectrum ? kNoiseSpectrumSpan : kShapeSpanHz;
}

BreakpointCurve& FrequencyCurveView::shownCurve()
{
    if (source_ == Source::NoiseSpectrum) {
        return noiseHandles_;
    }
    return context_.engine().editInstrument().spectralShapeCurve;
}

void FrequencyCurveView::refresh()
{
    if (source_ == Source::NoiseSpectrum) {
        rebuildNoiseHandles();
    }
    CurveView::refresh();
}

void FrequencyCurveView::rebuildNoiseHandles()
{
    noiseHandles_.clear();
    LayerData* layer = layerData();
    if (layer == nullptr || layer->noise.frameCount() == 0) {
        scaledFor_ = nullptr;
        return;
    }
    const NoiseData& noise = layer->noise;
    std::array<float, kNoiseHandles> positions{};
    std::array<float, kNoiseHandles> levels{};
    float loudest = 0.0f;
    for (int k = 0; k < kNoiseHandles; ++k) {
        // Evenly spread across the warped axis, so each handle covers a like share of the plot.
        const float position = warpFrequency(static_cast<float>(k) / (kNoiseHandles - 1)) / kNoiseSpectrumSpan;
        float sum = 0.0f;
        for (int f = 0; f < noise.frameCount(); ++f) {
            sum += peekValueAt(noise.frame(f).spectrum, position);
        }
        positions[static_cast<std::size_t>(k)] = position;
        levels[static_cast<std::size_t>(k)] = sum / static_cast<float>(noise.frameCount());
        loudest = std::max(loudest, levels[static_cast<std::size_t>(k)]);
    }
    if (scaledFor_ != layer) {
        scaledFor_ = layer;
        noiseScale_ = loudest > 0.0f ? 0.5f / loudest : 1.0f;
    }
    for (int k = 0; k < kNoiseHandles; ++k) {
        noiseHandles_.insertPoint(positions[static_cast<std::size_t>(k)],
                                  std::min(1.0f, levels[static_cast<std::size_t>(k)] * noiseScale_));
    }
}

int FrequencyCurveView::pointCount() { return shownCurve().pointCount(); }

gui::Point FrequencyCurveView::pointPosition(int index)
{
    const gui::Rect plot = plotRect();
    BreakpointCurve& curve = shownCurve();
    const double p = warpPosition(curve.timeAt(index) * spanHz());
    const double v = std::clamp(static_cast<double>(curve.value(index)), 0.0, 1.0);
    return {plot.x + p * plot.width, plot.bottom() - plot.height * v};
}

void FrequencyCurveView::setShownNoiseFrame(int frame)
{
    shownNoiseFrame_ = frame < 0 ? -1 : frame;
    invalidate();
}

void FrequencyCurveView::drawCurve(cairo_t* cr)
{
    LayerData* layer = source_ == Source::NoiseSpectrum ? layerData() : nullptr;
    if (layer != nullptr && shownNoiseFrame_ >= 0 && shownNoiseFrame_ < layer->noise.frameCount()) {
        // The selected frame's own spectrum, at the handles' scale, under them.
        const BreakpointCurve& spectrum = layer->noise.frame(shownNoiseFrame_).spectrum;
        const gui::Rect plot = plotRect();
        setColour(cr, palette::kGridText);
        cairo_set_line_width(cr, 1.0);
        for (int i = 0; i < spectrum.pointCount(); ++i) {
            const double p = warpPosition(std::min(1.0f, spectrum.timeAt(i)) * spanHz());
            const double v = std::clamp(static_cast<double>(spectrum.value(i) * noiseScale_), 0.0, 1.0);
            const double x = plot.x + p * plot.width;
            const double y = plot.bottom() - plot.height * v;
            if (i == 0) {
                cairo_move_to(cr, x, y);
            } else {
                cairo_line_to(cr, x, y);
            }
        }
        cairo_stroke(cr);
    }
    CurveView::drawCurve(cr);
}

float FrequencyCurveView::positionAtX(double x) const
{
    const gui::Rect plot = plotRect();
    const float p = static_cast<float>((x - plot.x) / std::max(1, plot.width));
    return std::min(1.0f, warpFrequency(p) / spanHz());
}

float FrequencyCurveView::valueAtY(double y) const
{
    const gui::Rect plot = plotRect();
    return std::clamp(static_cast<float>((plot.bottom() - y) / std::max(1, plot.height)), 0.0f, 1.0f);
}

int FrequencyCurveView::insertPointAt(double x, double y)
{
    BreakpointCurve& curve = shownCurve();
    const float position = positionAtX(x);
    if (!curve.insertPoint(position, valueAtY(y))) {
        return -1;
    }
    int index = 0;
    while (index < curve.pointCount() - 1 && curve.timeAt(index) < position) {
        ++index;
    }
    return index;
}

void FrequencyCurveView::deletePoint(int index) { shownCurve().removePoint(index); }

void FrequencyCurveView::movePointTo(int index, double x, double y)
{
    BreakpointCurve& curve = shownCurve();
    if (index < 0 || index >= curve.pointCount()) {
        return;
    }
    float value = valueAtY(y);
    if (source_ == Source::NoiseSpectrum) {
        const float old = curve.value(index);
        if (old >= 0.5f) {
            value = std::max(value, 0.5f);
        }
        if (old > 0.0f) {
            value = std::max(value, kLowestNoiseHandle);
        }
        rescaleNoise(index, old, value);
    }
    curve.movePoint(index, positionAtX(x), BreakpointCurve::kMoveSingle);
    curve.setValue(index, value);
}

void FrequencyCurveView::rescaleNoise(int index, float oldValue, float newValue)
{
    LayerData* layer = layerData();
    if (layer == nullptr) {
        return;
    }
    const float ratio = oldValue == 0.0f ? 1.0f : newValue / oldValue;
    const BreakpointCurve& handles = noiseHandles_;
    const float from = index > 0 ? handles.timeAt(index - 1) : 0.0f;
    const float to = index + 1 < handles.pointCount() ? handles.timeAt(index + 1) : 1.0f;
    NoiseData& noise = layer->noise;
    for (int f = 0; f < noise.frameCount(); ++f) {
        NoiseFrame& frame = noise.frame(f);
        BreakpointCurve& spectrum = frame.spectrum;
        for (int j = 0; j < spectrum.pointCount(); ++j) {
            const float position = spectrum.timeAt(j);
            if (position > from && position <= to) {
                spectrum.setValue(j, std::max(0.0f, spectrum.value(j) * ratio));
            }
        }
        frame.resampleBands();
    }
}

void FrequencyCurveView::updateReadout(int index)
{
    BreakpointCurve& curve = shownCurve();
    if (index < 0 || index >= curve.pointCount()) {
        readout_[0] = '\0';
        return;
    }
    std::snprintf(readout_.data(), readout_.size(), "%dHz %d ", static_cast<int>(curve.timeAt(index) * spanHz()),
                  static_cast<int>(curve.value(index) * 2.0f));
}

void FrequencyCurveView::afterEdit()
{
    if (source_ == Source::SpectralShape) {
        shownCurve().normaliseEnds();
    }
}

void FrequencyCurveView::drawGrid(cairo_t* cr)
{
    const gui::Rect plot = plotRect();
    struct Line {
        float hz;
        const char* label;
    };
    static constexpr Line kLines[] = {{100, "100"}, {250, "250"}, {500, "500"}, {1000, "1k"},  {2000, "2k"},
                                      {3000, "3k"}, {5000, "5k"}, {10000, "10k"}, {15000, "15k"}, {20000, "20k"}};
    cairo_set_line_width(cr, 1.0);
    double labelledUpTo = plot.x - 100.0;
    for (const Line& line : kLines) {
        const double x = plot.x + static_cast<double>(warpPosition(line.hz)) * plot.width;
        setColour(cr, palette::kGrid);
        cairo_move_to(cr, static_cast<int>(x) + 0.5, plot.y);
        cairo_line_to(cr, static_cast<int>(x) + 0.5, plot.bottom());
        cairo_stroke(cr);
        // The low octaves crowd together on the warped axis: label only where
        // there is room; near the right edge the label goes left of its line.
        const double width = textWidth(cr, line.label, 8);
        const double left = x + 2 + width <= plot.right() - 1 ? x + 2 : x - 2 - width;
        if (left >= labelledUpTo) {
            drawText(cr, left, plot.bottom() - 2, line.label, 8, palette::kGridText);
            labelledUpTo = left + width + 4;
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

} // namespace tessarine
