#pragma once
// A scrolling list of a folder's entries, one row each: the name, then two
// dimmer columns (a size and a date, as texts the owner formats). Only the
// rows in sight are drawn, so a folder of many thousands scrolls as fast as
// one of ten. Clicks select (with Ctrl and Shift adding to the selection when
// several may be chosen), a double click or activateCurrent() opens the row,
// the wheel scrolls; the owner learns both through callbacks.

#include "gui/View.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessarine::gui {

class FileList : public View {
public:
    struct Row {
        std::string name;
        std::string size;
        std::string modified;
        bool folder = false;
    };

    static constexpr int kRowHeight = 18;
    static constexpr int kDoubleClickMs = 400;
    static constexpr int kWheelRows = 3;

    explicit FileList(Rect bounds);

    // A new listing: nothing selected, scrolled to the top.
    void setRows(std::vector<Row> rows);
    const std::vector<Row>& rows() const { return rows_; }

    void setMultiSelect(bool many) { multiSelect_ = many; }

    // The row the keyboard moves from and Return opens; -1 when none.
    int current() const { return current_; }
    bool isSelected(int row) const;
    // The selected rows, in list order.
    std::vector<int> selection() const;
    // Selects this row alone and scrolls it into sight (-1 clears).
    void select(int row);
    // Up and Down: the next or previous row alone, held inside the list.
    void moveCurrent(int delta);
    void activateCurrent();

    int firstShown() const { return first_; }
    int rowsInSight() const;

    // Told after the user changed the selection, and when a row is opened.
    std::function<void()> onSelectionChanged;
    std::function<void(int row)> onActivate;

    bool onEvent(const InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    int rowAt(Point p) const;
    void scrollTo(int first);
    void changed();

    std::vector<Row> rows_;
    std::vector<char> selected_;
    bool multiSelect_ = false;
    int current_ = -1;
    int anchor_ = -1;
    int first_ = 0;
    int lastClickRow_ = -1;
    std::int64_t lastClickMs_ = 0;
};

} // namespace tessarine::gui
