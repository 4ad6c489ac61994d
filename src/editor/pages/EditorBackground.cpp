#include "editor/pages/EditorBackground.h"

#include "editor/pages/ControlMap.h"
#include "gui/Theme.h"

namespace tessarine {

namespace {

using gui::Rect;

constexpr int kLabelHeight = 12;
constexpr int kTopBarHeight = 92;
constexpr int kBottomStripTop = 487;

Rect offset(Rect r, gui::Point origin)
{
    return {r.x + static_cast<int>(origin.x), r.y + static_cast<int>(origin.y), r.width, r.height};
}

void drawControlLabel(cairo_t* cr, const ControlRow& row, gui::Point origin)
{
    if (row.label == nullptr || row.labelPlace == LabelPlace::Inside) {
        return;
    }
    const Rect r = offset(row.rect, origin);
    switch (row.labelPlace) {
    case LabelPlace::Above:
        gui::drawLabel(cr, row.label, Rect{r.x - 8, r.y - kLabelHeight - 1, r.width + 16, kLabelHeight});
        break;
    case LabelPlace::Below:
        // Knobs: the label sits between the knob and its value display.
        gui::drawLabel(cr, row.label, Rect{r.x - 12, r.bottom() + 2, r.width + 24, kLabelHeight});
        break;
    case LabelPlace::Left:
        gui::drawLabel(cr, row.label, Rect{r.x - 64, r.y, 60, r.height}, gui::Align::Right);
        break;
    case LabelPlace::Inside:
        break;
    }
}

void paintTopBar(cairo_t* cr)
{
    gui::setColour(cr, gui::palette::kTopBar);
    cairo_rectangle(cr, 0, 0, kEditorWidth, kTopBarHeight);
    cairo_fill(cr);
    gui::drawText(cr, "TESSARINE", Rect{16, 14, 200, 24}, gui::textsize::kHeading + 6, gui::Align::Left,
                  gui::palette::kTitle, true);
    gui::drawText(cr, "resynthesis instrument", Rect{17, 38, 200, 14}, gui::textsize::kLabel, gui::Align::Left,
                  gui::palette::kTextDim);
    for (const Section& plate : topBarSections()) {
        gui::drawSection(cr, plate.area, plate.title);
    }
    for (const PageText& text : topBarTexts()) {
        gui::drawLabel(cr, text.text, text.box);
    }
    gui::setColour(cr, gui::palette::kPanelEdge);
    cairo_rectangle(cr, 0, kTopBarHeight - 1, kEditorWidth, 1);
    cairo_fill(cr);
}

void paintBottomStrip(cairo_t* cr)
{
    gui::setColour(cr, gui::palette::kTopBar);
    cairo_rectangle(cr, 0, kBottomStripTop, kEditorWidth, kEditorHeight - kBottomStripTop);
    cairo_fill(cr);
}

} // namespace

void paintEditorBackground(cairo_t* cr, int page)
{
    cairo_save(cr);
    gui::setColour(cr, gui::palette::kBackground);
    cairo_paint(cr);
    paintTopBar(cr);
    paintBottomStrip(cr);

    for (const Section& section : pageSections(page)) {
        gui::drawSection(cr, offset(section.area, kPageOrigin), section.title);
    }
    for (const PageText& text : pageTexts(page)) {
        gui::drawLabel(cr, text.text, offset(text.box, kPageOrigin));
    }
    for (const ControlRow& row : topBarControls()) {
        drawControlLabel(cr, row, gui::Point{0, 0});
    }
    for (const ControlRow& row : pageControls(page)) {
        drawControlLabel(cr, row, kPageOrigin);
    }
    cairo_restore(cr);
}

} // namespace tessarine
