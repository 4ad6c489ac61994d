#pragma once
// A switch with N states; state i has the value i / (N − 1). A click
// advances to the next state, after the last back to the first.

#include "gui/Control.h"

#include <string>
#include <vector>

namespace tessarine::gui {

class Switch : public Control {
public:
    Switch(Rect bounds, int states, int tag, ControlListener* listener);

    // trunc(value × (N − 1) + 0.5)
    int state() const;
    static float valueOf(int state, int states);

    // One caption per state, shown for the current state.
    void setLabels(std::vector<std::string> labels);

    bool onEvent(const InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    int states_;
    std::vector<std::string> labels_;
};

} // namespace tessarine::gui
