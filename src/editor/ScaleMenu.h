#pragma once
// The top bar's small menu of the editor's size (100 to 200 %), beside the
// title. It shows the size the editor has now, a host's request included, and
// hands each choice on; the editor remembers it and resizes.

#include "gui/Control.h"

#include <functional>

namespace tessarine {

namespace gui {
class Frame;
class OptionMenu;
} // namespace gui

class ScaleMenu final : public gui::ControlListener {
public:
    // Adds the menu to frame, which owns it; chosen gets the percent picked.
    ScaleMenu(gui::Frame& frame, std::function<void(int percent)> chosen);

    // Shows the size the editor is drawn at.
    void show(double scale);
    gui::OptionMenu* menu() const { return menu_; }

    void valueChanged(gui::Control& control) override;

private:
    std::function<void(int)> chosen_;
    gui::OptionMenu* menu_ = nullptr;
};

} // namespace tessarine
