// An option menu's pop-up on a real X server, played through XTest: a list
// too long for the screen even in columns scrolls with the wheel, the wheel
// never chooses an entry, and the keyboard works it as any menu's.

#include "support/ControlTestSupport.h"
#include "support/XvfbServer.h"

#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "gui/TopLevelWindow.h"
#include "gui/X11Window.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "gui/X11PopupMenu.h"
#include "support/DialogTypist.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>

using namespace tessarine::gui;

TEST(PopupMenuWheel, ScrollsColumnsBeyondTheScreenNeverChoosesAndTakesKeys)
{
    tessarine::test::XvfbServer server;
    if (!server.running()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    TopLevelWindow host;
    ASSERT_TRUE(host.open(400, 200, "menu test", server.display().c_str()));
    Frame frame(400, 200);
    tessarine::gui::test::RecordingListener chosen;
    auto* menu = frame.add(std::make_unique<OptionMenu>(Rect{20, 20, 120, 19}, 1, &chosen));
    for (int i = 0; i < 1000; ++i) {
        menu->addEntry("Entry " + std::to_string(i));
    }
    X11Window window(frame);
    ASSERT_TRUE(window.open(host.windowId(), server.display().c_str()));
    Display* d = XOpenDisplay(server.display().c_str());
    ASSERT_NE(d, nullptr);
    auto pump = [&] {
        for (int i = 0; i < 4; ++i) {
            XSync(d, False);
            window.idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
    auto moveTo = [&](int rootX, int rootY) {
        XTestFakeMotionEvent(d, -1, rootX, rootY, CurrentTime);
        pump();
    };
    auto button = [&](unsigned number) {
        XTestFakeButtonEvent(d, number, True, CurrentTime);
        pump();
        XTestFakeButtonEvent(d, number, False, CurrentTime);
        pump();
    };
    pump();
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(d, window.windowId(), DefaultRootWindow(d), 40, 28, &rootX, &rootY, &child);
    moveTo(rootX, rootY);
    button(1);
    auto* popup = dynamic_cast<X11PopupMenu*>(frame.menuPresenter());
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->activeMenu(), menu);
    const Rect area = popup->popupArea();
    EXPECT_LE(area.right(), DisplayWidth(d, DefaultScreen(d))) << "the pop-up fits on the screen";
    EXPECT_LE(area.bottom(), DisplayHeight(d, DefaultScreen(d)));

    // Wheel notches (4 away from the user, 5 towards) and the first column in sight after each.
    struct Step {
        unsigned button;
        int firstColumn;
    };
    moveTo(area.x + 12, area.y + 11);
    for (const Step step : {Step{5, 1}, Step{5, 2}, Step{4, 1}, Step{4, 0}, Step{4, 0}, Step{5, 1}}) {
        button(step.button);
        EXPECT_EQ(popup->firstShownColumn(), step.firstColumn);
        EXPECT_EQ(popup->activeMenu(), menu) << "the wheel leaves the pop-up open";
        EXPECT_TRUE(chosen.values.empty()) << "the wheel chooses nothing";
    }
    // A click takes the entry shown under the pointer: the first of the scrolled-to column.
    moveTo(area.x + 14, area.y + 11);
    button(1);
    EXPECT_EQ(chosen.values.size(), 1u);
    EXPECT_EQ(menu->currentEntry(), popup->rowsPerColumn());

    // Escape closes without a choice; Down, Down, Return takes the second entry.
    auto key = [&](KeySym sym) {
        tessarine::test::typist::typeKey(d, sym);
        pump();
    };
    moveTo(rootX, rootY);
    button(1);
    ASSERT_EQ(popup->activeMenu(), menu);
    key(XK_Escape);
    EXPECT_EQ(popup->activeMenu(), nullptr);
    EXPECT_EQ(chosen.values.size(), 1u);
    button(1);
    ASSERT_EQ(popup->activeMenu(), menu);
    key(XK_Down);
    key(XK_Down);
    key(XK_Return);
    EXPECT_EQ(popup->activeMenu(), nullptr);
    EXPECT_EQ(chosen.values.size(), 2u);
    EXPECT_EQ(menu->currentEntry(), 1);
    XCloseDisplay(d);
}
