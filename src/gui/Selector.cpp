#include "gui/Selector.h"

#include "gui/Theme.h"

#include <algorithm>
#include <cmath>

namespace tessarine::gui {

namespace {

Rect spanOf(Point origin, int positions, Orientation orientation, int step, int cellWidth, int cellHeight)
{
    int n = std::max(1, positions);
    int x = static_cast<int>(origin.x);
    int y = static_cast<int>(origin.y);
    if (orientation == Orientation::Row) {
        return Rect{x, y, (n - 1) * step + cellWidth, cellHeight};
    }
    return Rect{x, y, cellWidth, (n - 1) * step + cellHeight};
}

} // namespace

Selector::Selector(Point origin, int positions, Orientation orientation, int step, int cellWidth, int cellHeight,
                   int tag, ControlListener* listener)
    : Control(spanOf(origin, positions, orientation, step, cellWidth, cellHeight), tag, listener),
      positions_(std::max(1, positions)), orientation_(orientation), step_(step), cellWidth_(cellWidth),
      cellHeight_(cellHeight)
{
}

Rect Selector::cell(int position) const
{
    const Rect& b = bounds();
    if (orientation_ == Orientation::Row) {
        return Rect{b.x + position * step_, b.y, cellWidth_, cellHeight_};
    }
    return Rect{b.x, b.y + position * step_, cellWidth_, cellHeight_};
}

int Selector::positionAt(Point p) const
{
    for (int i = 0; i < positions_; ++i) {
        if (cell(i).contains(p)) {
            return i;
        }
    }
    return -1;
}

int Selector::positionOf(float value, int positions)
{
    if (positions <= 1 || !std::isfinite(value) || value <= 0) {
        return 0;
    }
    int p = static_cast<int>(value * static_cast<float>(positions - 1) + 0.5f);
    return std::min(p, positions - 1);
}

float Selector::valueOf(int position, int positions)
{
    return positions > 1 ? static_cast<float>(position) / static_cast<float>(positions - 1) : 0.0f;
}

void Selector::setLabels(std::vector<std::string> labels)
{
    labels_ = std::move(labels);
    invalidate();
}

bool Selector::onEvent(const InputEvent& event)
{
    if (event.kind == EventKind::MouseDown) {
        int p = positionAt(event.position);
        if (event.button != MouseButton::Left || p < 0) {
            return false;
        }
        // A click that leaves the value as it is changes nothing and tells nobody.
        if (const float target = valueOf(p, positions_); target != value()) {
            setValueAndReport(target);
        }
        return true;
    }
    return event.kind == EventKind::MouseUp;
}

void Selector::draw(cairo_t* cr)
{
    int selected = position();
    for (int i = 0; i < positions_; ++i) {
        Rect c = cell(i);
        bool on = i == selected;
        drawButtonFace(cr, c, on, on);
        if (static_cast<std::size_t>(i) < labels_.size()) {
            drawText(cr, labels_[static_cast<std::size_t>(i)], Rect{c.x + 2, c.y, c.width - 4, c.height},
                     textsize::kLabel, Align::Centre, on ? palette::kAccent : palette::kTextDim, on);
        }
    }
}

} // namespace tessarine::gui
