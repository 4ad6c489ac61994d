#pragma once
// A view that owns child views and draws them in order, the last on top.
// Pages of the editor are containers attached to and detached from the frame.

#include "gui/View.h"

#include <memory>
#include <vector>

namespace tessarine::gui {

class Container : public View {
public:
    explicit Container(Rect bounds) : View(bounds) {}

    // Takes ownership; returns the child for the caller to keep as a plain pointer.
    template <typename T>
    T* add(std::unique_ptr<T> child)
    {
        T* raw = child.get();
        adopt(std::move(child));
        return raw;
    }

    // Hands a child back to the caller (a page leaving the frame); null if not a child.
    std::unique_ptr<View> release(View* child);
    void clear();

    const std::vector<std::unique_ptr<View>>& children() const { return children_; }

    // The container's own background, under its children; nothing by default.
    void draw(cairo_t* cr) override;
    View* hitTest(Point p) override;

    // Draws the children that meet the clip; the frame passes the dirty rectangle.
    void drawChildren(cairo_t* cr, const Rect& clip);

private:
    void adopt(std::unique_ptr<View> child);

    std::vector<std::unique_ptr<View>> children_;
};

} // namespace tessarine::gui
