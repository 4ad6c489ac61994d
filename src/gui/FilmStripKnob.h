#pragma once
// A knob drawn from a film strip of 100 frames in columns of 16 (frame f at
// column f / 16, row f mod 16); it shows frame trunc(99 × value). The mouse
// turns it the way the host's knob mode asks (the frame keeps the mode):
// linear drags vertically, both circular modes add the angle the pointer
// turned around the centre since the press. Every drag starts from the shown
// value, so a press alone changes nothing; a circular knob never jumps to the
// pointer's angle. The wheel steps it.

#include "gui/Bitmap.h"
#include "gui/Control.h"

#include <memory>

namespace tessarine::gui {

class ValueDisplay;

class FilmStripKnob : public Control {
public:
    // Pixels of vertical travel for the whole range in linear mode; ten times
    // more with Shift held, for fine setting.
    static constexpr double kDragRange = 200;
    static constexpr double kFineFactor = 10;
    static constexpr float kWheelStep = 0.01f;

    // The knob is a square whose side is the strip's height / 16 (35 pixels
    // when no strip is given) with its top-left corner at topLeft.
    FilmStripKnob(Point topLeft, int tag, ControlListener* listener, std::shared_ptr<const Bitmap> strip);

    static int frameIndex(float value);
    // Where frame f lies in a strip of side-pixel frames.
    static Rect frameRect(int frame, int side);

    int side() const { return bounds().width; }
    int shownFrame() const { return frameIndex(value()); }

    // A display that follows every value the knob takes; it must live as long
    // as the knob (both belong to the same page).
    void setDisplay(ValueDisplay* display);
    ValueDisplay* display() const { return display_; }

    void setValue(float value) override;
    bool onEvent(const InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    double angleAt(Point p) const;
    void moveTo(float value);

    std::shared_ptr<const Bitmap> strip_;
    ValueDisplay* display_ = nullptr;
    int mode_ = 2;  // the frame's knob mode at the press; linear until then
    float valueAtPress_ = 0;
    Point pressPosition_;
    double lastAngle_ = 0;
    bool fine_ = false;
    bool dragging_ = false;
};

} // namespace tessarine::gui
