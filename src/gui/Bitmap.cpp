#include "gui/Bitmap.h"

#include <cstdint>
#include <cstring>

namespace tessarine::gui {

Bitmap::Bitmap(int width, int height)
    : width_(width), height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width > 0 ? width : 0, height > 0 ? height : 0))
{
}

Bitmap::~Bitmap()
{
    cairo_surface_destroy(surface_);
}

bool Bitmap::isValid() const
{
    return width_ > 0 && height_ > 0 && cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
}

void Bitmap::paint(const std::function<void(cairo_t*)>& painter)
{
    if (!isValid()) {
        return;
    }
    cairo_t* cr = cairo_create(surface_);
    painter(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
}

void Bitmap::drawPart(cairo_t* cr, const Rect& source, double x, double y) const
{
    if (!isValid() || source.isEmpty()) {
        return;
    }
    cairo_save(cr);
    cairo_rectangle(cr, x, y, source.width, source.height);
    cairo_clip(cr);
    cairo_set_source_surface(cr, surface_, x - source.x, y - source.y);
    cairo_paint(cr);
    cairo_restore(cr);
}

std::uint32_t Bitmap::pixel(int x, int y) const
{
    if (!isValid() || x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    int stride = cairo_image_surface_get_stride(surface_);
    std::uint32_t value;
    std::memcpy(&value, data + static_cast<std::ptrdiff_t>(y) * stride + x * 4, sizeof(value));
    return value;
}

} // namespace tessarine::gui
