#include "gui/KickButton.h"

#include "gui/Theme.h"

namespace tessarine::gui {

KickButton::KickButton(Rect bounds, int tag, ControlListener* listener, std::string caption)
    : Control(bounds, tag, listener), caption_(std::move(caption))
{
}

void KickButton::setCaption(std::string caption)
{
    caption_ = std::move(caption);
    invalidate();
}

bool KickButton::onEvent(const InputEvent& event)
{
    switch (event.kind) {
    case EventKind::MouseDown:
        if (event.button != MouseButton::Left) {
            return false;
        }
        setValueAndReport(1);
        return true;
    case EventKind::MouseUp:
        // Always a 0 after the 1, so a press never leaves an action half done.
        setValueAndReport(0);
        return true;
    case EventKind::MouseMove:
        return true;
    default:
        return false;
    }
}

void KickButton::draw(cairo_t* cr)
{
    const Rect& b = bounds();
    bool pressed = value() > 0.5f;
    drawButtonFace(cr, b, pressed, pressed);
    if (!caption_.empty()) {
        drawText(cr, caption_, Rect{b.x + 2, b.y + (pressed ? 1 : 0), b.width - 4, b.height}, textsize::kLabel,
                 Align::Centre, palette::kText);
    }
}

} // namespace tessarine::gui
