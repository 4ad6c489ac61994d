#include "editor/views/MorphPadView.h"

#include "editor/views/CurveEdits.h"
#include "editor/views/ViewDrawing.h"
#include "engine/SynthEngine.h"

#include <algorithm>
#include <cstdio>

namespace tessarine {

namespace {

struct PointValues {
    int x;
    int y;
    Colour colour;
};

constexpr PointValues kPoints[] = {
    {kMorphHarmX, kMorphHarmY, palette::kHarmonic},
    {kMorphNoiseX, kMorphNoiseY, palette::kNoise},
    {kMorphAmpX, kMorphAmpY, palette::kAmplitude},
};

constexpr int kAmplitude = 2; // index of the amplitude point in kPoints

// The points each target mode moves, as indices into kPoints.
bool moves(int mode, int point)
{
    switch (mode) {
    case MorphPadView::kAmplitudePoint:
        return point == 2;
    case MorphPadView::kHarmonicPoint:
        return point == 0;
    case MorphPadView::kNoisePoint:
        return point == 1;
    default:
        return true;
    }
}

} // namespace

MorphPadView::MorphPadView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context)
    : Control(bounds, tag, listener), context_(context)
{
}

gui::Rect MorphPadView::padRect() const
{
    const gui::Rect& b = bounds();
    return {b.x + 4, b.y + 4 + kNameStrip, b.width - 8, b.height - 8 - 2 * kNameStrip};
}

void MorphPadView::setTargetMode(int mode)
{
    targetMode_ = std::clamp(mode, 0, 3);
    invalidate();
}

void MorphPadView::setPathShown(bool shown)
{
    pathShown_ = shown;
    invalidate();
}

bool MorphPadView::followsPad(int point) const { return !pathShown_ || point == kAmplitude; }

gui::Point MorphPadView::pointAt(float x, float y) const
{
    const gui::Rect pad = padRect();
    return {pad.x + pad.width * static_cast<double>(x), pad.y + pad.height * static_cast<double>(y)};
}

void MorphPadView::pollValues()
{
    bool changed = false;
    for (int p = 0; p < 3; ++p) {
        const float x = context_.engine().getParameter(kPoints[p].x, true);
        const float y = context_.engine().getParameter(kPoints[p].y, true);
        changed = changed || x != drawn_[2 * p] || y != drawn_[2 * p + 1];
        drawn_[2 * p] = x;
        drawn_[2 * p + 1] = y;
    }
    if (changed) {
        invalidate();
    }
}

void MorphPadView::store(float x, float y, bool defaults)
{
    const auto& table = parameterTable();
    for (int p = 0; p < 3; ++p) {
        if (!moves(targetMode_, p) || !followsPad(p)) {
            continue;
        }
        const int ix = kPoints[p].x;
        const int iy = kPoints[p].y;
        context_.applyValue(ix, defaults ? table[static_cast<std::size_t>(ix)].start : x);
        context_.applyValue(iy, defaults ? table[static_cast<std::size_t>(iy)].start : y);
    }
}

void MorphPadView::moveTo(gui::Point p)
{
    const gui::Rect pad = padRect();
    const float x = std::clamp(static_cast<float>((p.x - pad.x) / std::max(1, pad.width)), 0.0f, 1.0f);
    const float y = std::clamp(static_cast<float>((p.y - pad.y) / std::max(1, pad.height)), 0.0f, 1.0f);
    store(x, y, false);
    report();
    invalidate();
}

bool MorphPadView::onEvent(const gui::InputEvent& event)
{
    switch (event.kind) {
    case gui::EventKind::MouseDown:
        if (event.button != gui::MouseButton::Left) {
            return false;
        }
        if (event.has(gui::kControl)) {
            // Control-click puts the chosen points back where a new instrument has them.
            store(0, 0, true);
            report();
            invalidate();
            return false;
        }
        dragging_ = true;
        moveTo(event.position);
        return true;
    case gui::EventKind::MouseMove:
        if (!dragging_) {
            return false;
        }
        moveTo(event.position);
        return true;
    case gui::EventKind::MouseUp:
        dragging_ = false;
        return true;
    default:
        return false;
    }
}

