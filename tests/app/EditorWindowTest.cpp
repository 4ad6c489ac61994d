// The editor in the application's own top-level window, on a private X server.

#include "app/EditorWindow.h"

#include "AppTestSupport.h"
#include "support/XvfbServer.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "support/XTestUser.h"

namespace {

TEST(EditorWindow, HoldsTheEditorAtItsSizeAndClosesWhenTheWindowManagerAsks)
{
    tessarine::test::XvfbServer server;
    ASSERT_TRUE(server.running()) << "Xvfb must be installed";
    apptest::QuietHost host;
    tessarine::InstrumentCore core(host, "");
    std::string error;
    auto window = tessarine::app::EditorWindow::open(core, error);
    ASSERT_NE(window, nullptr) << error;

    Display* display = XOpenDisplay(server.display().c_str());
    ASSERT_NE(display, nullptr);
    const Window shown = tessarine::test::typist::waitForWindow(display, "Tessarine");
    ASSERT_NE(shown, 0u);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0, count = 0;
    XGetGeometry(display, shown, &root, &x, &y, &width, &height, &border, &depth);
    EXPECT_EQ(static_cast<int>(width), core.editorSize().width);
    EXPECT_EQ(static_cast<int>(height), core.editorSize().height);
    XQueryTree(display, shown, &root, &parent, &children, &count);
    XFree(children);
    EXPECT_GE(count, 1u) << "the editor's own window sits inside";
    EXPECT_TRUE(window->idle(30));

    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = shown;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, shown, False, NoEventMask, &close);
    XFlush(display);
    bool open = true;
    for (int round = 0; round < 100 && open; ++round) {
        open = window->idle(30);
    }
    EXPECT_FALSE(open);
    window.reset();
    XCloseDisplay(display);
}

} // namespace
