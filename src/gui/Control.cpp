#include "gui/Control.h"

#include <cmath>

namespace tessarine::gui {

namespace {

float unitClamped(float value)
{
    if (!std::isfinite(value) || value < 0.0f) {
        return 0.0f;
    }
    return value > 1.0f ? 1.0f : value;
}

} // namespace

float Control::constrain(float value) const
{
    return unitClamped(value);
}

void Control::setValue(float value)
{
    float held = constrain(value);
    if (held != value_) {
        value_ = held;
        invalidate();
    }
}

void Control::setValueAndReport(float value)
{
    setValue(value);
    report();
}

void Control::report()
{
    if (listener_ != nullptr) {
        listener_->valueChanged(*this);
    }
}

} // namespace tessarine::gui