void MorphPadView::drawPaths(cairo_t* cr)
{
    const Instrument& instrument = context_.engine().instrument();
    cairo_set_line_width(cr, 1.5);
    for (int pair = 0; pair < kAmplitude; ++pair) {
        const BreakpointCurve& cx = instrument.morphPathCurves[static_cast<std::size_t>(2 * pair)];
        const BreakpointCurve& cy = instrument.morphPathCurves[static_cast<std::size_t>(2 * pair + 1)];
        const int nx = cx.pointCount();
        const int ny = cy.pointCount();
        if (nx == 0 && ny == 0) {
            continue;
        }
        const float end = std::max(nx > 0 ? cx.timeAt(nx - 1) : 0.0f, ny > 0 ? cy.timeAt(ny - 1) : 0.0f);
        setColour(cr, kPoints[pair].colour);
        constexpr int kSteps = 128;
        for (int i = 0; i <= kSteps; ++i) {
            const float t = end * static_cast<float>(i) / kSteps;
            const gui::Point p = pointAt(std::clamp(peekValueAt(cx, t), 0.0f, 1.0f),
                                         std::clamp(peekValueAt(cy, t), 0.0f, 1.0f));
            if (i == 0) {
                cairo_move_to(cr, p.x, p.y);
            } else {
                cairo_line_to(cr, p.x, p.y);
            }
        }
        cairo_stroke(cr);
        // The path's start, where every note begins.
        drawHandle(cr, pointAt(std::clamp(peekValueAt(cx, 0.0f), 0.0f, 1.0f),
                               std::clamp(peekValueAt(cy, 0.0f), 0.0f, 1.0f)),
                   2.5, kPoints[pair].colour);
    }
}

void MorphPadView::draw(cairo_t* cr)
{
    const gui::Rect pad = padRect();
    fillRect(cr, bounds(), palette::kStrip);
    fillRect(cr, pad, palette::kPlotBackground);
    cairo_set_line_width(cr, 1.0);
    setColour(cr, palette::kGrid);
    for (int q = 1; q < 4; ++q) {
        cairo_move_to(cr, pad.x + pad.width * q / 4.0 + 0.5, pad.y);
        cairo_line_to(cr, pad.x + pad.width * q / 4.0 + 0.5, pad.bottom());
        cairo_move_to(cr, pad.x, pad.y + pad.height * q / 4.0 + 0.5);
        cairo_line_to(cr, pad.right(), pad.y + pad.height * q / 4.0 + 0.5);
    }
    cairo_stroke(cr);

    // Each corner is named by the voice sitting there: A top left, B top right,
    // C bottom left, D bottom right, in the strips beside the square, where no
    // point can cover them.
    const Instrument& instrument = context_.engine().instrument();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        char label[80];
        const auto name = instrument.voices[static_cast<std::size_t>(slot)].nameView();
        std::snprintf(label, sizeof label, "%c %.*s", 'A' + slot, static_cast<int>(std::min<std::size_t>(name.size(), 20)),
                      name.data());
        const double w = textWidth(cr, label, 9);
        const double x = slot % 2 == 0 ? pad.x + 1 : pad.right() - 1 - w;
        const double y = slot < 2 ? pad.y - 3 : pad.bottom() + kNameStrip - 2;
        drawText(cr, x, y, label, 9, palette::kGridText);
    }

    if (pathShown_) {
        drawPaths(cr);
    }
    const SynthEngine& engine = context_.engine();
    for (int p = targetMode_ == kAllPoints && !pathShown_ ? 0 : kAmplitude; p >= 0; --p) {
        if (followsPad(p)) {
            const gui::Point at =
                pointAt(engine.getParameter(kPoints[p].x, true), engine.getParameter(kPoints[p].y, true));
            drawHandle(cr, at, 4.0, kPoints[p].colour);
        }
    }
    if (pathShown_ && !moves(targetMode_, kAmplitude)) {
        return;
    }

    // Where the point the pad moves stands (the harmonic one when all move),
    // near the square's lower edge.
    int shown = 0;
    while (shown < kAmplitude && !(moves(targetMode_, shown) && followsPad(shown))) {
        ++shown;
    }
    char readout[48];
    std::snprintf(readout, sizeof readout, "X %d %%   Y %d %%",
                  static_cast<int>(engine.getParameter(kPoints[shown].x, true) * 100.0f + 0.5f),
                  static_cast<int>(engine.getParameter(kPoints[shown].y, true) * 100.0f + 0.5f));
    const double w = textWidth(cr, readout, 9);
    drawText(cr, pad.x + (pad.width - w) / 2.0, pad.bottom() - 17, readout, 9, kPoints[shown].colour);
}

} // namespace tessarine
