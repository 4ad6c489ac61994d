#pragma once
// Copies rectangles of a cairo image (our off-screen buffers) into an X11
// window. On the usual 24-bit true-colour visual the pixels go straight out
// with XPutImage; any other visual goes through a cairo Xlib surface.

#include "gui/Geometry.h"

#include <cairo.h>

// Xlib defines None, Bool and the like as macros: it comes after our headers.
#include <X11/Xlib.h>

namespace tessarine::gui {

class X11ImageCopy {
public:
    X11ImageCopy(Display* display, Window window, int width, int height);
    ~X11ImageCopy();

    X11ImageCopy(const X11ImageCopy&) = delete;
    X11ImageCopy& operator=(const X11ImageCopy&) = delete;

    bool isValid() const { return gc_ != nullptr || surface_ != nullptr; }

    // Copies area (image and window coordinates are the same) and flushes.
    void copy(cairo_surface_t* image, const Rect& area);

private:
    Display* display_;
    Window window_;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    GC gc_ = nullptr;
    cairo_surface_t* surface_ = nullptr;
};

} // namespace tessarine::gui
