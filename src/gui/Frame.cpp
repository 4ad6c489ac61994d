#include "gui/Frame.h"

#include "gui/EventWatcher.h"
#include "gui/MenuPresenter.h"
#include "gui/OptionMenu.h"

#include <algorithm>

namespace tessarine::gui {

Frame::Frame(int width, int height) : Container(Rect{0, 0, width, height})
{
    dirty_ = bounds();
}

Frame::~Frame()
{
    // Children must not reach back into a half-destroyed frame.
    if (menuPresenter_ != nullptr) {
        menuPresenter_->dismiss();
        menuPresenter_ = nullptr;
    }
    mouseOwner_ = nullptr;
    keyFocus_ = nullptr;
    timers_.clear();
}

void Frame::setBackgroundPainter(std::function<void(cairo_t*)> painter)
{
    background_ = std::move(painter);
    invalidateRect(bounds());
}

void Frame::setOverlayPainter(std::function<void(cairo_t*)> painter)
{
    overlay_ = std::move(painter);
    invalidateRect(bounds());
}

void Frame::invalidateRect(const Rect& area)
{
    dirty_ = dirty_.united(area.intersection(bounds()));
}

Rect Frame::takeDirtyArea()
{
    Rect area = dirty_;
    dirty_ = {};
    return area;
}

void Frame::paint(cairo_t* cr, const Rect& area)
{
    Rect clip = area.intersection(bounds());
    if (clip.isEmpty()) {
        return;
    }
    cairo_save(cr);
    cairo_rectangle(cr, clip.x, clip.y, clip.width, clip.height);
    cairo_clip(cr);
    if (background_) {
        background_(cr);
    } else {
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
    }
    drawChildren(cr, clip);
    if (overlay_) {
        overlay_(cr);
    }
    cairo_restore(cr);
}

bool Frame::dispatch(const InputEvent& event)
{
    if (watcher_ == nullptr) {
        return route(event);
    }
    watcher_->beforeEvent(event);
    const bool taken = route(event);
    return watcher_->afterEvent(event, taken) || taken;
}

bool Frame::route(const InputEvent& event)
{
    if (event.kind != EventKind::KeyDown && event.kind != EventKind::KeyUp) {
        lastPointer_ = event.position;
        pointerSeen_ = true;
    }
    switch (event.kind) {
    case EventKind::MouseDown: {
        View* target = hitTest(event.position);
        // A click anywhere else ends text editing.
        if (keyFocus_ != nullptr && target != keyFocus_) {
            setKeyFocus(nullptr);
        }
        if (target == nullptr || target == this) {
            return false;
        }
        if (target->onEvent(event)) {
            mouseOwner_ = target;
            return true;
        }
        return false;
    }
    case EventKind::MouseMove:
        if (mouseOwner_ != nullptr) {
            return mouseOwner_->onEvent(event);
        }
        if (View* target = hitTest(event.position); target != nullptr && target != this) {
            return target->onEvent(event);
        }
        return false;
    case EventKind::MouseUp: {
        View* owner = mouseOwner_;
        mouseOwner_ = nullptr;
        return owner != nullptr && owner->onEvent(event);
    }
    case EventKind::Wheel:
        if (View* target = hitTest(event.position); target != nullptr && target != this) {
            return target->onEvent(event);
        }
        return false;
    case EventKind::KeyDown:
    case EventKind::KeyUp:
        return keyFocus_ != nullptr && keyFocus_->onEvent(event);
    }
    return false;
}

int Frame::startTimer(View* view, int intervalMs, std::int64_t nowMs)
{
    int id = nextTimerId_++;
    int interval = std::max(1, intervalMs);
    timers_.push_back(Timer{id, view, interval, nowMs + interval});
    return id;
}

void Frame::stopTimer(int timerId)
{
    std::erase_if(timers_, [timerId](const Timer& t) { return t.id == timerId; });
}

void Frame::runTimers(std::int64_t nowMs)
{
    // A timer callback may start or stop timers: walk by id, not by iterator.
    std::vector<int> due;
    for (const Timer& t : timers_) {
        if (t.dueMs <= nowMs) {
            due.push_back(t.id);
        }
    }
    for (int id : due) {
        auto it = std::find_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; });
        if (it == timers_.end()) {
            continue;
        }
        // Late idles fire once, not once per missed interval.
        it->dueMs = std::max(it->dueMs + it->intervalMs, nowMs + 1);
        View* view = it->view;
        view->onTimer(id);
    }
}

void Frame::setKeyFocus(View* view)
{
    if (view == keyFocus_) {
        return;
    }
    View* old = keyFocus_;
    keyFocus_ = view;
    if (old != nullptr) {
        old->onFocusChanged(false);
    }
    if (view != nullptr) {
        view->onFocusChanged(true);
    }
}

void Frame::forgetView(View* view)
{
    auto inside = [view](const View* candidate) {
        for (const View* v = candidate; v != nullptr; v = v->parent()) {
            if (v == view) {
                return true;
            }
        }
        return false;
    };
    if (inside(mouseOwner_)) {
        mouseOwner_ = nullptr;
    }
    if (inside(keyFocus_)) {
        keyFocus_ = nullptr;
    }
    std::erase_if(timers_, [&](const Timer& t) { return inside(t.view); });
    if (menuPresenter_ != nullptr && inside(menuPresenter_->activeMenu())) {
        menuPresenter_->dismiss();
    }
}

} // namespace tessarine::gui
