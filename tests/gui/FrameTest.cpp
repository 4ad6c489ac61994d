// What the frame does for its views (the mouse, timers, the dirty area) and
// what reaches the picture: the background, a knob's frame of its strip, the
// glyph font's cells, and the X11 back-end's window on a real server (a
// private Xvfb when one is installed, else the session's display; skipped
// when there is neither). Clicks and pop-ups through that window are played
// by the command-line window suites.

#include "support/ControlTestSupport.h"

#include "gui/ControlArt.h"
#include "gui/FilmStripKnob.h"
#include "gui/Frame.h"
#include "gui/GlyphFont.h"
#include "gui/ImageSurfaceBackend.h"
#include "gui/MenuPresenter.h"
#include "gui/TopLevelWindow.h"
#include "gui/X11Window.h"
#include "support/XvfbServer.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "support/XPixels.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace tessarine::gui;
using namespace tessarine::gui::test;

namespace {

// Takes the mouse on a press, draws itself red and counts its timer's ticks.
class RecordingView : public View {
public:
    using View::View;
    bool onEvent(const InputEvent&) override { return true; }
    void draw(cairo_t* cr) override
    {
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_rectangle(cr, bounds().x, bounds().y, bounds().width, bounds().height);
        cairo_fill(cr);
    }
    void onTimer(int) override { ++ticks; }
    int ticks = 0;
};

} // namespace

TEST(Frame, ReleasedViewLosesMouseAndTimers)
{
    Frame frame(100, 100);
    auto* page = frame.add(std::make_unique<Container>(Rect{0, 0, 100, 100}));
    auto* view = page->add(std::make_unique<RecordingView>(Rect{0, 0, 10, 10}));
    frame.dispatch(mouse(EventKind::MouseDown, 5, 5));
    int timer = frame.startTimer(view, 167, 0);

    frame.runTimers(166);
    EXPECT_EQ(view->ticks, 0);
    frame.runTimers(1000); // a late idle fires once, not five times
    EXPECT_EQ(view->ticks, 1);

    std::unique_ptr<View> detached = frame.release(page);
    EXPECT_EQ(frame.mouseOwner(), nullptr);
    frame.runTimers(5000);
    EXPECT_EQ(view->ticks, 1);
    frame.stopTimer(timer); // stopping a forgotten timer is harmless
}

TEST(Frame, PaintsOnlyTheDirtyAreaOverTheBackground)
{
    Frame frame(40, 20);
    frame.setBackgroundPainter([](cairo_t* cr) {
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_paint(cr);
    });
    auto* view = frame.add(std::make_unique<RecordingView>(Rect{0, 0, 10, 10}));
    ImageSurfaceBackend image(frame);
    ASSERT_TRUE(image.isValid());
    image.paintDirty();
    EXPECT_EQ(image.pixel(5, 5), 0xffff0000u);
    EXPECT_EQ(image.pixel(30, 15), 0xff0000ffu);
    EXPECT_FALSE(frame.hasDirtyArea());

    view->setBounds(Rect{20, 0, 10, 10});
    EXPECT_EQ(frame.takeDirtyArea(), (Rect{0, 0, 30, 10}));

    std::vector<std::uint8_t> rgba(40 * 20 * 4);
    image.paintAll();
    ASSERT_TRUE(image.copyRgba(rgba.data(), rgba.size()));
    EXPECT_EQ(rgba[(5 * 40 + 25) * 4 + 0], 255); // red, straight RGBA order
    EXPECT_FALSE(image.copyRgba(rgba.data(), rgba.size() - 1));
}

TEST(FilmStripKnob, DrawsTheChosenFrameOfTheStrip)
{
    auto strip = makeKnobStrip();
    EXPECT_EQ(strip->width(), 245);
    EXPECT_EQ(strip->height(), 560);
    EXPECT_EQ(FilmStripKnob({100, 200}, 34, nullptr, strip).bounds(), (Rect{100, 200, 35, 35}));
    Frame frame(60, 60);
    auto* knob = frame.add(std::make_unique<FilmStripKnob>(Point{10, 10}, 1, nullptr, strip));
    ImageSurfaceBackend image(frame);
    for (float value : {0.0f, 0.37f, 1.0f}) {
        knob->setValue(value);
        image.paintAll();
        const Rect source = FilmStripKnob::frameRect(FilmStripKnob::frameIndex(value), 35);
        int differing = 0;
        for (int y = 0; y < 35; ++y) {
            for (int x = 0; x < 35; ++x) {
                const std::uint32_t want = strip->pixel(source.x + x, source.y + y);
                differing += (want >> 24) == 255 && image.pixel(10 + x, 10 + y) != want;
            }
        }
        EXPECT_EQ(differing, 0) << value;
    }
}

