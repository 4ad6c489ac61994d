#pragma once
// N positions in a row or a column, a fixed step apart; a click on position i
// sets the value i / (N − 1). The position shown is trunc(value × (N − 1) + 0.5).
// Each position is drawn as a segment with its label.

#include "gui/Control.h"

#include <string>
#include <vector>

namespace tessarine::gui {

enum class Orientation { Row, Column };

class Selector : public Control {
public:
    // The first cell's top-left corner is origin; cell i lies i × step further
    // along the row or column.
    Selector(Point origin, int positions, Orientation orientation, int step, int cellWidth, int cellHeight, int tag,
             ControlListener* listener);

    Rect cell(int position) const;
    // The position under the point, or -1 between or outside the cells.
    int positionAt(Point p) const;

    int position() const { return positionOf(value(), positions_); }
    static int positionOf(float value, int positions);
    static float valueOf(int position, int positions);

    void setLabels(std::vector<std::string> labels);

    bool onEvent(const InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    int positions_;
    Orientation orientation_;
    int step_;
    int cellWidth_;
    int cellHeight_;
    std::vector<std::string> labels_;
};

} // namespace tessarine::gui
