#pragma once
// A horizontal slider from 0 at the left to 1 at the right. A press on the
// track moves the handle there; dragging follows the pointer (ten times finer
// with Shift); the wheel steps it.

#include "gui/Control.h"

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

    bool onEvent(const InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    void moveTo(float value);

    float valueAtPress_ = 0;
    double xAtPress_ = 0;
    bool fine_ = false;
    bool dragging_ = false;
};

} // namespace tessarine::gui
