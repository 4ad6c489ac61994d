#include "gui/FileList.h"

#include "gui/Theme.h"

#include <algorithm>

namespace tessarine::gui {

namespace {

constexpr int kSizeWidth = 70;
constexpr int kDateWidth = 110;
constexpr int kScrollWidth = 5;

} // namespace

FileList::FileList(Rect bounds) : View(bounds) {}

void FileList::setRows(std::vector<Row> rows)
{
    rows_ = std::move(rows);
    selected_.assign(rows_.size(), 0);
    current_ = -1;
    anchor_ = -1;
    first_ = 0;
    lastClickRow_ = -1;
    invalidate();
}

bool FileList::isSelected(int row) const
{
    const auto index = static_cast<std::size_t>(row);
    return row >= 0 && index < selected_.size() && selected_[index] != 0;
}

std::vector<int> FileList::selection() const
{
    std::vector<int> rows;
    for (std::size_t i = 0; i < selected_.size(); ++i) {
        if (selected_[i] != 0) {
            rows.push_back(static_cast<int>(i));
        }
    }
    return rows;
}

int FileList::rowsInSight() const { return std::max(1, (bounds().height - 2) / kRowHeight); }

void FileList::scrollTo(int first)
{
    const int last = std::max(0, static_cast<int>(rows_.size()) - rowsInSight());
    first = std::clamp(first, 0, last);
    if (first != first_) {
        first_ = first;
        invalidate();
    }
}

void FileList::select(int row)
{
    std::fill(selected_.begin(), selected_.end(), 0);
    current_ = row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? row : -1;
    anchor_ = current_;
    if (current_ >= 0) {
        selected_[static_cast<std::size_t>(current_)] = 1;
        if (current_ < first_) {
            scrollTo(current_);
        } else if (current_ >= first_ + rowsInSight()) {
            scrollTo(current_ - rowsInSight() + 1);
        }
    }
    invalidate();
}

void FileList::moveCurrent(int delta)
{
    if (rows_.empty()) {
        return;
    }
    const int last = static_cast<int>(rows_.size()) - 1;
    select(current_ < 0 ? (delta > 0 ? 0 : last) : std::clamp(current_ + delta, 0, last));
    changed();
}

void FileList::activateCurrent()
{
    if (current_ >= 0 && onActivate) {
        onActivate(current_);
    }
}

void FileList::changed()
{
    if (onSelectionChanged) {
        onSelectionChanged();
    }
}

int FileList::rowAt(Point p) const
{
    if (!bounds().contains(p)) {
        return -1;
    }
    const int row = first_ + static_cast<int>((p.y - bounds().y - 1) / kRowHeight);
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? row : -1;
}

bool FileList::onEvent(const InputEvent& event)
{
    switch (event.kind) {
    case EventKind::Wheel:
        scrollTo(first_ - static_cast<int>(event.wheel * kWheelRows));
        return true;
    case EventKind::MouseDown: {
        if (event.button != MouseButton::Left) {
            return false;
        }
        const int row = rowAt(event.position);
        if (row < 0) {
            // Below the last row: nothing chosen, as file managers do.
            select(-1);
            changed();
            return true;
        }
        // Ctrl and Shift build a selection: quick clicks with them are no double click.
        const bool plain = !event.has(kControl) && !event.has(kShift);
        const bool twice = plain && row == lastClickRow_ && event.timeMs - lastClickMs_ <= kDoubleClickMs;
        lastClickRow_ = twice ? -1 : row;
        lastClickMs_ = event.timeMs;
        if (multiSelect_ && event.has(kControl)) {
            selected_[static_cast<std::size_t>(row)] ^= 1;
            current_ = row;
            anchor_ = row;
        } else if (multiSelect_ && event.has(kShift) && anchor_ >= 0) {
            std::fill(selected_.begin(), selected_.end(), 0);
            for (int r = std::min(anchor_, row); r <= std::max(anchor_, row); ++r) {
                selected_[static_cast<std::size_t>(r)] = 1;
            }
            current_ = row;
        } else {
            select(row);
        }
        invalidate();
        changed();
        if (twice && onActivate) {
            onActivate(row);
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

void FileList::draw(cairo_t* cr)
{
    const Rect& b = bounds();
    drawWell(cr, b);
    cairo_save(cr);
    cairo_rectangle(cr, b.x, b.y, b.width, b.height);
    cairo_clip(cr);
    const int nameWidth = b.width - kSizeWidth - kDateWidth - kScrollWidth - 16;
    const int end = std::min(static_cast<int>(rows_.size()), first_ + rowsInSight() + 1);
    for (int r = first_; r < end; ++r) {
        const Row& row = rows_[static_cast<std::size_t>(r)];
        const int y = b.y + 1 + (r - first_) * kRowHeight;
        if (isSelected(r)) {
            setColour(cr, r == current_ ? palette::kHighlight : palette::kHighlight.withAlpha(0.6));
            cairo_rectangle(cr, b.x + 1, y, b.width - kScrollWidth - 2, kRowHeight);
            cairo_fill(cr);
        }
        const Colour& nameColour = row.folder ? palette::kTitle : palette::kText;
        drawText(cr, row.folder ? row.name + "/" : row.name, Rect{b.x + 6, y, nameWidth, kRowHeight},
                 textsize::kValue + 0.5, Align::Left, nameColour);
        drawText(cr, row.size, Rect{b.x + 6 + nameWidth + 4, y, kSizeWidth, kRowHeight}, textsize::kValue,
                 Align::Right, palette::kTextDim);
        drawText(cr, row.modified, Rect{b.right() - kDateWidth - kScrollWidth - 4, y, kDateWidth, kRowHeight},
                 textsize::kValue, Align::Right, palette::kTextDim);
    }
    // Where the rows in sight lie in the whole list.
    const int total = static_cast<int>(rows_.size());
    if (total > rowsInSight()) {
        const double track = b.height - 4;
        const double top = track * first_ / total;
        const double length = std::max(8.0, track * rowsInSight() / total);
        setColour(cr, palette::kControlLight);
        cairo_rectangle(cr, b.right() - kScrollWidth - 1, b.y + 2 + std::min(top, track - length), kScrollWidth - 1,
                        length);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

} // namespace tessarine::gui
