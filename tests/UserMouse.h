#pragma once
// A user's mouse on a window of a test X server, moved and pressed through the
// XTest extension so the events reach the window as real ones do.
// Include after gtest: Xlib's macro None would break its headers.

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace tessarine::test {

class UserMouse {
public:
    UserMouse(Display* display, unsigned long window) : display_(display), window_(window) {}

    // Window coordinates.
    void moveTo(int x, int y)
    {
        int rootX = 0;
        int rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display_, -1, rootX, rootY, CurrentTime);
        XFlush(display_);
    }

    void button(bool down)
    {
        XTestFakeButtonEvent(display_, 1, down ? True : False, CurrentTime);
        XFlush(display_);
    }

private:
    Display* display_;
    unsigned long window_;
};

} // namespace tessarine::test
