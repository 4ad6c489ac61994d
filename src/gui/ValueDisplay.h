#pragma once
// A small text box under a knob showing its value in the instrument's own
// units; the editor supplies the formatter. It takes no input.

#include "gui/View.h"

#include <functional>
#include <string>

namespace tessarine::gui {

class ValueDisplay : public View {
public:
    using Formatter = std::function<std::string(float value)>;

    static constexpr int kWidth = 37;
    static constexpr int kHeight = 11;
    static constexpr int kOffsetX = -2;
    static constexpr int kOffsetY = 62;

    ValueDisplay(Rect bounds, Formatter formatter);

    // The usual place: 2 pixels left of the knob and offsetY pixels below its top.
    static Rect placeUnder(Point knobTopLeft, int offsetY = kOffsetY);

    void setValue(float value);
    float value() const { return value_; }
    // The text drawn for the current value.
    std::string text() const;

    void draw(cairo_t* cr) override;

private:
    Formatter formatter_;
    float value_ = 0;
};

} // namespace tessarine::gui
