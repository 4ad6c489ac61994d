#include "editor/pages/SectionShade.h"

#include "gui/Theme.h"

namespace tessarine {

void SectionShade::draw(cairo_t* cr)
{
    if (!dimmed()) {
        return;
    }
    const gui::Rect& b = bounds();
    const gui::Rect& lit = switch_.bounds();
    cairo_save(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    // Inside the plate's rounded edge, with a hole for the switch.
    gui::roundedRectangle(cr, b.x + 1, b.y + 1, b.width - 2, b.height - 2, 4);
    cairo_rectangle(cr, lit.x, lit.y, lit.width, lit.height);
    gui::setColour(cr, gui::palette::kPanel.withAlpha(0.6));
    cairo_fill(cr);
    cairo_restore(cr);
}

} // namespace tessarine
