#include "gui/ControlArt.h"

#include "gui/Theme.h"

#include <cmath>

namespace tessarine::gui {

namespace {

// The knob turns through 270 degrees, from lower left to lower right.
constexpr double kStartAngle = 0.75 * M_PI;
constexpr double kSweep = 1.5 * M_PI;

} // namespace

void drawKnob(cairo_t* cr, double x, double y, double side, double value)
{
    double cx = x + side / 2;
    double cy = y + side / 2;
    double trackRadius = side / 2 - 2.5;
    double bodyRadius = side / 2 - 6.5;
    double angle = kStartAngle + kSweep * value;

    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);

    // The track, then the value arc over it.
    cairo_set_line_width(cr, 3);
    setColour(cr, palette::kWell);
    cairo_arc(cr, cx, cy, trackRadius, kStartAngle, kStartAngle + kSweep);
    cairo_stroke(cr);
    if (value > 0.001) {
        setColour(cr, palette::kAccent);
        cairo_arc(cr, cx, cy, trackRadius, kStartAngle, angle);
        cairo_stroke(cr);
    }

    // The body: a soft vertical gradient with a thin rim.
    cairo_pattern_t* body = cairo_pattern_create_linear(0, cy - bodyRadius, 0, cy + bodyRadius);
    cairo_pattern_add_color_stop_rgb(body, 0, palette::kControlLight.r, palette::kControlLight.g,
                                     palette::kControlLight.b);
    cairo_pattern_add_color_stop_rgb(body, 1, palette::kControlPressed.r, palette::kControlPressed.g,
                                     palette::kControlPressed.b);
    cairo_arc(cr, cx, cy, bodyRadius, 0, 2 * M_PI);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    setColour(cr, palette::kWell);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    // The pointer from near the centre to the rim.
    cairo_set_line_width(cr, 2);
    setColour(cr, palette::kText);
    cairo_move_to(cr, cx + std::cos(angle) * bodyRadius * 0.3, cy + std::sin(angle) * bodyRadius * 0.3);
    cairo_line_to(cr, cx + std::cos(angle) * (bodyRadius - 1.5), cy + std::sin(angle) * (bodyRadius - 1.5));
    cairo_stroke(cr);
    cairo_restore(cr);
}

std::shared_ptr<const Bitmap> makeKnobStrip(int side)
{
    auto strip = std::make_shared<Bitmap>(knobstrip::kColumns * side, knobstrip::kRows * side);
    strip->paint([side](cairo_t* cr) {
        for (int f = 0; f < knobstrip::kFrames; ++f) {
            double x = (f / knobstrip::kRows) * side;
            double y = (f % knobstrip::kRows) * side;
            drawKnob(cr, x, y, side, f / double(knobstrip::kFrames - 1));
        }
    });
    return strip;
}

} // namespace tessarine::gui
