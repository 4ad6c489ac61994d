#pragma once
// A scrolling list of one-line rows, each a name, a dimmer detail on the
// right and, when the list shows marks, a star at the left that a click on
// it turns on and off (favourites). A click on a row chooses it, a double
// click or activateCurrent() opens it, Up and Down (moveCurrent) move the
// current row without choosing it; the owner learns of each through callbacks.
// Only the rows in sight are drawn.

#include "gui/View.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessarine::gui {

class MarkedList : public View {
public:
    struct Row {
        std::string name;
        std::string detail;
        bool marked = false;
    };

    static constexpr int kRowHeight = 18;
    static constexpr int kMarkWidth = 20;
    static constexpr int kWheelRows = 3;

    MarkedList(Rect bounds, bool showsMarks) : View(bounds), showsMarks_(showsMarks) {}

    // New rows; the current row is kept when it still exists, else none.
    void setRows(std::vector<Row> rows);
    const std::vector<Row>& rows() const { return rows_; }
    void setMarked(int row, bool marked);

    // -1 when none. setCurrent scrolls the row into sight and tells nobody.
    int current() const { return current_; }
    void setCurrent(int row);
    void moveCurrent(int delta);
    void activateCurrent();
    // Where row's star lies, for a pointer to find it.
    Rect markArea(int row) const;
    Rect rowArea(int row) const;

    std::function<void(int row)> onChosen;
    std::function<void(int row)> onActivate;
    std::function<void(int row)> onMarkToggled;

    bool onEvent(const InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    int rowAt(Point p) const;
    int rowsInSight() const;
    void scrollTo(int first);

    bool showsMarks_;
    std::vector<Row> rows_;
    int current_ = -1;
    int first_ = 0;
    int lastClickRow_ = -1;
    std::int64_t lastClickMs_ = -1;
};

} // namespace tessarine::gui
