#include "gui/Frame.h"

#include "gui/Control.h"
#include "gui/DeviceScale.h"
#include "gui/EventWatcher.h"
#include "gui/GestureListener.h"
#include "gui/MenuPresenter.h"
#include "gui/OptionMenu.h"
#include "gui/Theme.h"

#include <algorithm>
#include <cmath>
#include <string_view>

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
    gestures_ = nullptr;
    timers_.clear();
}

void Frame::setScale(double scale)
{
    scale = clampScale(scale);
    if (scale != scale_) {
        scale_ = scale;
        invalidateRect(bounds());
    }
}

int Frame::deviceWidth() const { return deviceLength(bounds().width, scale_); }

int Frame::deviceHeight() const { return deviceLength(bounds().height, scale_); }

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

Rect Frame::paintDevice(cairo_t* cr, const Rect& area)
{
    const Rect device = toDevice(area.intersection(bounds()), scale_)
                            .intersection(Rect{0, 0, deviceWidth(), deviceHeight()});
    if (device.isEmpty()) {
        return {};
    }
    cairo_save(cr);
    // Clipped in whole device pixels: edges of a fractional scale are painted
    // once, fully, never blended over what the last paint left.
    cairo_rectangle(cr, device.x, device.y, device.width, device.height);
    cairo_clip(cr);
    cairo_scale(cr, scale_, scale_);
    paint(cr, toLogical(device, scale_));
    cairo_restore(cr);
    return device;
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
    if (gestures_ != nullptr) {
        gestures_->paintOver(cr);
    }
    paintTooltip(cr);
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
        // A press hides the tip, and none comes back until the pointer moves on.
        hideTooltip();
        hoverSinceMs_ = -1;
        View* target = hitTest(event.position);
        // A click anywhere else ends text editing.
        if (keyFocus_ != nullptr && target != keyFocus_) {
            setKeyFocus(nullptr);
        }
        if (target == nullptr || target == this) {
            return false;
        }
        if (pressGesture(target, event)) {
            pressTaken_ = true;
            return true;
        }
        if (target->onEvent(event)) {
            mouseOwner_ = target;
            return true;
        }
        return false;
    }
    case EventKind::MouseMove:
        if (doubleClick_ != nullptr
            && std::hypot(event.position.x - lastPressAt_.x, event.position.y - lastPressAt_.y)
                > kDoubleClickDistance) {
            doubleClick_ = nullptr;
        }
        if (mouseOwner_ != nullptr) {
            return mouseOwner_->onEvent(event);
        }
    {
        View* target = hitTest(event.position);
        if (target != hovered_) {
            hideTooltip();
            hovered_ = target;
            hoverSinceMs_ = event.timeMs;
            hoverAt_ = event.position;
        } else if (hoverSinceMs_ < 0) {
            hoverSinceMs_ = event.timeMs;
            hoverAt_ = event.position;
        }
        return target != nullptr && target != this && target->onEvent(event);
    }
    case EventKind::MouseUp: {
        if (pressTaken_) {
            pressTaken_ = false;
            return true;
        }
        View* owner = mouseOwner_;
        mouseOwner_ = nullptr;
        const bool taken = owner != nullptr && owner->onEvent(event);
        View* clicked = doubleClick_;
        doubleClick_ = nullptr;
        if (clicked != nullptr && clicked == owner && gestures_ != nullptr) {
            gestures_->controlDoubleClicked(*static_cast<Control*>(clicked));
        }
        return taken;
    }
    case EventKind::Wheel:
        hideTooltip();
        if (View* target = hitTest(event.position); target != nullptr && target != this) {
            return target->onEvent(event);
        }
        return false;
    case EventKind::KeyDown:
    case EventKind::KeyUp:
        if (keyFocus_ == nullptr) {
            return false;
        }
        if (keyFocus_->onEvent(event)) {
            return true;
        }
        if (auto* control = dynamic_cast<Control*>(keyFocus_);
            control != nullptr && gestures_ != nullptr && event.kind == EventKind::KeyDown) {
            return gestures_->controlKey(*control, event);
        }
        return false;
    }
    return false;
}

