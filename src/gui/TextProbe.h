#pragma once
// Where drawn text lands. Every string the toolkit and the editor's views draw
// can be reported with the extent of its glyphs and the box it had to fit (the
// caller's box within the clip, which is the control's rectangle for a
// control's text), so a layout check can find text cut by its frame or drawn
// off the window. Off unless a probe is installed; then one load per string.

#include "gui/Geometry.h"

#include <cairo.h>

#include <string_view>

namespace tessarine::gui {

struct DrawnText {
    std::string_view text;  // what the caller asked for
    std::string_view shown; // what was drawn: shorter when cut to fit
    // The glyphs' ink, in frame coordinates.
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    Rect box;               // where the text had to fit
};

class TextProbe {
public:
    virtual ~TextProbe() = default;
    virtual void textDrawn(const DrawnText& text) = 0;
};

// One probe for the process (null removes it); tests install one around a draw.
void setTextProbe(TextProbe* probe);

// Reports shown, about to be drawn at cr's current point with cr's font, when
// a probe is installed. box: the caller's box, or null for the clip alone.
void reportDrawnText(cairo_t* cr, std::string_view text, std::string_view shown, const Rect* box);
// The same for glyphs already measured (bitmap fonts): ink in frame coordinates.
void reportDrawnText(cairo_t* cr, std::string_view text, std::string_view shown, const Rect& ink, const Rect* box);

} // namespace tessarine::gui
