#pragma once
// The editor's background, drawn by code: the top bar with the instrument's
// name, the plates under each page's groups of controls with their titles,
// and every control's label, so that no picture has to carry text.

#include <cairo.h>

namespace tessarine {

// Paints the whole 800 × 550 background for page (0..7) in frame coordinates.
void paintEditorBackground(cairo_t* cr, int page);

} // namespace tessarine
