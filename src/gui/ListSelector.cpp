#include "gui/ListSelector.h"

#include "gui/Frame.h"
#include "gui/Theme.h"

#include <algorithm>
#include <cmath>

namespace tessarine::gui {

namespace {

const std::string kNoText;

} // namespace

ListSelector::ListSelector(Rect bounds, int tag, ControlListener* listener, int entries,
                           std::shared_ptr<const GlyphFont> font)
    : Control(bounds, tag, listener), texts_(static_cast<std::size_t>(std::max(0, entries))), font_(std::move(font))
{
}

ListSelector::~ListSelector() = default;

void ListSelector::setEntry(int entry, std::string_view text)
{
    if (entry < 0 || entry >= entryCount()) {
        return;
    }
    texts_[static_cast<std::size_t>(entry)] = std::string(text.substr(0, kMaxTextLength));
    if (entry == shownEntry()) {
        invalidate();
    }
}

const std::string& ListSelector::entryText(int entry) const
{
    return entry >= 0 && entry < entryCount() ? texts_[static_cast<std::size_t>(entry)] : kNoText;
}

int ListSelector::entryOf(float value, int entries)
{
    if (entries <= 0 || !std::isfinite(value) || value <= 0) {
        return 0;
    }
    double entry = std::floor(static_cast<double>(value) * entries + 0.001);
    return entry >= entries - 1 ? entries - 1 : static_cast<int>(entry);
}

float ListSelector::valueOf(int entry, int entries)
{
    return entries > 0 ? static_cast<float>(entry) / static_cast<float>(entries) : 0.0f;
}

Rect ListSelector::textArea() const
{
    const Rect& b = bounds();
    return Rect{b.x, b.y, std::max(0, b.width - kArrowWidth), b.height};
}

Rect ListSelector::arrowArea() const
{
    const Rect& b = bounds();
    int w = std::min(kArrowWidth, b.width);
    return Rect{b.right() - w, b.y, w, b.height};
}

void ListSelector::moveTo(float value)
{
    float before = this->value();
    setValue(value);
    if (this->value() != before) {
        report();
    }
}

void ListSelector::step(int direction)
{
    int entries = entryCount();
    if (entries == 0) {
        return;
    }
    int target = std::clamp(shownEntry() + direction, 0, entries - 1);
    moveTo(valueOf(target, entries));
}

void ListSelector::stopRepeat()
{
    if (timerId_ != 0) {
        if (Frame* f = frame()) {
            f->stopTimer(timerId_);
        }
        timerId_ = 0;
    }
}

bool ListSelector::onEvent(const InputEvent& event)
{
    switch (event.kind) {
    case EventKind::MouseDown:
        if (event.button != MouseButton::Left) {
            return false;
        }
        stopRepeat();
        if (arrowArea().contains(event.position)) {
            gesture_ = Gesture::Arrow;
            const Rect a = arrowArea();
            direction_ = event.position.y < a.y + a.height / 2.0 ? 1 : -1;
            step(direction_);
            if (Frame* f = frame()) {
                timerId_ = f->startTimer(this, kRepeatMs, event.timeMs);
            }
        } else {
            gesture_ = Gesture::Drag;
            valueAtPress_ = value();
            yAtPress_ = event.position.y;
        }
        return true;
    case EventKind::MouseMove:
        if (gesture_ == Gesture::Drag && entryCount() > 0) {
            moveTo(valueAtPress_
                   - static_cast<float>((event.position.y - yAtPress_) / entryCount() * kDragPerEntry));
        }
        return gesture_ != Gesture::None;
    case EventKind::MouseUp:
        stopRepeat();
        gesture_ = Gesture::None;
        return true;
    case EventKind::Wheel:
        if (event.wheel != 0) {
            step(event.wheel > 0 ? 1 : -1);
        }
        return true;
    default:
        return false;
    }
}

void ListSelector::onTimer(int timerId)
{
    if (timerId == timerId_ && gesture_ == Gesture::Arrow) {
        step(direction_);
    }
}

void ListSelector::draw(cairo_t* cr)
{
    const Rect t = textArea();
    const Rect a = arrowArea();
    drawWell(cr, bounds());

    const std::string& text = entryText(shownEntry());
    if (font_) {
        int inner = std::max(0, t.width - 4);
        int shown = font_->fittingGlyphs(text, inner);
        double x = t.x + 2 + (inner - shown * font_->glyphWidth()) / 2;
        double y = t.y + (t.height - font_->glyphHeight()) / 2;
        font_->draw(cr, text, std::floor(x), std::floor(y), inner);
    }

    // Two small triangles, up over down, on a slightly raised strip.
    cairo_save(cr);
    cairo_rectangle(cr, a.x + 0.5, a.y + 1.5, a.width - 2, a.height - 3);
    setColour(cr, palette::kControl);
    cairo_fill(cr);
    double cx = a.x + a.width / 2.0 - 0.5;
    double mid = a.y + a.height / 2.0;
    double h = std::min(3.0, a.height / 4.0);
    setColour(cr, palette::kText);
    cairo_move_to(cr, cx - 3, mid - 1.5);
    cairo_line_to(cr, cx + 3, mid - 1.5);
    cairo_line_to(cr, cx, mid - 1.5 - h);
    cairo_close_path(cr);
    cairo_move_to(cr, cx - 3, mid + 1.5);
    cairo_line_to(cr, cx + 3, mid + 1.5);
    cairo_line_to(cr, cx, mid + 1.5 + h);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_restore(cr);
}

} // namespace tessarine::gui
