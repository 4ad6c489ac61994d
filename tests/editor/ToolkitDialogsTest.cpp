// Our own dialog on a real (virtual) display, answered by typing as a user
// would, through the XTest extension: the path typed comes back, Escape cancels,
// and a save asks again before replacing a file.

#include "XvfbServer.h"
#include "editor/ToolkitDialogs.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A window with this title on the display, or 0.
Window findWindow(Display* display, Window under, const char* title)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, under, &root, &parent, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) != 0 && name != nullptr) {
            if (std::string(name) == title) {
                found = children[i];
            }
            XFree(name);
        }
    }
    XFree(children);
    return found;
}

class Typist {
public:
    explicit Typist(const std::string& displayName) : display_(XOpenDisplay(displayName.c_str())) {}
    ~Typist()
    {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }
    bool ready() const { return display_ != nullptr; }

    // Waits (bounded) for the dialog, puts the pointer on it, then types.
    void typeInto(const char* title, const std::string& text, KeySym last)
    {
        Window window = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (window == 0 && std::chrono::steady_clock::now() < deadline) {
            window = findWindow(display_, DefaultRootWindow(display_), title);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (window == 0) {
            return;
        }
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 40, 40, &x, &y, &child);
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XSync(display_, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (char c : text) {
            press(c == '/' ? XK_slash : c == '.' ? XK_period : c == '-' ? XK_minus : static_cast<KeySym>(c));
        }
        press(last);
    }

private:
    void press(KeySym sym)
    {
        KeyCode code = XKeysymToKeycode(display_, sym);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        XSync(display_, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    Display* display_;
};

TEST(ToolkitDialogs, TypedPathsAnswerTheDialogAndEscapeCancels)
{
    tessarine::test::XvfbServer server;
    if (!server.running()) {
        GTEST_SKIP() << "Xvfb is not installed; the dialog is not tried";
    }
    Typist typist(server.display());
    ASSERT_TRUE(typist.ready());
    const fs::path folder = fs::temp_directory_path() / ("tsn-dlg-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string existing = (folder / "voice.t9v").string();
    std::ofstream(existing) << "x";

    tessarine::ToolkitDialogs dialogs;
    std::string path;
    std::thread user([&] { typist.typeInto("Load Voice File", existing, XK_Return); });
    EXPECT_TRUE(dialogs.openFile("t9v", path));
    user.join();
    EXPECT_EQ(path, existing);

    path = "kept";
    user = std::thread([&] { typist.typeInto("Load Voice File", "/no", XK_Escape); });
    EXPECT_FALSE(dialogs.openFile("t9v", path));
    user.join();
    EXPECT_EQ(path, "kept");

    // The name lacks its extension; the file it names exists, so the first Return only asks.
    path.clear();
    user = std::thread([&] {
        typist.typeInto("Save Voice File", (folder / "voice").string(), XK_Return);
        typist.typeInto("Save Voice File", "", XK_Return);
    });
    EXPECT_TRUE(dialogs.saveFile("t9v", path));
    user.join();
    EXPECT_EQ(path, existing);
    fs::remove_all(folder);
}

} // namespace
