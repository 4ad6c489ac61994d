#include "gui/Switch.h"

#include "gui/Selector.h"
#include "gui/Theme.h"

#include <algorithm>
#include <cmath>

namespace tessarine::gui {

Switch::Switch(Rect bounds, int states, int tag, ControlListener* listener)
    : Control(bounds, tag, listener), states_(std::max(1, states))
{
}

int Switch::state() const
{
    return Selector::positionOf(value(), states_);
}

float Switch::valueOf(int state, int states)
{
    return Selector::valueOf(state, states);
}

void Switch::setLabels(std::vector<std::string> labels)
{
    labels_ = std::move(labels);
    invalidate();
}

bool Switch::onEvent(const InputEvent& event)
{
    if (event.kind == EventKind::MouseDown) {
        if (event.button != MouseButton::Left) {
            return false;
        }
        setValueAndReport(valueOf((state() + 1) % states_, states_));
        return true;
    }
    return event.kind == EventKind::MouseUp;
}

void Switch::draw(cairo_t* cr)
{
    const Rect& b = bounds();
    drawButtonFace(cr, b, false, false);
    int s = state();
    // One dot per state along the bottom, the current one lit.
    const double dotStep = 6;
    double x0 = b.x + b.width / 2.0 - (states_ - 1) * dotStep / 2;
    cairo_save(cr);
    for (int i = 0; i < states_; ++i) {
        cairo_arc(cr, x0 + i * dotStep, b.bottom() - 4.5, 1.8, 0, 2 * M_PI);
        setColour(cr, i == s ? palette::kAccent : palette::kLedOff);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    if (static_cast<std::size_t>(s) < labels_.size()) {
        drawText(cr, labels_[static_cast<std::size_t>(s)], Rect{b.x + 2, b.y, b.width - 4, b.height - 6},
                 textsize::kLabel, Align::Centre, palette::kText);
    }
}

} // namespace tessarine::gui
