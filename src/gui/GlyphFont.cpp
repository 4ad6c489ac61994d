#include "gui/GlyphFont.h"

#include "gui/TextProbe.h"

#include <algorithm>
#include <cmath>

namespace tessarine::gui {

int GlyphFont::glyphOf(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'Z') {
        return 10 + (c - 'A');
    }
    if (c >= 'a' && c <= 'z') {
        return 36 + (c - 'a');
    }
    switch (c) {
    case '-':
        return 63;
    case '.':
        return 64;
    case '(':
        return 65;
    case ')':
        return 66;
    case '#':
        return 67;
    default:
        return kOtherGlyph;
    }
}

std::shared_ptr<const GlyphFont> GlyphFont::make(int glyphWidth, int glyphHeight, const Colour& colour)
{
    int width = std::max(1, glyphWidth);
    int height = std::max(1, glyphHeight);
    auto strip = std::make_shared<Bitmap>(width * kGlyphCount, height);
    strip->paint([&](cairo_t* cr) {
        cairo_select_font_face(cr, kMonoFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        // The largest size whose digits still fit the cell's width.
        double size = height * 0.95;
        cairo_set_font_size(cr, size);
        cairo_text_extents_t extents;
        cairo_text_extents(cr, "M", &extents);
        if (extents.x_advance > width) {
            size *= width / extents.x_advance;
            cairo_set_font_size(cr, size);
        }
        cairo_font_extents_t font;
        cairo_font_extents(cr, &font);
        double baseline = std::round((height + font.ascent - font.descent) / 2);
        setColour(cr, colour);
        for (int g = 0; g < kGlyphCount; ++g) {
            char c = 0;
            if (g < 10) {
                c = static_cast<char>('0' + g);
            } else if (g < 36) {
                c = static_cast<char>('A' + g - 10);
            } else if (g < 62) {
                c = static_cast<char>('a' + g - 36);
            } else {
                static constexpr char kSigns[] = {' ', '-', '.', '(', ')', '#'};
                c = kSigns[g - 62];
            }
            char text[2] = {c, 0};
            cairo_text_extents(cr, text, &extents);
            cairo_save(cr);
            cairo_rectangle(cr, g * width, 0, width, height);
            cairo_clip(cr);
            cairo_move_to(cr, g * width + (width - extents.x_advance) / 2, baseline);
            cairo_show_text(cr, text);
            cairo_restore(cr);
        }
    });
    return std::make_shared<GlyphFont>(std::move(strip), width);
}

GlyphFont::GlyphFont(std::shared_ptr<const Bitmap> strip, int glyphWidth)
    : strip_(std::move(strip)), glyphWidth_(std::max(1, glyphWidth))
{
}

int GlyphFont::fittingGlyphs(std::string_view text, int maxWidth) const
{
    if (maxWidth <= 0) {
        return 0;
    }
    return static_cast<int>(std::min<std::size_t>(text.size(), static_cast<std::size_t>(maxWidth / glyphWidth_)));
}

int GlyphFont::draw(cairo_t* cr, std::string_view text, double x, double y, int maxWidth) const
{
    int count = fittingGlyphs(text, maxWidth);
    if (!strip_ || !strip_->isValid()) {
        return count;
    }
    const int left = static_cast<int>(std::floor(x));
    const int top = static_cast<int>(std::floor(y));
    const Rect box{left, top, maxWidth, strip_->height()};
    reportDrawnText(cr, text, text.substr(0, static_cast<std::size_t>(count)),
                    Rect{left, top, count * glyphWidth_, strip_->height()}, &box);
    for (int i = 0; i < count; ++i) {
        int g = glyphOf(text[static_cast<std::size_t>(i)]);
        strip_->drawPart(cr, Rect{g * glyphWidth_, 0, glyphWidth_, strip_->height()}, x + i * glyphWidth_, y);
    }
    return count;
}

} // namespace tessarine::gui
