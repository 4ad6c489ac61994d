#pragma once
// The factor between the frame's logical pixels (the editor's 800 × 550
// layout, in which every view, hit area and event position is given) and the
// pixels of the window or picture it is drawn into. Drawing takes the factor
// as a cairo scale, so outlines and text stay sharp at any size; only the
// back-ends and the pop-up windows deal in device pixels.

#include "gui/Geometry.h"

#include <cairo.h>

namespace tessarine::gui {

inline constexpr double kMinScale = 1.0;
inline constexpr double kMaxScale = 3.0;

// The factor held to kMinScale … kMaxScale; anything not a number is 1.
double clampScale(double scale);

// Device pixels needed for a logical length: whole pixels, rounded up.
int deviceLength(int logical, double scale);

// The device pixels covering a logical area, and the logical area covering
// device pixels; both round outward, so a repaint never leaves a seam.
Rect toDevice(const Rect& logical, double scale);
Rect toLogical(const Rect& device, double scale);

// The factor a context draws at now (its transformation's horizontal scale).
double deviceScaleOf(cairo_t* cr);

} // namespace tessarine::gui
