#pragma once
// A veil over a section of a page whose switch is off (an effect's On button):
// the section's controls stay where they are and keep working, drawn dimmed
// so that what is not heard reads as such. The switch itself stays bright.
// Takes no input; clicks reach the controls below.

#include "gui/Control.h"
#include "gui/View.h"

namespace tessarine {

class SectionShade final : public gui::View {
public:
    SectionShade(gui::Rect area, const gui::Control& sectionSwitch) : View(area), switch_(sectionSwitch) {}

    int switchTag() const { return switch_.tag(); }
    bool dimmed() const { return switch_.value() <= 0.5f; }

    void draw(cairo_t* cr) override;
    gui::View* hitTest(gui::Point) override { return nullptr; }

private:
    const gui::Control& switch_;
};

} // namespace tessarine
