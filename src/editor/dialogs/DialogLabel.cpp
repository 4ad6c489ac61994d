#include "editor/dialogs/DialogLabel.h"

#include "gui/Theme.h"

#include <string_view>

namespace tessarine {

void DialogLabel::setText(const std::string& text)
{
    text_ = text;
    invalidate();
}

void DialogLabel::draw(cairo_t* cr)
{
    gui::Rect line{bounds().x, bounds().y, bounds().width, kLineHeight};
    std::size_t start = 0;
    while (start < text_.size() && line.bottom() <= bounds().bottom()) {
        std::size_t end = text_.find('\n', start);
        std::string_view piece = std::string_view(text_).substr(start, end == std::string::npos ? end : end - start);
        gui::drawText(cr, piece, line, gui::textsize::kLabel, gui::Align::Left, gui::palette::kText);
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
        line.y += kLineHeight;
    }
}

} // namespace tessarine
