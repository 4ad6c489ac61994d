#pragma once
// A window's pixels read back as another client of the X server sees them;
// they travel on the window's own connection: wait for them with eventually.
// Include after gtest: Xlib's macro None would break its headers.

#include "support/XTestUser.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

} // namespace tessarine::test
