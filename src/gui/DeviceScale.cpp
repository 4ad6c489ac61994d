#include "gui/DeviceScale.h"

#include <cmath>

namespace tessarine::gui {

namespace {

// Products like 550 × 1.1 land a hair above a whole number: not a pixel more.
constexpr double kSlack = 1e-6;

int floorOf(double v) { return static_cast<int>(std::floor(v + kSlack)); }
int ceilOf(double v) { return static_cast<int>(std::ceil(v - kSlack)); }

} // namespace

double clampScale(double scale)
{
    if (!std::isfinite(scale)) {
        return kMinScale;
    }
    return scale < kMinScale ? kMinScale : (scale > kMaxScale ? kMaxScale : scale);
}

int deviceLength(int logical, double scale) { return ceilOf(logical * scale); }

Rect toDevice(const Rect& logical, double scale)
{
    if (logical.isEmpty()) {
        return {};
    }
    const int left = floorOf(logical.x * scale);
    const int top = floorOf(logical.y * scale);
    return {left, top, ceilOf(logical.right() * scale) - left, ceilOf(logical.bottom() * scale) - top};
}

Rect toLogical(const Rect& device, double scale)
{
    if (device.isEmpty()) {
        return {};
    }
    const int left = floorOf(device.x / scale);
    const int top = floorOf(device.y / scale);
    return {left, top, ceilOf(device.right() / scale) - left, ceilOf(device.bottom() / scale) - top};
}

double deviceScaleOf(cairo_t* cr)
{
    double dx = 1;
    double dy = 0;
    cairo_user_to_device_distance(cr, &dx, &dy);
    return std::hypot(dx, dy);
}

} // namespace tessarine::gui
