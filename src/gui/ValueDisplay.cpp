#include "gui/ValueDisplay.h"

#include "gui/Theme.h"

#include <cstdio>

namespace tessarine::gui {

ValueDisplay::ValueDisplay(Rect bounds, Formatter formatter) : View(bounds), formatter_(std::move(formatter)) {}

Rect ValueDisplay::placeUnder(Point knobTopLeft, int offsetY)
{
    return Rect{static_cast<int>(knobTopLeft.x) + kOffsetX, static_cast<int>(knobTopLeft.y) + offsetY, kWidth,
                kHeight};
}

void ValueDisplay::setValue(float value)
{
    if (value != value_) {
        value_ = value;
        invalidate();
    }
}

std::string ValueDisplay::text() const
{
    if (formatter_) {
        return formatter_(value_);
    }
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%.2f", static_cast<double>(value_));
    return buffer;
}

void ValueDisplay::draw(cairo_t* cr)
{
    const Rect& b = bounds();
    drawWell(cr, b);
    drawText(cr, text(), Rect{b.x + 1, b.y, b.width - 2, b.height}, textsize::kValue, Align::Centre,
             palette::kAccent);
}

} // namespace tessarine::gui
