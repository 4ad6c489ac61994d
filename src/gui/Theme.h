#pragma once
// One palette and one font for the whole instrument panel. Controls, the
// editor's background and the pop-ups all draw through these helpers, so a
// colour or a type size changes in one place.

#include "gui/Geometry.h"

#include <cairo.h>

#include <string_view>

namespace tessarine::gui {

struct Colour {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;

    Colour withAlpha(double alpha) const { return {r, g, b, alpha}; }
};

namespace palette {
// A dark panel with one warm accent for everything that shows a value.
inline constexpr Colour kBackground{0.114, 0.125, 0.141};    // #1d2024
inline constexpr Colour kPanel{0.153, 0.169, 0.192};         // #272b31
inline constexpr Colour kPanelEdge{0.220, 0.239, 0.267};     // #383d44
inline constexpr Colour kTopBar{0.090, 0.098, 0.110};        // #17191c
inline constexpr Colour kText{0.855, 0.878, 0.902};          // #dae0e6
inline constexpr Colour kTextDim{0.545, 0.580, 0.627};       // #8b94a0
inline constexpr Colour kTitle{0.941, 0.678, 0.314};         // #f0ad50
inline constexpr Colour kAccent{0.941, 0.647, 0.251};        // #f0a540
inline constexpr Colour kAccentDim{0.392, 0.286, 0.141};     // #644924
inline constexpr Colour kControl{0.235, 0.255, 0.286};       // #3c4149
inline constexpr Colour kControlLight{0.318, 0.341, 0.376};  // #515760
inline constexpr Colour kControlPressed{0.176, 0.192, 0.212};
inline constexpr Colour kWell{0.067, 0.075, 0.086};          // #111316: text boxes, tracks
inline constexpr Colour kLedOff{0.263, 0.212, 0.149};
inline constexpr Colour kHighlight{0.271, 0.427, 0.569};     // #456d91: menu selection
} // namespace palette

// The one typeface; bold for titles.
inline constexpr const char* kFontFamily = "DejaVu Sans";
inline constexpr const char* kMonoFontFamily = "DejaVu Sans Mono";

namespace textsize {
inline constexpr double kValue = 8.5;     // value displays, list entries
inline constexpr double kLabel = 9.5;     // control labels, button captions
inline constexpr double kSection = 10.5;  // section titles
inline constexpr double kHeading = 14;    // the instrument's name
} // namespace textsize

enum class Align { Left, Centre, Right };

void setColour(cairo_t* cr, const Colour& colour);
// Adds a rounded rectangle path (radius limited to half the shorter side).
void roundedRectangle(cairo_t* cr, double x, double y, double width, double height, double radius);

void selectFont(cairo_t* cr, double size, bool bold = false);
double textWidth(cairo_t* cr, std::string_view text, double size, bool bold = false);
// One line of text, vertically centred in the box, aligned horizontally in it;
// text wider than the box is cut with an ellipsis.
void drawText(cairo_t* cr, std::string_view text, const Rect& box, double size, Align align,
              const Colour& colour, bool bold = false);

// A section of the panel: a rounded plate with its title in the top-left corner.
void drawSection(cairo_t* cr, const Rect& area, std::string_view title);
// A control's caption, centred over the given box (usually the control's bounds).
void drawLabel(cairo_t* cr, std::string_view text, const Rect& box, Align align = Align::Centre);
// A recessed box for values and text.
void drawWell(cairo_t* cr, const Rect& area);
// A button face; lit draws it with the accent.
void drawButtonFace(cairo_t* cr, const Rect& area, bool pressed, bool lit);

// Releases cairo's and fontconfig's process-wide font caches. Only for a
// program about to end (tests, command-line tools), so that leak checkers see
// a clean exit; never from the plug-in, whose host shares these libraries.
void releaseFontCaches();

} // namespace tessarine::gui
