#include "editor/views/HarmonicBarView.h"

#include "editor/views/CurveEdits.h"
#include "editor/views/ViewDrawing.h"
#include "engine/SynthEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tessarine {

namespace {

constexpr float kLowestFundamental = 0.00003f; // harmonic 1 never falls fully silent
constexpr float kFamilySlope = 0.015625f;      // 1/64: Bright and Dark ramp across the 64 harmonics

bool isOctave(int h) { return h > 0 && (h & (h - 1)) == 0; }

} // namespace

HarmonicBarView::HarmonicBarView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context,
                                 int slot)
    : Control(bounds, tag, listener), context_(context), place_(context.savedPlace(slot))
{
    frame_ = loudestFrame();
}

void HarmonicBarView::showPlace(const VoicePlace& place)
{
    place_ = place;
    LayerData* layer = context_.layerData(place_);
    if (layer != nullptr && (frame_ < 0 || frame_ >= layer->harmonic.frameCount())) {
        frame_ = loudestFrame();
    }
    invalidate();
}

int HarmonicBarView::loudestFrame()
{
    LayerData* layer = context_.layerData(place_);
    if (layer == nullptr) {
        return -1;
    }
    const HarmonicData& data = layer->harmonic;
    int loudest = -1;
    float largest = -1.0f;
    for (int i = 0; i < data.frameCount(); ++i) {
        float sum = 0.0f;
        for (int h = 0; h < kHarmonicCount; ++h) {
            const BreakpointCurve& amplitude = data.amplitude(h);
            sum += i < amplitude.pointCount() ? amplitude.value(i) : 0.0f;
        }
        if (sum > largest) {
            largest = sum;
            loudest = i;
        }
    }
    return loudest;
}

gui::Rect HarmonicBarView::plotRect() const
{
    const gui::Rect& b = bounds();
    return {b.x + 3, b.y + 3, b.width - 6, b.height - 13};
}

void HarmonicBarView::setShownCount(int count)
{
    shownCount_ = std::clamp(count, 1, kHarmonicCount);
    invalidate();
}

void HarmonicBarView::setFrame(int frame)
{
    frame_ = frame < 0 ? -1 : frame;
    invalidate();
}

void HarmonicBarView::setAllFrames(bool all)
{
    allFrames_ = all;
    invalidate();
}

void HarmonicBarView::setFrequencyMode(bool on)
{
    frequencyMode_ = on;
    invalidate();
}

std::string HarmonicBarView::modeText() const
{
    std::string text = frequencyMode_ ? "Deviations" : "Levels";
    if (allFrames_) {
        return text + ", all frames";
    }
    return frame_ >= 0 ? text + ", frame " + std::to_string(frame_ + 1) : text + ", no frame";
}

void HarmonicBarView::setFamily(int family)
{
    family_ = std::clamp(family, 0, kFamilyCount - 1);
    invalidate();
}

float HarmonicBarView::weight(int h, int harmonicUnderMouse) const
{
    switch (family_) {
    case kOne:
        return h == harmonicUnderMouse ? 1.0f : 0.0f;
    case kOdd:
        return h % 2 == 1 ? 1.0f : 0.0f;
    case kEven:
        return h % 2 == 0 ? 1.0f : 0.0f;
    case kFifths:
        return h % 5 == 0 ? 1.0f : 0.0f;
    case kOctaves:
        return isOctave(h) ? 1.0f : 0.0f;
    case kBright:
        return static_cast<float>(h) * kFamilySlope;
    case kDark:
        return 1.0f - static_cast<float>(h) * kFamilySlope;
    default:
        return 1.0f;
    }
}

double HarmonicBarView::barWidth() const
{
    // Eight pixels a harmonic at 64 shown, wider as fewer are shown; a narrower
    // view than that squeezes the bars so every shown harmonic stays in reach.
    const double cells = 8.0 * (64 / shownCount_);
    return std::min(cells, static_cast<double>(plotRect().width) / shownCount_);
}

int HarmonicBarView::harmonicAt(double x) const
{
    const int h = static_cast<int>(std::floor((x - plotRect().x) / barWidth())) + 1;
    return std::clamp(h, 1, shownCount_);
}