TEST(GlyphFont, CharactersMapToTheirGlyphsAndOnlyWholeGlyphsThatFitAreDrawn)
{
    const std::pair<char, int> cases[] = {
        {'0', 0}, {'9', 9}, {'A', 10}, {'Z', 35}, {'a', 36}, {'z', 61}, {'-', 63},
        {'.', 64}, {'(', 65}, {')', 66}, {'#', 67}, {' ', 62}, {'+', 62}, {'\xe9', 62},
    };
    for (auto [c, glyph] : cases) {
        EXPECT_EQ(GlyphFont::glyphOf(c), glyph) << c;
    }
    auto font = GlyphFont::make(6, 11);
    ASSERT_EQ(font->strip()->width(), 68 * 6);
    EXPECT_EQ(font->fittingGlyphs("C#-1", 24), 4);
    EXPECT_EQ(font->fittingGlyphs("C#-1", 23), 3);
    EXPECT_EQ(font->fittingGlyphs("Bright", 0), 0);
    // Digits leave ink in their own cells; the blank glyph leaves none.
    auto inked = [&](int glyph) {
        bool ink = false;
        for (int i = 0; i < 6 * 11; ++i) {
            ink = ink || (font->strip()->pixel(glyph * 6 + i % 6, i / 6) >> 24) != 0;
        }
        return ink;
    };
    EXPECT_TRUE(inked(8));
    EXPECT_TRUE(inked(67));
    EXPECT_FALSE(inked(62));
}

TEST(X11Window, ChildOfTheHostsWindowPaintsOnlyWhenDirty)
{
    tessarine::test::XvfbServer server; // sets DISPLAY while it runs
    const char* session = std::getenv("DISPLAY");
    std::string name = session != nullptr ? session : "";
    if (name.empty()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    TopLevelWindow host;
    ASSERT_TRUE(host.open(800, 550, "Tessarine test host", name.c_str())) << name;

    Frame frame(800, 550);
    frame.setBackgroundPainter([](cairo_t* cr) {
        cairo_set_source_rgb(cr, 0, 1, 0);
        cairo_paint(cr);
    });
    X11Window window(frame);
    EXPECT_FALSE(window.open(0x7fffff, name.c_str())) << "a parent that does not exist";
    EXPECT_FALSE(window.isOpen());
    ASSERT_TRUE(window.open(host.windowId(), name.c_str()));
    EXPECT_EQ(frame.menuPresenter() != nullptr, true);

    window.idle();
    int paints = window.paintCount();
    EXPECT_GE(paints, 1);
    // The picture reached the window: a background pixel read back.
    Display* probe = XOpenDisplay(name.c_str());
    ASSERT_NE(probe, nullptr);
    auto backgroundShown = [&] { return tessarine::test::pixelAt(probe, window.windowId(), 10, 500) == 0x00ff00u; };
    EXPECT_TRUE(tessarine::test::eventually(backgroundShown));

    // Nothing dirty, no events: idles paint nothing.
    for (int i = 0; i < 10; ++i) {
        window.idle();
    }
    EXPECT_EQ(window.paintCount(), paints);
    frame.invalidateRect(Rect{300, 30, 60, 20});
    window.idle();
    EXPECT_GT(window.paintCount(), paints);

    // A dialog closed over the window while the thread is busy (an analysis):
    // the uncovered area is painted again without an idle.
    Window cover = XCreateSimpleWindow(probe, window.windowId(), 0, 400, 300, 150, 0, 0, 0);
    XMapWindow(probe, cover);
    XSync(probe, False);
    XDestroyWindow(probe, cover);
    XSync(probe, False);
    paints = window.paintCount();
    for (int i = 0; i < 50 && window.paintCount() == paints; ++i) {
        XSync(probe, False);
        window.repaintExposed();
    }
    EXPECT_GT(window.paintCount(), paints);
    EXPECT_TRUE(tessarine::test::eventually(backgroundShown));

    window.close();
    EXPECT_EQ(frame.menuPresenter(), nullptr);
    EXPECT_TRUE(host.pump());
    XCloseDisplay(probe);
}
