// The X11 back-end on a real server: a private Xvfb when one is installed,
// else the session's display; skipped when there is neither. Clicks and
// pop-ups through this window are played by the command-line window suites.

#include "support/XvfbServer.h"

#include "gui/Frame.h"
#include "gui/MenuPresenter.h"
#include "gui/Theme.h"
#include "gui/TopLevelWindow.h"
#include "gui/X11Window.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "support/XPixels.h"

#include <cstdlib>
#include <memory>
#include <string>

using namespace tessarine::gui;

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