bool HarmonicBarView::onEvent(const gui::InputEvent& event)
{
    switch (event.kind) {
    case gui::EventKind::MouseDown:
        if (event.button == gui::MouseButton::None || !plotRect().contains(event.position)
            || context_.layerData(place_) == nullptr) {
            return false;
        }
        dragging_ = true;
        lastY_ = event.position.y;
        // Family "One" takes the height under the pointer at once.
        if (family_ == kOne && !frequencyMode_) {
            dragTo(event.position.x, event.position.y);
        }
        return true;
    case gui::EventKind::MouseMove:
        if (!dragging_) {
            return false;
        }
        dragTo(event.position.x, event.position.y);
        return true;
    case gui::EventKind::MouseUp: {
        if (!dragging_) {
            return false;
        }
        dragging_ = false;
        float counter = value() + 0.1f;
        if (counter >= 1.0f) {
            counter -= 1.0f;
        }
        setValue(counter);
        // The voice takes its layer count from the selector before anyone
        // hears of the edit: preparing a one-layer voice first would copy its
        // loud layer over the soft one just drawn.
        context_.prepareVoiceOf(place_);
        report();
        invalidate();
        return true;
    }
    default:
        return false;
    }
}

void HarmonicBarView::dragTo(double x, double y)
{
    LayerData* layer = context_.layerData(place_);
    if (layer == nullptr) {
        return;
    }
    HarmonicData& data = layer->harmonic;
    const double dy = lastY_ - y;
    lastY_ = y;
    if (data.frameCount() == 0 || (!allFrames_ && frame_ < 0)) {
        return;
    }
    const int under = harmonicAt(x);
    {
        ScopedVoiceEdit edit(context_.engine().handover());
        for (int h = 1; h <= shownCount_; ++h) {
            const float w = weight(h, under);
            if (w != 0.0f || (family_ == kOne && h == under)) {
                editHarmonic(data, h, w, dy, y);
            }
        }
    }
    invalidate();
}

void HarmonicBarView::editHarmonic(HarmonicData& data, int h, float w, double dy, double y)
{
    BreakpointCurve& amplitude = data.amplitude(h - 1);
    BreakpointCurve& frequency = data.frequency(h - 1);
    const BreakpointCurve& frames = data.amplitude(0);
    const int count = frames.pointCount();
    if (amplitude.pointCount() == 0 && h > 1) {
        // A harmonic the analysis left empty joins the layer's frames, silent and in tune.
        std::array<float, BreakpointCurve::kCapacity> fill{};
        amplitude.assignPoints(frames.timeData(), fill.data(), count);
        fill.fill(static_cast<float>(h));
        frequency.assignPoints(data.frequency(0).timeData(), fill.data(),
                               std::min(count, data.frequency(0).pointCount()));
    }
    const gui::Rect plot = plotRect();
    const double height = std::max(1, plot.height);

    if (frequencyMode_) {
        const float d = static_cast<float>(dy / (height * 0.5)) * w;
        const float hf = static_cast<float>(h);
        if (allFrames_) {
            if (frequency.pointCount() == 0) {
                return;
            }
            const float deviation = std::clamp(meanValue(frequency) - hf + d, -1.0f, 1.0f);
            shiftToMean(frequency, hf + deviation);
            // Single frames may not leave the harmonic's band either.
            for (int i = 0; i < frequency.pointCount(); ++i) {
                frequency.setValue(i, std::clamp(frequency.value(i), hf - 1.0f, hf + 1.0f));
            }
        } else if (frame_ < frequency.pointCount()) {
            const float deviation = std::clamp(frequency.value(frame_) - hf + d, -1.0f, 1.0f);
            frequency.setValue(frame_, hf + deviation);
        }
        return;
    }

    if (!allFrames_ && frame_ >= amplitude.pointCount()) {
        return;
    }
    const float current = allFrames_ ? maxValue(amplitude) : amplitude.value(frame_);
    float a = current + static_cast<float>(dy / height) * w;
    if (family_ == kOne) {
        a = static_cast<float>((plot.bottom() - y) / height);
    }
    a = std::clamp(a, h == 1 ? kLowestFundamental : 0.0f, 1.0f);
    if (family_ == kOne) {
        std::snprintf(readout_.data(), readout_.size(), "H %d V %d", h, static_cast<int>(a * 100.0f));
    }
    if (!allFrames_) {
        amplitude.setValue(frame_, a);
        return;
    }
    if (maxValue(amplitude) > 0.0f) {
        scaleToMax(amplitude, a);
        return;
    }
    // A silent harmonic has no shape of its own to scale: it borrows the
    // layer's summed envelope, peaking at a; a fully silent layer gets a at
    // every frame but the first and last, so the note still fades in and out.
    std::array<float, BreakpointCurve::kCapacity> sums{};
    float largest = 0.0f;
    for (int i = 0; i < amplitude.pointCount(); ++i) {
        for (int k = 0; k < kHarmonicCount; ++k) {
            const BreakpointCurve& c = data.amplitude(k);
            sums[static_cast<std::size_t>(i)] += i < c.pointCount() ? c.value(i) : 0.0f;
        }
        largest = std::max(largest, sums[static_cast<std::size_t>(i)]);
    }
    const int last = amplitude.pointCount() - 1;
    for (int i = 0; i <= last; ++i) {
        const float shape = largest > 0.0f ? sums[static_cast<std::size_t>(i)] / largest
                                           : (i == 0 || i == last ? 0.0f : 1.0f);
        amplitude.setValue(i, a * shape);
    }
}

