#include "gui/View.h"

#include "gui/Container.h"
#include "gui/Frame.h"

namespace tessarine::gui {

View::View(Rect bounds) : bounds_(bounds) {}

void View::setBounds(Rect bounds)
{
    invalidate();
    bounds_ = bounds;
    invalidate();
}

Frame* View::frame() const
{
    const View* view = this;
    while (view->parent_ != nullptr) {
        view = view->parent_;
    }
    return const_cast<Frame*>(dynamic_cast<const Frame*>(view));
}

void View::invalidate()
{
    if (Frame* f = frame()) {
        f->invalidateRect(bounds_);
    }
}

void View::draw(cairo_t*) {}

bool View::onEvent(const InputEvent&)
{
    return false;
}

View* View::hitTest(Point p)
{
    return bounds_.contains(p) ? this : nullptr;
}

} // namespace tessarine::gui
