#pragma once
// Pixel geometry of the toolkit. Every view's rectangle is in frame
// coordinates (the editor's 800 × 550 window), so hit tests and drawing need
// no transforms and positions read the same as the control map.

#include <algorithm>

namespace tessarine::gui {

struct Point {
    double x = 0;
    double y = 0;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool isEmpty() const { return width <= 0 || height <= 0; }

    bool contains(Point p) const
    {
        return p.x >= x && p.y >= y && p.x < right() && p.y < bottom();
    }

    bool intersects(const Rect& other) const
    {
        return !isEmpty() && !other.isEmpty() && other.x < right() && x < other.right()
            && other.y < bottom() && y < other.bottom();
    }

    Rect intersection(const Rect& other) const
    {
        int left = std::max(x, other.x);
        int top = std::max(y, other.y);
        int r = std::min(right(), other.right());
        int b = std::min(bottom(), other.bottom());
        if (r <= left || b <= top) {
            return {};
        }
        return {left, top, r - left, b - top};
    }

    // The smallest rectangle holding both; an empty side is ignored.
    Rect united(const Rect& other) const
    {
        if (isEmpty()) {
            return other;
        }
        if (other.isEmpty()) {
            return *this;
        }
        int left = std::min(x, other.x);
        int top = std::min(y, other.y);
        return {left, top, std::max(right(), other.right()) - left, std::max(bottom(), other.bottom()) - top};
    }

    bool operator==(const Rect&) const = default;
};

} // namespace tessarine::gui
