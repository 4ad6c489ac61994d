// Our own windows on a real (virtual) display, played through the XTest
// extension as a user would: the file dialogs answered by typing, the
// analysis progress window, and an option menu's pop-up too long for the
// screen. Without Xvfb they are skipped; without any display nothing opens.

#include "support/ControlTestSupport.h"
#include "support/TempFolder.h"
#include "support/XvfbServer.h"
#include "editor/dialogs/AnalysisProgressWindow.h"
#include "editor/dialogs/DesktopDialogs.h"
#include "editor/dialogs/ToolkitDialogs.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "gui/TopLevelWindow.h"
#include "gui/X11Window.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "gui/X11PopupMenu.h"
#include "support/XPixels.h"
#include "support/XTestUser.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tessarine::AnalysisProgressWindow;
using tessarine::test::eventually;
using tessarine::test::pixelAt;
using tessarine::test::typeIntoDialog;

class OnTheDisplay : public testing::Test {
protected:
    void SetUp() override
    {
        if (!server.running()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        display = XOpenDisplay(server.display().c_str());
        ASSERT_NE(display, nullptr);
    }
    void TearDown() override
    {
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }
    tessarine::test::XvfbServer server;
    Display* display = nullptr;
};

// The window suites answer every load and save by typing a path and Return.
TEST_F(OnTheDisplay, EscapeCancelsASaveAsksBeforeReplacingAndAFileIsFoundByTildeAndPartOfItsName)
{
    const tessarine::test::TempFolder scratch("home");
    const fs::path& home = scratch.path();
    fs::create_directories(home / "elsewhere");
    for (const char* name : {"voice.t9v", "violin.wav", "viola.wav"}) {
        std::ofstream(home / name) << "x";
    }
    const char* previous = std::getenv("HOME");
    const std::string savedHome = previous != nullptr ? previous : "";
    setenv("HOME", home.c_str(), 1);
    tessarine::ToolkitDialogs dialogs((home / "recent-folders").string());

    std::string path = "kept";
    std::thread user([&] { typeIntoDialog(display, "Load Voice File", "/no", XK_Escape); });
    EXPECT_FALSE(dialogs.openFile("t9v", path));
    user.join();
    EXPECT_EQ(path, "kept");

    // The name lacks its extension; the file it names exists, so the first Return only asks.
    path.clear();
    user = std::thread([&] {
        typeIntoDialog(display, "Save Voice File", (home / "voice").string(), XK_Return);
        typeIntoDialog(display, "Save Voice File", "", XK_Return);
    });
    EXPECT_TRUE(dialogs.saveFile("t9v", path));
    user.join();
    EXPECT_EQ(path, (home / "voice.t9v").string());

    dialogs.remember("wav", (home / "elsewhere" / "a.wav").string()); // so the dialog opens away from home
    std::vector<std::string> paths;
    user = std::thread([&] {
        typeIntoDialog(display, "Load Sound File", "~", XK_Return);
        typeIntoDialog(display, "Load Sound File", "olin", XK_Return);
    });
    EXPECT_TRUE(dialogs.openFiles("wav", paths));
    user.join();
    EXPECT_EQ(paths, std::vector<std::string>{(home / "violin.wav").string()});
    EXPECT_EQ(dialogs.startFolder("wav"), home.string()) << "the next one opens where this one chose";
    if (previous != nullptr) {
        setenv("HOME", savedHome.c_str(), 1);
    }
}

TEST(AnalysisProgressWindow, BarIsHeldBetweenFiveAndNinetyFivePercent)
{
    const struct { double percent; int shown; } cases[] = {
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

TEST_F(OnTheDisplay, TheProgressWindowShowsTitleSizeAndBarAndRepaintsWhenExposed)
{
    auto window = AnalysisProgressWindow::open();
    ASSERT_NE(window, nullptr);
    char* title = nullptr;
    ASSERT_NE(XFetchName(display, window->windowId(), &title), 0);
    EXPECT_STREQ(title, "Analysing Audio");
    XFree(title);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window->windowId(), &attributes);
    EXPECT_EQ(std::pair(attributes.width, attributes.height), std::pair(300, 100));

    // Along the bar's row: x 3 is always filled (5 % at least), x 296 never (95 % at most).
    const unsigned long content = window->contentWindowId();
    const int row = AnalysisProgressWindow::kHeight - AnalysisProgressWindow::kBarHeight / 2;
    auto filled = [&](int x) { return pixelAt(display, content, x, row) == pixelAt(display, content, 3, row); };
    ASSERT_TRUE(eventually([&] { return !filled(296) && filled(3) && !filled(150); }));
    // A point inside the bar's fill, and one past it.
    for (auto [percent, filledUpTo, emptyFrom] :
         {std::tuple{0.0, 12, 20}, {60.0, 170, 185}, {100.0, 280, 290}, {40.9, 115, 125}}) {
        window->setProgress(percent);
        EXPECT_TRUE(eventually([&] { return filled(filledUpTo) && !filled(emptyFrom); })) << percent;
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
}

// A list too long for the screen even in columns scrolls with the wheel, the
// wheel never chooses an entry, and the keyboard works it as any menu's.
TEST_F(OnTheDisplay, APopUpMenuScrollsColumnsBeyondTheScreenNeverChoosesByTheWheelAndTakesKeys)
{
    using namespace tessarine::gui;
    TopLevelWindow host;
    ASSERT_TRUE(host.open(400, 200, "menu test", server.display().c_str()));
    Frame frame(400, 200);
    test::RecordingListener chosen;
    auto* menu = frame.add(std::make_unique<OptionMenu>(Rect{20, 20, 120, 19}, 1, &chosen));
    for (int i = 0; i < 1000; ++i) {
        menu->addEntry("Entry " + std::to_string(i));
    }
    X11Window window(frame);
    ASSERT_TRUE(window.open(host.windowId(), server.display().c_str()));
    // Positions on the root window: the pop-up's area is the screen's.
    tessarine::test::XTestUser user(display, DefaultRootWindow(display), [&] { window.idle(); });
    user.idle(4);
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display, window.windowId(), DefaultRootWindow(display), 40, 28, &rootX, &rootY, &child);
    user.click(rootX, rootY);
    auto* popup = dynamic_cast<X11PopupMenu*>(frame.menuPresenter());
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->activeMenu(), menu);
    const Rect area = popup->popupArea();
    EXPECT_LE(area.right(), DisplayWidth(display, DefaultScreen(display))) << "the pop-up fits on the screen";
    EXPECT_LE(area.bottom(), DisplayHeight(display, DefaultScreen(display)));

    // Wheel notches (4 away from the user, 5 towards) and the first column in sight after each.
    for (auto [notch, firstColumn] : {std::pair{5u, 1}, {5u, 2}, {4u, 1}, {4u, 0}, {4u, 0}, {5u, 1}}) {
        user.click(area.x + 12, area.y + 11, notch);
        EXPECT_EQ(popup->firstShownColumn(), firstColumn);
        EXPECT_EQ(popup->activeMenu(), menu) << "the wheel leaves the pop-up open";
        EXPECT_TRUE(chosen.values.empty()) << "the wheel chooses nothing";
    }
    // A click takes the entry shown under the pointer: the first of the scrolled-to column.
    user.click(area.x + 14, area.y + 11);
    EXPECT_EQ(chosen.values.size(), 1u);
    EXPECT_EQ(menu->currentEntry(), popup->rowsPerColumn());

    // Escape closes without a choice; Down, Down, Return takes the second entry.
    user.click(rootX, rootY);
    ASSERT_EQ(popup->activeMenu(), menu);
    user.key(XK_Escape);
    EXPECT_EQ(popup->activeMenu(), nullptr);
    EXPECT_EQ(chosen.values.size(), 1u);
    user.click(rootX, rootY);
    ASSERT_EQ(popup->activeMenu(), menu);
    for (KeySym sym : {XK_Down, XK_Down, XK_Return}) {
        user.key(sym);
    }
    EXPECT_EQ(popup->activeMenu(), nullptr);
    EXPECT_EQ(chosen.values.size(), 2u);
    EXPECT_EQ(menu->currentEntry(), 1);
}

} // namespace
