#include "gui/HorizontalSlider.h"

#include "gui/Theme.h"

#include <algorithm>

namespace tessarine::gui {

HorizontalSlider::HorizontalSlider(Rect bounds, int tag, ControlListener* listener) : Control(bounds, tag, listener)
{
}

float HorizontalSlider::valueAt(double x) const
{
    const Rect& b = bounds();
    double travel = std::max(1, b.width - kHandleWidth);
    return static_cast<float>((x - b.x - kHandleWidth / 2.0) / travel);
}

Rect HorizontalSlider::handle() const
{
    const Rect& b = bounds();
    int travel = std::max(0, b.width - kHandleWidth);
    return Rect{b.x + static_cast<int>(value() * static_cast<float>(travel) + 0.5f), b.y, kHandleWidth, b.height};
}

void HorizontalSlider::moveTo(float value)
{
    float before = this->value();
    setValue(value);
    if (this->value() != before) {
        report();
    }
}

bool HorizontalSlider::onEvent(const InputEvent& event)
{
    switch (event.kind) {
    case EventKind::MouseDown:
        if (event.button != MouseButton::Left) {
            return false;
        }
        fine_ = event.has(kShift);
        if (!fine_ && !handle().contains(event.position)) {
            moveTo(valueAt(event.position.x));
        }
        valueAtPress_ = value();
        xAtPress_ = event.position.x;
        dragging_ = true;
        return true;
    case EventKind::MouseMove: {
        // A pointer passing over the slider is no drag.
        if (!dragging_) {
            return false;
        }
        if (event.has(kShift) != fine_) {
            fine_ = event.has(kShift);
            valueAtPress_ = value();
            xAtPress_ = event.position.x;
        }
        double travel = std::max(1, bounds().width - kHandleWidth) * (fine_ ? kFineFactor : 1.0);
        moveTo(valueAtPress_ + static_cast<float>((event.position.x - xAtPress_) / travel));
        return true;
    }
    case EventKind::MouseUp:
        dragging_ = false;
        return true;
    case EventKind::Wheel:
        moveTo(value() + kWheelStep * event.wheel);
        return true;
    default:
        return false;
    }
}

void HorizontalSlider::draw(cairo_t* cr)
{
    const Rect& b = bounds();
    double mid = b.y + b.height / 2.0;
    Rect h = handle();
    cairo_save(cr);
    // The groove, filled with the accent up to the handle.
    roundedRectangle(cr, b.x + 1, mid - 2, b.width - 2, 4, 2);
    setColour(cr, palette::kWell);
    cairo_fill(cr);
    roundedRectangle(cr, b.x + 1, mid - 2, std::max(0, h.x + h.width / 2 - b.x - 1), 4, 2);
    setColour(cr, palette::kAccentDim);
    cairo_fill(cr);
    cairo_restore(cr);
    if (valueText_) {
        const bool handleRight = h.x + h.width / 2 > b.x + b.width / 2;
        const Rect box = handleRight ? Rect{b.x + 4, b.y, h.x - b.x - 6, b.height}
                                     : Rect{h.right() + 2, b.y, b.right() - h.right() - 6, b.height};
        drawText(cr, valueText_(value()), box, textsize::kValue, handleRight ? Align::Left : Align::Right,
                 palette::kText);
    }
    drawButtonFace(cr, h, false, false);
    cairo_save(cr);
    cairo_move_to(cr, h.x + h.width / 2.0, h.y + 3);
    cairo_line_to(cr, h.x + h.width / 2.0, h.bottom() - 3);
    setColour(cr, palette::kAccent);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_restore(cr);
}

} // namespace tessarine::gui
