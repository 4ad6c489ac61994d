#include "gui/Container.h"

#include "gui/Frame.h"

#include <algorithm>

namespace tessarine::gui {

void Container::adopt(std::unique_ptr<View> child)
{
    if (!child) {
        return;
    }
    child->parent_ = this;
    children_.push_back(std::move(child));
    children_.back()->invalidate();
}

std::unique_ptr<View> Container::release(View* child)
{
    auto it = std::find_if(children_.begin(), children_.end(),
                           [child](const std::unique_ptr<View>& v) { return v.get() == child; });
    if (it == children_.end()) {
        return nullptr;
    }
    if (Frame* f = frame()) {
        f->forgetView(child);
        f->invalidateRect(child->bounds());
    }
    std::unique_ptr<View> owned = std::move(*it);
    children_.erase(it);
    owned->parent_ = nullptr;
    return owned;
}

void Container::clear()
{
    while (!children_.empty()) {
        release(children_.back().get());
    }
}

void Container::draw(cairo_t*) {}

void Container::drawChildren(cairo_t* cr, const Rect& clip)
{
    for (const auto& child : children_) {
        if (!child->bounds().intersects(clip)) {
            continue;
        }
        cairo_save(cr);
        const Rect& b = child->bounds();
        cairo_rectangle(cr, b.x, b.y, b.width, b.height);
        cairo_clip(cr);
        if (auto* inner = dynamic_cast<Container*>(child.get())) {
            inner->draw(cr);
            inner->drawChildren(cr, clip.intersection(b));
        } else {
            child->draw(cr);
        }
        cairo_restore(cr);
    }
}

View* Container::hitTest(Point p)
{
    if (!bounds().contains(p)) {
        return nullptr;
    }
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        if (View* hit = (*it)->hitTest(p)) {
            return hit;
        }
    }
    return this;
}

} // namespace tessarine::gui
