#pragma once
// A momentary button: reports 1 when pressed and 0 on release. The editor's
// file and generator actions run on the 0, so they happen once, on release.

#include "gui/Control.h"

#include <string>

namespace tessarine::gui {

class KickButton : public Control {
public:
    KickButton(Rect bounds, int tag, ControlListener* listener, std::string caption = {});

    void setCaption(std::string caption);
    const std::string& caption() const { return caption_; }

    bool onEvent(const InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    std::string caption_;
};

} // namespace tessarine::gui
