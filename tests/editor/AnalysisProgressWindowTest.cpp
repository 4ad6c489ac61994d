// The analysis progress window: the bar's limits, no window without a display,
// and on a real (virtual) display its title, size, bar and repaint after exposure.

#include "support/XvfbServer.h"
#include "editor/dialogs/AnalysisProgressWindow.h"
#include "editor/dialogs/DesktopDialogs.h"
#include "editor/dialogs/ToolkitDialogs.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "support/XPixels.h"

#include <cmath>
#include <cstdlib>

namespace {

using tessarine::AnalysisProgressWindow;
using tessarine::test::eventually;
using tessarine::test::pixelAt;

TEST(AnalysisProgressWindow, BarIsHeldBetweenFiveAndNinetyFivePercent)
{
    const struct {
        double percent;
        int shown;
    } cases[] = {
        {0, 5}, {-20, 5}, {4.99, 5}, {5, 5}, {50.7, 50}, {94.99, 94}, {95, 95}, {100, 95}, {1e12, 95},
        {NAN, 5}, {-INFINITY, 5}, {INFINITY, 95},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnalysisProgressWindow::barPosition(c.percent), c.shown) << c.percent;
    }
}

// Without a display no window opens and every dialog is a cancel, our own and,
// when the desktop's tool cannot start, the one it hands over to.
TEST(AnalysisProgressWindow, WithoutADisplayTheAnalysisRunsWithNoWindow)
{
    const char* display = std::getenv("DISPLAY");
    std::string saved = display != nullptr ? display : "";
    unsetenv("DISPLAY");
    EXPECT_EQ(AnalysisProgressWindow::open(), nullptr);
    tessarine::ToolkitDialogs dialogs;
    EXPECT_EQ(dialogs.openAnalysisProgress(), nullptr);
    std::string path = "unchanged";
    EXPECT_FALSE(dialogs.openFile("t9i", path)) << "no display: the dialog is a cancel";
    tessarine::DesktopDialogs missingTool(tessarine::DesktopDialogs::Tool::Zenity, "/no/such/tool");
    EXPECT_FALSE(missingTool.openFile("t9i", path));
    EXPECT_EQ(path, "unchanged");
    if (display != nullptr) {
        setenv("DISPLAY", saved.c_str(), 1);
    }
}

TEST(AnalysisProgressWindow, ShowsTitleSizeAndBarAndRepaintsWhenExposed)
{
    tessarine::test::XvfbServer server;
    if (!server.running()) {
        GTEST_SKIP() << "Xvfb is not installed; the window is not tried";
    }
    auto window = AnalysisProgressWindow::open();
    ASSERT_NE(window, nullptr);
    Display* display = XOpenDisplay(server.display().c_str());
    ASSERT_NE(display, nullptr);

    char* title = nullptr;
    ASSERT_NE(XFetchName(display, window->windowId(), &title), 0);
    EXPECT_STREQ(title, "Analysing Audio");
    XFree(title);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window->windowId(), &attributes);
    EXPECT_EQ(attributes.width, 300);
    EXPECT_EQ(attributes.height, 100);

    // Along the bar's row: x 3 is always filled (5 % at least), x 296 never (95 % at most).
    const unsigned long content = window->contentWindowId();
    const int row = AnalysisProgressWindow::kHeight - AnalysisProgressWindow::kBarHeight / 2;
    auto filled = [&](int x) { return pixelAt(display, content, x, row) == pixelAt(display, content, 3, row); };
    ASSERT_TRUE(eventually([&] { return !filled(296) && filled(3) && !filled(150); }));

    const struct {
        double percent;
        int filledUpTo;  // a point inside the bar's fill
        int emptyFrom;   // a point past it
    } steps[] = {{0, 12, 20}, {60, 170, 185}, {100, 280, 290}, {40.9, 115, 125}};
    for (const auto& step : steps) {
        window->setProgress(step.percent);
        EXPECT_TRUE(eventually([&] { return filled(step.filledUpTo) && !filled(step.emptyFrom); })) << step.percent;
    }

    // Scribble over the bar and expose it: the next report repaints it, though the value did not change.
    GC gc = XCreateGC(display, content, 0, nullptr);
    XSetForeground(display, gc, 0x00ff00ff);
    XFillRectangle(display, content, gc, 0, AnalysisProgressWindow::kHeight - 30, 300, 30);
    XFreeGC(display, gc);
    XClearArea(display, content, 0, AnalysisProgressWindow::kHeight - 30, 300, 30, True);
    XSync(display, False);
    ASSERT_EQ(pixelAt(display, content, 100, row), 0xff00ffu);
    EXPECT_TRUE(eventually([&] {
        window->setProgress(40.9);
        return pixelAt(display, content, 100, row) != 0xff00ffu && filled(100) && !filled(125);
    }));

    XCloseDisplay(display);
}

} // namespace
