#include "gui/MarkedList.h"

#include "gui/Frame.h"
#include "gui/Theme.h"

#include <algorithm>
#include <cmath>

namespace tessarine::gui {

namespace {

constexpr int kDetailWidth = 170;

void starPath(cairo_t* cr, double cx, double cy, double radius)
{
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 == 0 ? radius : radius * 0.45;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        if (i == 0) {
            cairo_move_to(cr, cx + r * std::cos(angle), cy + r * std::sin(angle));
        } else {
            cairo_line_to(cr, cx + r * std::cos(angle), cy + r * std::sin(angle));
        }
    }
    cairo_close_path(cr);
}

} // namespace

void MarkedList::setRows(std::vector<Row> rows)
{
    rows_ = std::move(rows);
    if (current_ >= static_cast<int>(rows_.size())) {
        current_ = -1;
    }
    lastClickRow_ = -1;
    scrollTo(first_);
    invalidate();
}

void MarkedList::setMarked(int row, bool marked)
{
    if (row >= 0 && row < static_cast<int>(rows_.size())) {
        rows_[static_cast<std::size_t>(row)].marked = marked;
        invalidate();
    }
}

int MarkedList::rowsInSight() const { return std::max(1, (bounds().height - 2) / kRowHeight); }

void MarkedList::scrollTo(int first)
{
    const int last = std::max(0, static_cast<int>(rows_.size()) - rowsInSight());
    first_ = std::clamp(first, 0, last);
    invalidate();
}

void MarkedList::setCurrent(int row)
{
    current_ = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
    if (current_ >= 0 && current_ < first_) {
        scrollTo(current_);
    } else if (current_ >= first_ + rowsInSight()) {
        scrollTo(current_ - rowsInSight() + 1);
    }
    invalidate();
}

void MarkedList::moveCurrent(int delta)
{
    if (!rows_.empty()) {
        setCurrent(current_ < 0 ? 0 : std::clamp(current_ + delta, 0, static_cast<int>(rows_.size()) - 1));
    }
}

void MarkedList::activateCurrent()
{
    if (current_ >= 0 && onActivate) {
        onActivate(current_);
    }
}

Rect MarkedList::rowArea(int row) const
{
    const Rect& b = bounds();
    return Rect{b.x + 1, b.y + 1 + (row - first_) * kRowHeight, b.width - 2, kRowHeight};
}

Rect MarkedList::markArea(int row) const
{
    const Rect r = rowArea(row);
    return Rect{r.x, r.y, showsMarks_ ? kMarkWidth : 0, r.height};
}

int MarkedList::rowAt(Point p) const
{
    if (!bounds().contains(p)) {
        return -1;
    }
    const int row = first_ + static_cast<int>((p.y - bounds().y - 1) / kRowHeight);
    return row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
}

bool MarkedList::onEvent(const InputEvent& event)
{
    switch (event.kind) {
    case EventKind::Wheel:
        scrollTo(first_ - static_cast<int>(event.wheel * kWheelRows));
        return true;
    case EventKind::MouseDown: {
        const int row = rowAt(event.position);
        if (event.button != MouseButton::Left || row < 0) {
            return event.button == MouseButton::Left;
        }
        if (showsMarks_ && markArea(row).contains(event.position)) {
            lastClickRow_ = -1;
            if (onMarkToggled) {
                onMarkToggled(row);
            }
            return true;
        }
        const bool twice = row == lastClickRow_ && event.timeMs - lastClickMs_ <= Frame::kDoubleClickMs;
        lastClickRow_ = twice ? -1 : row;
        lastClickMs_ = event.timeMs;
        setCurrent(row);
        if (twice) {
            if (onActivate) {
                onActivate(row);
            }
        } else if (onChosen) {
            onChosen(row);
        }
        return true;
    }
    case EventKind::MouseMove:
    case EventKind::MouseUp:
        return true;
    default:
        return false;
    }
}

void MarkedList::draw(cairo_t* cr)
{
    const Rect& b = bounds();
    drawWell(cr, b);
    cairo_save(cr);
    cairo_rectangle(cr, b.x, b.y, b.width, b.height);
    cairo_clip(cr);
    const int end = std::min(static_cast<int>(rows_.size()), first_ + rowsInSight() + 1);
    const int nameLeft = showsMarks_ ? kMarkWidth + 2 : 6;
    const int detailWidth = std::min(kDetailWidth, b.width / 3);
    for (int r = first_; r < end; ++r) {
        const Row& row = rows_[static_cast<std::size_t>(r)];
        const Rect area = rowArea(r);
        if (r == current_) {
            setColour(cr, palette::kHighlight);
            cairo_rectangle(cr, area.x, area.y, area.width, area.height);
            cairo_fill(cr);
        }
        if (showsMarks_) {
            const Rect mark = markArea(r);
            starPath(cr, mark.x + mark.width / 2.0, mark.y + mark.height / 2.0, 6);
            setColour(cr, row.marked ? palette::kAccent : palette::kControlLight);
            if (row.marked) {
                cairo_fill(cr);
            } else {
                cairo_set_line_width(cr, 1);
                cairo_stroke(cr);
            }
        }
        const Rect name{area.x + nameLeft, area.y, area.width - nameLeft - detailWidth - 8, area.height};
        drawText(cr, row.name, name, textsize::kValue + 0.5, Align::Left, palette::kText);
        drawText(cr, row.detail, Rect{area.right() - detailWidth - 6, area.y, detailWidth, area.height},
                 textsize::kValue, Align::Right, palette::kTextDim);
    }
    cairo_restore(cr);
}

} // namespace tessarine::gui
