#pragma once
// Lines of text in a dialog, one under the other; a trailing newline adds
// nothing, and lines past the bottom of the box are left out.

#include "gui/View.h"

#include <string>

namespace tessarine {

class DialogLabel final : public gui::View {
public:
    static constexpr int kLineHeight = 18;

    DialogLabel(gui::Rect bounds, std::string text) : View(bounds), text_(std::move(text)) {}

    const std::string& text() const { return text_; }
    void setText(const std::string& text);
    void draw(cairo_t* cr) override;
    // Text takes no clicks: they go to what lies under it.
    View* hitTest(gui::Point) override { return nullptr; }

private:
    std::string text_;
};

} // namespace tessarine
