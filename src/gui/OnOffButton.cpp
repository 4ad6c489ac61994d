#include "gui/OnOffButton.h"

#include "gui/Theme.h"

#include <algorithm>
#include <cmath>

namespace tessarine::gui {

OnOffButton::OnOffButton(Rect bounds, int tag, ControlListener* listener, std::string caption)
    : Control(bounds, tag, listener), caption_(std::move(caption))
{
}

void OnOffButton::setCaption(std::string caption)
{
    caption_ = std::move(caption);
    invalidate();
}

bool OnOffButton::onEvent(const InputEvent& event)
{
    if (event.kind == EventKind::MouseDown) {
        if (event.button != MouseButton::Left) {
            return false;
        }
        setValueAndReport(isOn() ? 0.0f : 1.0f);
        return true;
    }
    return event.kind == EventKind::MouseUp || event.kind == EventKind::MouseMove;
}

void OnOffButton::draw(cairo_t* cr)
{
    const Rect& b = bounds();
    bool on = isOn();
    drawButtonFace(cr, b, false, on);
    // The lamp sits at the left with the caption beside it, or alone in the middle.
    double radius = std::max(2.0, std::min(b.height / 2.0 - 3.5, 3.5));
    double lampX = caption_.empty() ? b.x + b.width / 2.0 : b.x + 4 + radius;
    double lampY = b.y + b.height / 2.0;
    cairo_save(cr);
    cairo_arc(cr, lampX, lampY, radius, 0, 2 * M_PI);
    setColour(cr, on ? palette::kAccent : palette::kLedOff);
    cairo_fill(cr);
    if (on) {
        cairo_arc(cr, lampX, lampY, radius + 2, 0, 2 * M_PI);
        setColour(cr, palette::kAccent.withAlpha(0.25));
        cairo_fill(cr);
    }
    cairo_restore(cr);
    if (!caption_.empty()) {
        int left = static_cast<int>(lampX + radius + 3);
        drawText(cr, caption_, Rect{left, b.y, b.right() - left - 2, b.height}, textsize::kLabel, Align::Centre,
                 on ? palette::kText : palette::kTextDim);
    }
}

} // namespace tessarine::gui
