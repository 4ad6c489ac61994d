#pragma once
// A two-state button: each click toggles the value between 0 and 1 and
// reports it. Drawn as a key with a lamp that lights while on.

#include "gui/Control.h"

#include <string>

namespace tessarine::gui {

class OnOffButton : public Control {
public:
    OnOffButton(Rect bounds, int tag, ControlListener* listener, std::string caption = {});

    bool isOn() const { return value() > 0.5f; }
    void setCaption(std::string caption);
    const std::string& caption() const { return caption_; }

    bool onEvent(const InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    std::string caption_;
};

} // namespace tessarine::gui