float HarmonicBarView::shownAmplitude(const HarmonicData& data, int h) const
{
    const BreakpointCurve& amplitude = data.amplitude(h - 1);
    if (allFrames_) {
        return maxValue(amplitude);
    }
    return frame_ >= 0 && frame_ < amplitude.pointCount() ? amplitude.value(frame_) : 0.0f;
}

float HarmonicBarView::shownDeviation(const HarmonicData& data, int h) const
{
    const BreakpointCurve& frequency = data.frequency(h - 1);
    if (frequency.pointCount() == 0) {
        return 0.0f;
    }
    if (allFrames_) {
        return meanValue(frequency) - static_cast<float>(h);
    }
    return frame_ >= 0 && frame_ < frequency.pointCount() ? frequency.value(frame_) - static_cast<float>(h) : 0.0f;
}

void HarmonicBarView::draw(cairo_t* cr)
{
    const gui::Rect plot = plotRect();
    fillRect(cr, bounds(), palette::kStrip);
    fillRect(cr, plot, palette::kPlotBackground);
    cairo_set_line_width(cr, 1.0);
    // Level lines at a quarter, half and three quarters (amplitude) or the middle (deviation).
    setColour(cr, palette::kGrid);
    for (int q = 1; q < 4; ++q) {
        if (frequencyMode_ && q != 2) {
            continue;
        }
        const double gy = plot.y + plot.height * q / 4.0 + 0.5;
        cairo_move_to(cr, plot.x, gy);
        cairo_line_to(cr, plot.right(), gy);
    }
    cairo_stroke(cr);

    LayerData* layer = context_.layerData(place_);
    const double barWidth = this->barWidth();
    const int labelEvery = barWidth >= 16 ? 1 : barWidth >= 6 ? 4 : 8;
    for (int h = 1; h <= shownCount_; ++h) {
        const double x = plot.x + (h - 1) * barWidth;
        if (x >= plot.right()) {
            break;
        }
        // The harmonics a drag would move stand out in the family's colour.
        const float w = weight(h, -1);
        const Colour colour = family_ == kOne ? palette::kHarmonic
                              : w > 0.0f      ? Colour{0.95, 0.55 + 0.3 * std::min(1.0f, w), 0.25}
                                              : Colour{0.45, 0.40, 0.38};
        if (layer != nullptr) {
            const HarmonicData& data = layer->harmonic;
            double top = 0;
            double height = 0;
            if (frequencyMode_) {
                const double half = plot.height * 0.5;
                const double dev = shownDeviation(data, h);
                const double length = std::min(half, half * std::fabs(dev) + 1.0);
                top = dev >= 0 ? plot.y + half - length : plot.y + half;
                height = length;
            } else {
                height = plot.height * std::clamp(shownAmplitude(data, h), 0.0f, 1.0f);
                top = plot.bottom() - height;
            }
            setColour(cr, colour);
            cairo_rectangle(cr, x + 1, top, std::max(1.0, barWidth - 2), height);
            cairo_fill(cr);
        }
        if ((h - 1) % labelEvery == 0) {
            char label[16];
            std::snprintf(label, sizeof label, "%02d", h);
            drawText(cr, x + 1, bounds().bottom() - 1, label, 7, palette::kGridText);
        }
    }
    if (readout_[0] != '\0') {
        drawText(cr, plot.right() - 60, plot.y + 10, readout_.data(), 9, palette::kReadout);
    }
    drawText(cr, plot.x + 3, plot.y + 10, modeText().c_str(), 9, palette::kReadout);
}

} // namespace tessarine
