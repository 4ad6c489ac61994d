#pragma once
// The small drawing vocabulary the custom views share: one palette, text at a
// point, and the plot frame with its grid, so every view reads alike.

#include "gui/Geometry.h"

#include <cairo.h>

namespace tessarine {

struct Colour {
    double r, g, b, a = 1.0;
};

namespace palette {
inline constexpr Colour kPlotBackground{0.08, 0.10, 0.12};
inline constexpr Colour kGrid{0.22, 0.26, 0.30};
inline constexpr Colour kGridText{0.55, 0.60, 0.66};
inline constexpr Colour kCurve{0.35, 0.85, 0.55};
inline constexpr Colour kHandle{0.95, 0.95, 0.90};
inline constexpr Colour kSelected{1.00, 0.70, 0.20};
inline constexpr Colour kLoopShade{0.30, 0.45, 0.90, 0.22};
inline constexpr Colour kMarker{0.45, 0.65, 1.00};
inline constexpr Colour kReadout{0.95, 0.95, 0.90};
inline constexpr Colour kStrip{0.14, 0.16, 0.19};
inline constexpr Colour kHarmonic{0.95, 0.55, 0.25};
inline constexpr Colour kNoise{0.40, 0.75, 1.00};
inline constexpr Colour kAmplitude{0.85, 0.45, 0.95};
} // namespace palette

void setColour(cairo_t* cr, const Colour& colour);
void fillRect(cairo_t* cr, const gui::Rect& rect, const Colour& colour);
void strokeRect(cairo_t* cr, const gui::Rect& rect, const Colour& colour);
// Text with its baseline at y; size in pixels.
void drawText(cairo_t* cr, double x, double y, const char* text, double size, const Colour& colour);
double textWidth(cairo_t* cr, const char* text, double size);
// A square point handle centred on p.
void drawHandle(cairo_t* cr, gui::Point p, double half, const Colour& colour);

} // namespace tessarine
