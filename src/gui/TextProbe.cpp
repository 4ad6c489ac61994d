#include "gui/TextProbe.h"

#include <atomic>
#include <cmath>
#include <string>

namespace tessarine::gui {

namespace {

std::atomic<TextProbe*> installed{nullptr};

// The caller's box cut to what the clip lets through.
Rect fittingBox(cairo_t* cr, const Rect* box)
{
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
    const int left = static_cast<int>(std::floor(x0));
    const int top = static_cast<int>(std::floor(y0));
    const Rect clip{left, top, static_cast<int>(std::ceil(x1)) - left, static_cast<int>(std::ceil(y1)) - top};
    return box != nullptr ? clip.intersection(*box) : clip;
}

} // namespace

void setTextProbe(TextProbe* probe) { installed.store(probe, std::memory_order_release); }

void reportDrawnText(cairo_t* cr, std::string_view text, std::string_view shown, const Rect* box)
{
    TextProbe* probe = installed.load(std::memory_order_acquire);
    if (probe == nullptr || shown.empty()) {
        return;
    }
    double x = 0;
    double y = 0;
    cairo_get_current_point(cr, &x, &y);
    const std::string owned(shown);
    cairo_text_extents_t ink;
    cairo_text_extents(cr, owned.c_str(), &ink);
    DrawnText drawn{text, shown, x + ink.x_bearing, y + ink.y_bearing, x + ink.x_bearing + ink.width,
                    y + ink.y_bearing + ink.height, fittingBox(cr, box)};
    probe->textDrawn(drawn);
}

void reportDrawnText(cairo_t* cr, std::string_view text, std::string_view shown, const Rect& ink, const Rect* box)
{
    TextProbe* probe = installed.load(std::memory_order_acquire);
    if (probe == nullptr || shown.empty()) {
        return;
    }
    DrawnText drawn{text,
                    shown,
                    static_cast<double>(ink.x),
                    static_cast<double>(ink.y),
                    static_cast<double>(ink.right()),
                    static_cast<double>(ink.bottom()),
                    fittingBox(cr, box)};
    probe->textDrawn(drawn);
}

} // namespace tessarine::gui
