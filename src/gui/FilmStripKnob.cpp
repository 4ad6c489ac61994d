#include "gui/FilmStripKnob.h"

#include "gui/ControlArt.h"
#include "gui/DeviceScale.h"
#include "gui/Frame.h"
#include "gui/ValueDisplay.h"

#include <algorithm>
#include <cmath>

namespace tessarine::gui {

namespace {

int sideOf(const std::shared_ptr<const Bitmap>& strip)
{
    if (strip && strip->isValid() && strip->height() >= knobstrip::kRows) {
        return strip->height() / knobstrip::kRows;
    }
    return knobstrip::kSide;
}

// The knob's travel: 270 degrees centred on straight up.
constexpr double kHalfSweep = 0.75 * M_PI;

} // namespace

FilmStripKnob::FilmStripKnob(Point topLeft, int tag, ControlListener* listener, std::shared_ptr<const Bitmap> strip)
    : Control(Rect{static_cast<int>(topLeft.x), static_cast<int>(topLeft.y), sideOf(strip), sideOf(strip)}, tag,
              listener),
      strip_(std::move(strip))
{
}

int FilmStripKnob::frameIndex(float value)
{
    if (!std::isfinite(value) || value <= 0) {
        return 0;
    }
    return std::min(knobstrip::kFrames - 1, static_cast<int>(99.0f * value));
}

Rect FilmStripKnob::frameRect(int frame, int side)
{
    int f = std::clamp(frame, 0, knobstrip::kFrames - 1);
    return Rect{(f / knobstrip::kRows) * side, (f % knobstrip::kRows) * side, side, side};
}

void FilmStripKnob::setDisplay(ValueDisplay* display)
{
    display_ = display;
    if (display_ != nullptr) {
        display_->setValue(value());
    }
}

void FilmStripKnob::setValue(float value)
{
    Control::setValue(value);
    if (display_ != nullptr) {
        display_->setValue(this->value());
    }
}

void FilmStripKnob::moveTo(float value)
{
    float before = this->value();
    setValue(value);
    if (this->value() != before) {
        report();
    }
}

// Angle from straight up, clockwise positive, in -π … π.
double FilmStripKnob::angleAt(Point p) const
{
    double cx = bounds().x + bounds().width / 2.0;
    double cy = bounds().y + bounds().height / 2.0;
    return std::atan2(p.x - cx, cy - p.y);
}

bool FilmStripKnob::onEvent(const InputEvent& event)
{
    switch (event.kind) {
    case EventKind::MouseDown: {
        if (event.button != MouseButton::Left) {
            return false;
        }
        Frame* f = frame();
        mode_ = f != nullptr ? f->knobMode() : kLinearMode;
        dragging_ = true;
        valueAtPress_ = value();
        pressPosition_ = event.position;
        fine_ = event.has(kShift);
        lastAngle_ = angleAt(event.position);
        return true;
    }
    case EventKind::MouseMove:
        // A pointer passing over the knob is no drag: only the press's own moves turn it.
        if (!dragging_) {
            return false;
        }
        if (mode_ == kCircularMode || mode_ == kRelativeCircularMode) {
            double a = angleAt(event.position);
            double turned = a - lastAngle_;
            // Crossing the bottom (±π) is a small turn, not a whole one.
            if (turned > M_PI) {
                turned -= 2 * M_PI;
            } else if (turned < -M_PI) {
                turned += 2 * M_PI;
            }
            lastAngle_ = a;
            moveTo(value() + static_cast<float>(turned / (2 * kHalfSweep)));
        } else {
            if (event.has(kShift) != fine_) {
                // Fine dragging switches on or off from where the knob is now.
                fine_ = event.has(kShift);
                valueAtPress_ = value();
                pressPosition_ = event.position;
            }
            double range = fine_ ? kDragRange * kFineFactor : kDragRange;
            moveTo(valueAtPress_ - static_cast<float>((event.position.y - pressPosition_.y) / range));
        }
        return true;
    case EventKind::MouseUp:
        dragging_ = false;
        return true;
    case EventKind::Wheel: {
        float step = event.has(kShift) ? kWheelStep / 10 : kWheelStep;
        moveTo(value() + step * event.wheel);
        return true;
    }
    default:
        return false;
    }
}

void FilmStripKnob::draw(cairo_t* cr)
{
    const Rect& b = bounds();
    // The strip holds 100 % pixels; at any other scale the same frame is
    // drawn from its outlines, so the knob stays sharp.
    if (strip_ && strip_->isValid() && deviceScaleOf(cr) == 1.0) {
        strip_->drawPart(cr, frameRect(shownFrame(), b.width), b.x, b.y);
    } else {
        drawKnob(cr, b.x, b.y, b.width, shownFrame() / double(knobstrip::kFrames - 1));
    }
}

} // namespace tessarine::gui
