#include "gui/Theme.h"

#include "gui/TextProbe.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace tessarine::gui {

void setColour(cairo_t* cr, const Colour& colour)
{
    cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, colour.a);
}

void roundedRectangle(cairo_t* cr, double x, double y, double width, double height, double radius)
{
    double r = std::max(0.0, std::min(radius, std::min(width, height) / 2));
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + width - r, y + height - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + height - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void selectFont(cairo_t* cr, double size, bool bold)
{
    cairo_select_font_face(cr, kFontFamily, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

double textWidth(cairo_t* cr, std::string_view text, double size, bool bold)
{
    selectFont(cr, size, bold);
    std::string owned(text);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, owned.c_str(), &extents);
    return extents.x_advance;
}

void drawText(cairo_t* cr, std::string_view text, const Rect& box, double size, Align align,
              const Colour& colour, bool bold)
{
    if (text.empty() || box.isEmpty()) {
        return;
    }
    cairo_save(cr);
    selectFont(cr, size, bold);
    std::string shown(text);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, shown.c_str(), &extents);
    if (extents.x_advance > box.width) {
        // Drop characters (whole UTF-8 sequences) until the text and "…" fit.
        while (!shown.empty()) {
            do {
                shown.pop_back();
            } while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xc0) == 0x80);
            if (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0x80) != 0) {
                shown.pop_back();
            }
            std::string candidate = shown + "\xe2\x80\xa6";
            cairo_text_extents(cr, candidate.c_str(), &extents);
            if (extents.x_advance <= box.width) {
                shown = candidate;
                break;
            }
        }
        if (shown.empty()) {
            cairo_restore(cr);
            return;
        }
    }
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    double x = box.x;
    if (align == Align::Centre) {
        x = box.x + (box.width - extents.x_advance) / 2;
    } else if (align == Align::Right) {
        x = box.right() - extents.x_advance;
    }
    // Baseline so that the font's ascent and descent sit centred in the box.
    double baseline = box.y + (box.height + font.ascent - font.descent) / 2;
    setColour(cr, colour);
    cairo_move_to(cr, std::round(x), std::round(baseline));
    reportDrawnText(cr, text, shown, &box);
    cairo_show_text(cr, shown.c_str());
    cairo_restore(cr);
}

void drawSection(cairo_t* cr, const Rect& area, std::string_view title)
{
    cairo_save(cr);
    roundedRectangle(cr, area.x + 0.5, area.y + 0.5, area.width - 1, area.height - 1, 5);
    setColour(cr, palette::kPanel);
    cairo_fill_preserve(cr);
    setColour(cr, palette::kPanelEdge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (!title.empty()) {
        drawText(cr, title, Rect{area.x + 8, area.y + 3, area.width - 16, 14}, textsize::kSection, Align::Left,
                 palette::kTitle, true);
    }
    cairo_restore(cr);
}

void drawLabel(cairo_t* cr, std::string_view text, const Rect& box, Align align)
{
    drawText(cr, text, box, textsize::kLabel, align, palette::kTextDim);
}

void drawWell(cairo_t* cr, const Rect& area)
{
    cairo_save(cr);
    roundedRectangle(cr, area.x, area.y, area.width, area.height, 2);
    setColour(cr, palette::kWell);
    cairo_fill_preserve(cr);
    setColour(cr, palette::kPanelEdge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void drawButtonFace(cairo_t* cr, const Rect& area, bool pressed, bool lit)
{
    cairo_save(cr);
    double x = area.x + 0.5;
    double y = area.y + 0.5;
    double w = area.width - 1;
    double h = area.height - 1;
    roundedRectangle(cr, x, y, w, h, 3);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, y, 0, y + h);
    const Colour& top = pressed ? palette::kControlPressed : palette::kControlLight;
    const Colour& bottom = pressed ? palette::kControlLight : palette::kControl;
    cairo_pattern_add_color_stop_rgb(face, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(face, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, face);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(face);
    setColour(cr, lit ? palette::kAccent : palette::kPanelEdge.withAlpha(1));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void releaseFontCaches()
{
    cairo_debug_reset_static_data();
    FcFini();
}

} // namespace tessarine::gui
