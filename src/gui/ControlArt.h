#pragma once
// The pictures drawn by code when the editor opens, in place of painted
// bitmaps: the knob's film strip. Everything uses the panel's palette.

#include "gui/Bitmap.h"

#include <memory>

namespace tessarine::gui {

namespace knobstrip {
inline constexpr int kFrames = 100;
inline constexpr int kRows = 16;
inline constexpr int kSide = 35;
// 7 columns × 16 rows of 35-pixel frames: 245 × 560.
inline constexpr int kColumns = (kFrames + kRows - 1) / kRows;
} // namespace knobstrip

// A film strip of knobFrames frames of a knob with the given side; frame f
// lies at column f / 16, row f mod 16 and shows the value f / 99.
std::shared_ptr<const Bitmap> makeKnobStrip(int side = knobstrip::kSide);

// Draws one knob at value 0 … 1 into the square at (x, y).
void drawKnob(cairo_t* cr, double x, double y, double side, double value);

} // namespace tessarine::gui
