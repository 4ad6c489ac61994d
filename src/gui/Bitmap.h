#pragma once
// An off-screen picture the controls draw from (a knob's film strip, the glyph
// font). Made by code when the editor opens, shared by every control using it
// and released when the last one goes.

#include "gui/Geometry.h"

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace tessarine::gui {

class Bitmap {
public:
    // A transparent ARGB image; invalid when cairo cannot make one.
    Bitmap(int width, int height);
    ~Bitmap();

    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    bool isValid() const;
    int width() const { return width_; }
    int height() const { return height_; }
    cairo_surface_t* surface() const { return surface_; }

    // Runs the painter on a context of the whole image, then flushes it.
    void paint(const std::function<void(cairo_t*)>& painter);

    // Copies the source rectangle of the image to (x, y) of the target.
    void drawPart(cairo_t* cr, const Rect& source, double x, double y) const;

    // Pixel at (x, y) as 0xAARRGGBB; 0 outside the image.
    std::uint32_t pixel(int x, int y) const;

private:
    int width_;
    int height_;
    cairo_surface_t* surface_;
};

} // namespace tessarine::gui
