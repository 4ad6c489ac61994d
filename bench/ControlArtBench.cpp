// What opening the editor costs in the toolkit: drawing the knob film strip
// and the glyph font, and painting a full page of controls.

#include "gui/ControlArt.h"
#include "gui/FilmStripKnob.h"
#include "gui/Frame.h"
#include "gui/GlyphFont.h"
#include "gui/ImageSurfaceBackend.h"
#include "gui/KickButton.h"
#include "gui/ListSelector.h"
#include "gui/OnOffButton.h"
#include "gui/Theme.h"
#include "gui/ValueDisplay.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace tessarine::gui;

static void BM_KnobStrip(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(makeKnobStrip());
    }
}
BENCHMARK(BM_KnobStrip)->Unit(benchmark::kMillisecond);

static void BM_GlyphFont(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(GlyphFont::make());
    }
}
BENCHMARK(BM_GlyphFont)->Unit(benchmark::kMillisecond);

// A page as busy as the effects page: 18 knobs with displays, buttons, lists.
static void BM_PaintFullPage(benchmark::State& state)
{
    auto strip = makeKnobStrip();
    auto font = GlyphFont::make();
    Frame frame(800, 550);
    frame.setBackgroundPainter([](cairo_t* cr) {
        setColour(cr, palette::kBackground);
        cairo_paint(cr);
        for (int s = 0; s < 4; ++s) {
            drawSection(cr, Rect{10 + 195 * s, 110, 185, 330}, "SECTION");
        }
    });
    for (int i = 0; i < 18; ++i) {
        Point at{18.0 + 61 * (i % 9), i < 9 ? 170.0 : 299.0};
        auto* knob = frame.add(std::make_unique<FilmStripKnob>(at, i, nullptr, strip));
        auto* display = frame.add(std::make_unique<ValueDisplay>(ValueDisplay::placeUnder(at, 44), nullptr));
        knob->setDisplay(display);
        knob->setValue(i / 17.0f);
    }
    for (int i = 0; i < 8; ++i) {
        frame.add(std::make_unique<OnOffButton>(Rect{20 + 60 * i, 130, 50, 14}, 100 + i, nullptr, "On"));
        frame.add(std::make_unique<KickButton>(Rect{20 + 60 * i, 460, 50, 16}, 200 + i, nullptr, "Load"));
        auto* list = frame.add(std::make_unique<ListSelector>(Rect{20 + 60 * i, 490, 55, 13}, 120 + i, nullptr, 8, font));
        list->setEntry(0, "Bright");
    }
    ImageSurfaceBackend image(frame);
    for (auto _ : state) {
        image.paintAll();
    }
}
BENCHMARK(BM_PaintFullPage)->Unit(benchmark::kMillisecond);
