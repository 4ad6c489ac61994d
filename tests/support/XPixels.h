#pragma once
// A window's pixels read back as another client of the X server sees them.
// Include after gtest: Xlib's macro None would break its headers.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <functional>
#include <thread>

namespace tessarine::test {

// One pixel of the window as 0xRRGGBB, or ~0 when it cannot be read.
inline unsigned long pixelAt(Display* display, unsigned long window, int x, int y)
{
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return ~0ul;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return pixel;
}

// A window's pictures travel on its own connection and reach the server in
// their own time: waits for what the test expects to see, for a bounded time.
inline bool eventually(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace tessarine::test
