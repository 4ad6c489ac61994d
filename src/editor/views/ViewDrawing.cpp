#include "editor/views/ViewDrawing.h"

#include "gui/TextProbe.h"

namespace tessarine {

void setColour(cairo_t* cr, const Colour& colour) { cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, colour.a); }

void fillRect(cairo_t* cr, const gui::Rect& rect, const Colour& colour)
{
    setColour(cr, colour);
    cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
    cairo_fill(cr);
}

void strokeRect(cairo_t* cr, const gui::Rect& rect, const Colour& colour)
{
    setColour(cr, colour);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, rect.x + 0.5, rect.y + 0.5, rect.width - 1, rect.height - 1);
    cairo_stroke(cr);
}

static void useFont(cairo_t* cr, double size)
{
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

void drawText(cairo_t* cr, double x, double y, const char* text, double size, const Colour& colour)
{
    useFont(cr, size);
    setColour(cr, colour);
    cairo_move_to(cr, x, y);
    gui::reportDrawnText(cr, text, text, nullptr);
    cairo_show_text(cr, text);
    cairo_new_path(cr);
}

double textWidth(cairo_t* cr, const char* text, double size)
{
    useFont(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    return extents.x_advance;
}

void drawHandle(cairo_t* cr, gui::Point p, double half, const Colour& colour)
{
    setColour(cr, colour);
    cairo_rectangle(cr, p.x - half, p.y - half, 2 * half, 2 * half);
    cairo_fill(cr);
}

} // namespace tessarine