bool Frame::pressGesture(View* target, const InputEvent& event)
{
    auto* control = dynamic_cast<Control*>(target);
    doubleClick_ = nullptr;
    if (gestures_ == nullptr || control == nullptr) {
        return false;
    }
    const bool second = event.button == MouseButton::Left && lastPressView_ == target && lastPressMs_ >= 0
        && event.timeMs - lastPressMs_ <= kDoubleClickMs
        && std::hypot(event.position.x - lastPressAt_.x, event.position.y - lastPressAt_.y) <= kDoubleClickDistance;
    // A third press starts a new pair rather than making a second double click.
    lastPressView_ = event.button == MouseButton::Left && !second ? target : nullptr;
    lastPressAt_ = event.position;
    lastPressMs_ = event.timeMs;
    if (gestures_->controlPressed(*control, event)) {
        return true;
    }
    doubleClick_ = second ? target : nullptr;
    return false;
}

void Frame::hideTooltip()
{
    if (!tooltip_.empty()) {
        invalidateRect(tooltipArea_);
        tooltip_.clear();
        tooltipArea_ = {};
    }
}

void Frame::pointerLeft()
{
    hideTooltip();
    hovered_ = nullptr;
}

namespace {

constexpr double kTipSize = textsize::kLabel;
constexpr int kTipLine = 14;
constexpr int kTipPadding = 6;

template <typename Fn>
void forEachLine(std::string_view text, Fn&& fn)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        fn(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

} // namespace

void Frame::showTooltip()
{
    std::string text = gestures_->tooltip(*hovered_);
    if (text.empty()) {
        hoverSinceMs_ = -1;
        return;
    }
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    double widest = 0;
    int lines = 0;
    forEachLine(text, [&](std::string_view line) {
        widest = std::max(widest, textWidth(cr, line, kTipSize, lines == 0));
        ++lines;
    });
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
    const int width = std::min(bounds().width, static_cast<int>(std::ceil(widest)) + 2 * kTipPadding + 4);
    const int height = lines * kTipLine + 2 * kTipPadding - 2;
    // Below and right of the pointer, moved inside the window where it would leave it.
    int x = static_cast<int>(hoverAt_.x) + 12;
    int y = static_cast<int>(hoverAt_.y) + 18;
    if (x + width > bounds().right()) {
        x = std::max(0, bounds().right() - width);
    }
    if (y + height > bounds().bottom()) {
        y = std::max(0, static_cast<int>(hoverAt_.y) - 6 - height);
    }
    tooltip_ = std::move(text);
    tooltipArea_ = Rect{x, y, width, height};
    invalidateRect(tooltipArea_);
}

void Frame::paintTooltip(cairo_t* cr)
{
    if (tooltip_.empty()) {
        return;
    }
    const Rect& a = tooltipArea_;
    cairo_save(cr);
    roundedRectangle(cr, a.x + 0.5, a.y + 0.5, a.width - 1, a.height - 1, 3);
    setColour(cr, palette::kTopBar);
    cairo_fill_preserve(cr);
    setColour(cr, palette::kControlLight);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
    int line = 0;
    forEachLine(tooltip_, [&](std::string_view text) {
        const Rect box{a.x + kTipPadding, a.y + kTipPadding - 2 + line * kTipLine, a.width - 2 * kTipPadding, kTipLine};
        drawText(cr, text, box, kTipSize, Align::Left, line == 0 ? palette::kTitle : palette::kText, line == 0);
        ++line;
    });
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
    if (gestures_ != nullptr && hovered_ != nullptr && hovered_ != this && tooltip_.empty() && hoverSinceMs_ >= 0
        && mouseOwner_ == nullptr && nowMs - hoverSinceMs_ >= kTooltipDelayMs) {
        showTooltip();
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
    if (inside(hovered_)) {
        hovered_ = nullptr;
        hideTooltip();
    }
    if (inside(lastPressView_)) {
        lastPressView_ = nullptr;
    }
    if (inside(doubleClick_)) {
        doubleClick_ = nullptr;
    }
    std::erase_if(timers_, [&](const Timer& t) { return inside(t.view); });
    if (menuPresenter_ != nullptr && inside(menuPresenter_->activeMenu())) {
        menuPresenter_->dismiss();
    }
}

} // namespace tessarine::gui
