#pragma once
// A horizontal slider from 0 at the left to 1 at the right. A press on the
// track moves the handle there; dragging follows the pointer (ten times finer
// with Shift); the wheel steps it. Given a formatter, it writes its value on
// the side of the track away from the handle.

#include "gui/Control.h"

#include <functional>
#include <string>

namespace tessarine::gui {

class HorizontalSlider : public Control {
public:
    static constexpr int kHandleWidth = 9;
    static constexpr float kWheelStep = 0.01f;
    static constexpr double kFineFactor = 10;

    HorizontalSlider(Rect bounds, int tag, ControlListener* listener);

    // The value whose handle is centred on x.
    float valueAt(double x) const;
    Rect handle() const;

    void setValueText(std::function<std::string(float)> formatter) { valueText_ = std::move(formatter); }
    // What the slider writes beside its handle; empty without a formatter.
    std::string valueText() const { return valueText_ ? valueText_(value()) : std::string(); }

    bool onEvent(const InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    std::function<std::string(float)> valueText_;
    void moveTo(float value);

    float valueAtPress_ = 0;
    double xAtPress_ = 0;
    bool fine_ = false;
    bool dragging_ = false;
};

} // namespace tessarine::gui
