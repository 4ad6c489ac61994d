#include "gui/X11ImageCopy.h"

#include <X11/Xutil.h>
#include <cairo-xlib.h>

#include <algorithm>
#include <bit>

namespace tessarine::gui {

X11ImageCopy::X11ImageCopy(Display* display, Window window, int width, int height)
    : display_(display), window_(window)
{
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        return;
    }
    visual_ = attributes.visual;
    depth_ = attributes.depth;
    // cairo's RGB24 and ARGB32 pixels are 32-bit words 0x00RRGGBB / 0xAARRGGBB.
    bool direct = visual_ != nullptr && visual_->c_class == TrueColor && visual_->red_mask == 0xff0000
        && visual_->green_mask == 0xff00 && visual_->blue_mask == 0xff && (depth_ == 24 || depth_ == 32);
    if (direct) {
        gc_ = XCreateGC(display, window, 0, nullptr);
    } else {
        surface_ = cairo_xlib_surface_create(display, window, visual_, width, height);
    }
}

X11ImageCopy::~X11ImageCopy()
{
    if (gc_ != nullptr) {
        XFreeGC(display_, gc_);
    }
    if (surface_ != nullptr) {
        cairo_surface_destroy(surface_);
    }
}

void X11ImageCopy::copy(cairo_surface_t* image, const Rect& area)
{
    int width = cairo_image_surface_get_width(image);
    int height = cairo_image_surface_get_height(image);
    Rect r = area.intersection(Rect{0, 0, width, height});
    if (r.isEmpty()) {
        return;
    }
    cairo_surface_flush(image);
    if (gc_ != nullptr) {
        auto* data = reinterpret_cast<char*>(cairo_image_surface_get_data(image));
        XImage* picture = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, data,
                                       static_cast<unsigned>(width), static_cast<unsigned>(height), 32,
                                       cairo_image_surface_get_stride(image));
        if (picture == nullptr) {
            return;
        }
        // The words are in this machine's order; Xlib converts for the server.
        picture->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
        XPutImage(display_, window_, gc_, picture, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.width),
                  static_cast<unsigned>(r.height));
        picture->data = nullptr;  // the pixels stay the image's
        XDestroyImage(picture);
    } else if (surface_ != nullptr) {
        cairo_t* cr = cairo_create(surface_);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_rectangle(cr, r.x, r.y, r.width, r.height);
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface_);
    }
    XFlush(display_);
}

} // namespace tessarine::gui
