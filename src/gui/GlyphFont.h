#pragma once
// The list selectors' bitmap font: one strip of fixed-width glyphs drawn by
// code at open time. Glyph 0 to 9 are "0" to "9", 10 to 35 "A" to "Z", 36 to 61
// "a" to "z", 63 "-", 64 ".", 65 "(", 66 ")", 67 "#", and 62 (blank) stands for
// every other character. Glyph g is the cell at g × glyph width of the strip.

#include "gui/Bitmap.h"
#include "gui/Theme.h"

#include <memory>
#include <string_view>

namespace tessarine::gui {

class GlyphFont {
public:
    static constexpr int kGlyphCount = 68;
    static constexpr int kOtherGlyph = 62;
    static constexpr int kGlyphWidth = 6;
    static constexpr int kGlyphHeight = 11;

    // Draws the strip of kGlyphCount glyphs in the given colour.
    static std::shared_ptr<const GlyphFont> make(int glyphWidth = kGlyphWidth, int glyphHeight = kGlyphHeight,
                                                 const Colour& colour = palette::kAccent);

    GlyphFont(std::shared_ptr<const Bitmap> strip, int glyphWidth);

    static int glyphOf(char c);

    int glyphWidth() const { return glyphWidth_; }
    int glyphHeight() const { return strip_ ? strip_->height() : 0; }
    const Bitmap* strip() const { return strip_.get(); }

    // Glyphs of text that fit whole in maxWidth pixels.
    int fittingGlyphs(std::string_view text, int maxWidth) const;
    // Draws the glyphs that fit whole in maxWidth from (x, y); returns how many.
    int draw(cairo_t* cr, std::string_view text, double x, double y, int maxWidth) const;

private:
    // The outline font in the strip's size and colour, set once for a run of glyphs.
    void useOutline(cairo_t* cr) const;
    // One glyph from the outline font into the cell at (x, y).
    void drawGlyph(cairo_t* cr, int glyph, double x, double y) const;

    std::shared_ptr<const Bitmap> strip_;
    int glyphWidth_;
    int glyphHeight_;
    // How make() set the glyphs; a size of 0 (a strip from elsewhere) always draws the strip.
    double fontSize_ = 0;
    double baseline_ = 0;
    Colour colour_ = palette::kAccent;
};

} // namespace tessarine::gui
