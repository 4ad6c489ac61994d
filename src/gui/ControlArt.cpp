#include "gui/ControlArt.h"

#include "gui/Theme.h"

#include <cmath>

namespace tessarine::gui {

namespace {

// The knob turns through 270 degrees, from lower left to lower right.
constexpr double kStartAngle = 0.75 * M_PI;
constexpr double kSweep = 1.5 * M_PI;

} // namespace

namespace {

struct KnobGeometry {
    double cx;
    double cy;
    double trackRadius;
    double bodyRadius;
};

KnobGeometry geometryOf(double x, double y, double side)
{
    return {x + side / 2, y + side / 2, side / 2 - 2.5, side / 2 - 6.5};
}

// What every frame shares: the empty track and the body.
void drawKnobBase(cairo_t* cr, const KnobGeometry& k)
{
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 3);
    setColour(cr, palette::kWell);
    cairo_arc(cr, k.cx, k.cy, k.trackRadius, kStartAngle, kStartAngle + kSweep);
    cairo_stroke(cr);

    // A soft vertical gradient with a thin rim.
    cairo_pattern_t* body = cairo_pattern_create_linear(0, k.cy - k.bodyRadius, 0, k.cy + k.bodyRadius);
    cairo_pattern_add_color_stop_rgb(body, 0, palette::kControlLight.r, palette::kControlLight.g,
                                     palette::kControlLight.b);
    cairo_pattern_add_color_stop_rgb(body, 1, palette::kControlPressed.r, palette::kControlPressed.g,
                                     palette::kControlPressed.b);
    cairo_arc(cr, k.cx, k.cy, k.bodyRadius, 0, 2 * M_PI);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    setColour(cr, palette::kWell);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// What tells the value: the lit arc over the track and the pointer.
void drawKnobValue(cairo_t* cr, const KnobGeometry& k, double value)
{
    double angle = kStartAngle + kSweep * value;
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    if (value > 0.001) {
        cairo_set_line_width(cr, 3);
        setColour(cr, palette::kAccent);
        cairo_arc(cr, k.cx, k.cy, k.trackRadius, kStartAngle, angle);
        cairo_stroke(cr);
    }
    cairo_set_line_width(cr, 2);
    setColour(cr, palette::kText);
    double c = std::cos(angle);
    double s = std::sin(angle);
    cairo_move_to(cr, k.cx + c * k.bodyRadius * 0.3, k.cy + s * k.bodyRadius * 0.3);
    cairo_line_to(cr, k.cx + c * (k.bodyRadius - 1.5), k.cy + s * (k.bodyRadius - 1.5));
    cairo_stroke(cr);
    cairo_restore(cr);
}

} // namespace

void drawKnob(cairo_t* cr, double x, double y, double side, double value)
{
    KnobGeometry k = geometryOf(x, y, side);
    drawKnobBase(cr, k);
    drawKnobValue(cr, k, value);
}

std::shared_ptr<const Bitmap> makeKnobStrip(int side)
{
    auto strip = std::make_shared<Bitmap>(knobstrip::kColumns * side, knobstrip::kRows * side);
    // The shared part is drawn once and stamped into every frame: opening the
    // editor stays quick.
    Bitmap base(side, side);
    base.paint([side](cairo_t* cr) { drawKnobBase(cr, geometryOf(0, 0, side)); });
    strip->paint([side, &base](cairo_t* cr) {
        for (int f = 0; f < knobstrip::kFrames; ++f) {
            double x = (f / knobstrip::kRows) * side;
            double y = (f % knobstrip::kRows) * side;
            cairo_set_source_surface(cr, base.surface(), x, y);
            cairo_paint(cr);
            drawKnobValue(cr, geometryOf(x, y, side), f / double(knobstrip::kFrames - 1));
        }
    });
    return strip;
}

} // namespace tessarine::gui
