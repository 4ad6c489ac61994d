#pragma once
// Draws a frame into memory instead of a window: headless tests, snapshots of
// the editor's pages, and any host that asks for pixels rather than a window.

#include "gui/Frame.h"

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessarine::gui {

class ImageSurfaceBackend {
public:
    // The image has the frame's device size (its scale at construction).
    explicit ImageSurfaceBackend(Frame& frame);
    ~ImageSurfaceBackend();

    ImageSurfaceBackend(const ImageSurfaceBackend&) = delete;
    ImageSurfaceBackend& operator=(const ImageSurfaceBackend&) = delete;

    bool isValid() const;

    // Repaints what the frame marked dirty since the last paint.
    void paintDirty();
    // Repaints the whole frame.
    void paintAll();

    int width() const;
    int height() const;
    cairo_surface_t* surface() const { return surface_; }

    // Pixel at (x, y) as 0xAARRGGBB; 0 outside the image.
    std::uint32_t pixel(int x, int y) const;

    // Copies the image as straight RGBA bytes, rows top to bottom; false when
    // the buffer cannot hold width × height × 4 bytes.
    bool copyRgba(std::uint8_t* buffer, std::size_t bufferSize) const;

    bool writePng(const std::string& path) const;

private:
    Frame& frame_;
    cairo_surface_t* surface_ = nullptr;
};

} // namespace tessarine::gui
