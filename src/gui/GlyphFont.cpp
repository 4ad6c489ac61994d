#include "gui/GlyphFont.h"

#include "gui/DeviceScale.h"
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

namespace {

char characterOf(int glyph)
{
    if (glyph < 10) {
        return static_cast<char>('0' + glyph);
    }
    if (glyph < 36) {
        return static_cast<char>('A' + glyph - 10);
    }
    if (glyph < 62) {
        return static_cast<char>('a' + glyph - 36);
    }
    static constexpr char kSigns[] = {' ', '-', '.', '(', ')', '#'};
    return kSigns[glyph - 62];
}

} // namespace

void GlyphFont::useOutline(cairo_t* cr) const
{
    cairo_select_font_face(cr, kMonoFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, fontSize_);
    setColour(cr, colour_);
}

void GlyphFont::drawGlyph(cairo_t* cr, int glyph, double x, double y) const
{
    const char text[2] = {characterOf(glyph), 0};
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    cairo_save(cr);
    cairo_rectangle(cr, x, y, glyphWidth_, glyphHeight_);
    cairo_clip(cr);
    cairo_move_to(cr, x + (glyphWidth_ - extents.x_advance) / 2, y + baseline_);
    cairo_show_text(cr, text);
    cairo_restore(cr);
}

std::shared_ptr<const GlyphFont> GlyphFont::make(int glyphWidth, int glyphHeight, const Colour& colour)
{
    int width = std::max(1, glyphWidth);
    int height = std::max(1, glyphHeight);
    auto strip = std::make_shared<Bitmap>(width * kGlyphCount, height);
    auto font = std::make_shared<GlyphFont>(strip, width);
    font->glyphHeight_ = height;
    font->colour_ = colour;
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
        cairo_font_extents_t metrics;
        cairo_font_extents(cr, &metrics);
        font->fontSize_ = size;
        font->baseline_ = std::round((height + metrics.ascent - metrics.descent) / 2);
        font->useOutline(cr);
        for (int g = 0; g < kGlyphCount; ++g) {
            font->drawGlyph(cr, g, g * width, 0);
        }
    });
    return font;
}

GlyphFont::GlyphFont(std::shared_ptr<const Bitmap> strip, int glyphWidth)
    : strip_(std::move(strip)), glyphWidth_(std::max(1, glyphWidth)), glyphHeight_(strip_ ? strip_->height() : 0)
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
    // The strip holds 100 % pixels; at any other scale the glyphs come from
    // the outline font, laid out in the same cells, so text stays sharp.
    const bool fromStrip = deviceScaleOf(cr) == 1.0 || fontSize_ <= 0;
    cairo_save(cr);
    if (!fromStrip) {
        useOutline(cr);
    }
    for (int i = 0; i < count; ++i) {
        int g = glyphOf(text[static_cast<std::size_t>(i)]);
        if (fromStrip) {
            strip_->drawPart(cr, Rect{g * glyphWidth_, 0, glyphWidth_, strip_->height()}, x + i * glyphWidth_, y);
        } else {
            drawGlyph(cr, g, x + i * glyphWidth_, y);
        }
    }
    cairo_restore(cr);
    return count;
}

} // namespace tessarine::gui
