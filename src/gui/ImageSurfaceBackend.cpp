#include "gui/ImageSurfaceBackend.h"

#include <cstring>

namespace tessarine::gui {

ImageSurfaceBackend::ImageSurfaceBackend(Frame& frame) : frame_(frame)
{
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, frame.deviceWidth(), frame.deviceHeight());
}

ImageSurfaceBackend::~ImageSurfaceBackend()
{
    cairo_surface_destroy(surface_);
}

bool ImageSurfaceBackend::isValid() const
{
    return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
}

void ImageSurfaceBackend::paintDirty()
{
    if (!isValid() || !frame_.hasDirtyArea()) {
        return;
    }
    Rect area = frame_.takeDirtyArea();
    cairo_t* cr = cairo_create(surface_);
    frame_.paintDevice(cr, area);
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
}

void ImageSurfaceBackend::paintAll()
{
    frame_.invalidateRect(frame_.bounds());
    paintDirty();
}

int ImageSurfaceBackend::width() const
{
    return cairo_image_surface_get_width(surface_);
}

int ImageSurfaceBackend::height() const
{
    return cairo_image_surface_get_height(surface_);
}

std::uint32_t ImageSurfaceBackend::pixel(int x, int y) const
{
    if (!isValid() || x < 0 || y < 0 || x >= width() || y >= height()) {
        return 0;
    }
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    int stride = cairo_image_surface_get_stride(surface_);
    std::uint32_t value;
    std::memcpy(&value, data + static_cast<std::ptrdiff_t>(y) * stride + x * 4, sizeof(value));
    return value;
}

bool ImageSurfaceBackend::copyRgba(std::uint8_t* buffer, std::size_t bufferSize) const
{
    if (!isValid() || buffer == nullptr) {
        return false;
    }
    std::size_t w = static_cast<std::size_t>(width());
    std::size_t h = static_cast<std::size_t>(height());
    if (bufferSize < w * h * 4) {
        return false;
    }
    for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 0; x < w; ++x) {
            std::uint32_t argb = pixel(static_cast<int>(x), static_cast<int>(y));
            unsigned alpha = argb >> 24;
            auto straight = [alpha](unsigned premultiplied) {
                return static_cast<std::uint8_t>(alpha == 0 ? 0 : (premultiplied * 255 + alpha / 2) / alpha);
            };
            std::uint8_t* out = buffer + (y * w + x) * 4;
            out[0] = straight((argb >> 16) & 0xff);
            out[1] = straight((argb >> 8) & 0xff);
            out[2] = straight(argb & 0xff);
            out[3] = static_cast<std::uint8_t>(alpha);
        }
    }
    return true;
}

bool ImageSurfaceBackend::writePng(const std::string& path) const
{
    return isValid() && cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

} // namespace tessarine::gui
