#pragma once
// Turns a row of the control map into the toolkit's control of that kind,
// placed in a page, with the pictures every control of a kind shares (the
// knob's film strip, the list selectors' glyph font), drawn once per open.

#include "editor/pages/ControlMap.h"
#include "editor/views/CustomViews.h"
#include "gui/Bitmap.h"
#include "gui/Container.h"
#include "gui/Control.h"
#include "gui/GlyphFont.h"

#include <memory>
#include <string>
#include <string_view>

namespace tessarine {

class ControlResources {
public:
    ControlResources();
    const std::shared_ptr<const gui::Bitmap>& knobStrip() const { return knobStrip_; }
    const std::shared_ptr<const gui::GlyphFont>& glyphFont() const { return glyphFont_; }

private:
    std::shared_ptr<const gui::Bitmap> knobStrip_;
    std::shared_ptr<const gui::GlyphFont> glyphFont_;
};

// Creates the control of a map row (its rectangle moved by origin) in into, with a
// value display beside a knob that has a format; slot is the voice page's
// slot or -1. Returns the control, or null when the kind cannot be made.
gui::Control* placeControl(const ControlRow& row, gui::Point origin, int slot, gui::Container& into,
                           gui::ControlListener& listener, const ControlResources& resources,
                           const CustomViewContext& context);

// The text a text edit shows; empty for any other control.
std::string controlText(const gui::Control& control);
void setControlText(gui::Control& control, std::string_view text);

} // namespace tessarine
