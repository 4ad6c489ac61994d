#pragma once
// A user at a test X server's mouse and keyboard through the XTest extension,
// on a connection of its own: the window suites' one driver. Positions are a
// window's own; after each act the GUI loop under test runs (the host's idle,
// a window's idle) so that what follows sees the act's outcome, and every
// wait is bounded. Dialogs of their own loop are answered from another thread
// (typeIntoDialog) while the thread that opened them waits inside them.
// Include after gtest: Xlib's macro None would break its headers.

#include "gui/Geometry.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

namespace tessarine::test {

// What a window shows or does reaches the test in its own time: runs loop
// (else a short pause) until condition holds or the seconds are up.
inline bool eventually(const std::function<bool()>& condition, const std::function<void()>& loop = {},
                       double seconds = 3)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        if (loop) {
            loop();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return true;
}

class XTestUser {
public:
    XTestUser() = default;
    // loop: one round of the GUI loop that must see each act; none: a short pause.
    XTestUser(Display* display, Window window, std::function<void()> loop = {})
        : display_(display), window_(window), loop_(std::move(loop))
    {
    }

    bool hasXTest() const
    {
        int event = 0, error = 0, major = 0, minor = 0;
        return display_ != nullptr && XTestQueryExtension(display_, &event, &error, &major, &minor);
    }

    void idle(int rounds = 2)
    {
        for (int i = 0; i < rounds; ++i) {
            if (loop_) {
                loop_();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    bool idleUntil(const std::function<bool()>& condition, double seconds = 3)
    {
        return eventually(condition, [this] { idle(1); }, seconds);
    }

    // Buttons 4 and 5 are the wheel's notches up and down.
    void moveTo(double x, double y)
    {
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), static_cast<int>(x), static_cast<int>(y),
                              &rootX, &rootY, &child);
        XTestFakeMotionEvent(display_, -1, rootX, rootY, CurrentTime);
        sync();
    }
    void button(unsigned number, bool down)
    {
        XTestFakeButtonEvent(display_, number, down ? True : False, CurrentTime);
        sync();
    }
    void click(double x, double y, unsigned number = 1)
    {
        moveTo(x, y);
        button(number, true);
        button(number, false);
    }
    void click(gui::Point p, unsigned number = 1) { click(p.x, p.y, number); }
    // Press and release reach the window in one round of its loop: a click no
    // late round on a loaded machine stretches past a control's hold timer.
    void tap(double x, double y)
    {
        moveTo(x, y);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        button(1, false);
    }
    // A press at (x, y), a move in steps by (dx, dy), a release there.
    void drag(double x, double y, double dx, double dy, int steps = 6)
    {
        moveTo(x, y);
        button(1, true);
        for (int i = 1; i <= steps; ++i) {
            moveTo(x + dx * i / steps, y + dy * i / steps);
        }
        button(1, false);
    }
    void drag(gui::Point p, double dx, double dy) { drag(p.x, p.y, dx, dy); }
    void wheel(double x, double y, int notches)
    {
        moveTo(x, y);
        for (int i = 0; i < std::abs(notches); ++i) {
            button(notches > 0 ? 4 : 5, true);
            button(notches > 0 ? 4 : 5, false);
        }
    }
    // A key struck, with Shift when its symbol is another one on the key ('_' on '-', capitals).
    void key(KeySym sym)
    {
        const ::KeyCode code = XKeysymToKeycode(display_, sym);
        const bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != sym;
        const ::KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
        if (shifted) {
            XTestFakeKeyEvent(display_, shift, True, CurrentTime);
        }
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        if (shifted) {
            XTestFakeKeyEvent(display_, shift, False, CurrentTime);
        }
        sync();
    }
    // Printable characters are their own key symbols; '\b' is Backspace.
    void type(std::string_view text)
    {
        for (char c : text) {
            key(c == '\b' ? XK_BackSpace : static_cast<KeySym>(static_cast<unsigned char>(c)));
        }
    }
    // What act does with a modifier key held down, as the X server reports it.
    void holding(KeySym modifier, const std::function<void()>& act)
    {
        const ::KeyCode code = XKeysymToKeycode(display_, modifier);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        sync();
        act();
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        sync();
        idle(4);
    }

private:
    void sync()
    {
        XSync(display_, False);
        idle();
    }

    Display* display_ = nullptr;
    Window window_ = 0;
    std::function<void()> loop_;
};

namespace typist {

// Windows come and go while the typist looks for its dialog (a drag source's,
// a menu's): naming one just destroyed is no failure of the test. Called first
// on the test's own thread, before the typist's starts, so it never races the
// editor's own brief handlers.
inline void tolerateGoneWindows()
{
    static std::once_flag once;
    std::call_once(once, [] {
        static XErrorHandler fallback = nullptr;
        fallback = XSetErrorHandler([](Display* display, XErrorEvent* error) -> int {
            return error->error_code == BadWindow || fallback == nullptr ? 0 : fallback(display, error);
        });
    });
}

// A top-level window of this title other than skip, waited for (bounded); 0 when none came.
inline Window waitForWindow(Display* display, const std::string& title, Window skip = 0)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0) {
            for (unsigned i = 0; i < count && found == 0; ++i) {
                char* name = nullptr;
                if (children[i] != skip && XFetchName(display, children[i], &name) != 0 && name != nullptr) {
                    found = title == name ? children[i] : 0;
                    XFree(name);
                }
            }
            XFree(children);
        }
        if (found != 0) {
            return found;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

} // namespace typist

// Waits for the dialog of this title, puts the pointer onto it and types the
// text and a last key; from a thread of its own while the thread that opened
// the dialog waits inside the dialog's loop.
inline void typeIntoDialog(Display* display, const std::string& title, std::string_view text,
                           KeySym last = XK_Return, Window skip = 0)
{
    typist::tolerateGoneWindows();
    const Window found = typist::waitForWindow(display, title, skip);
    if (found == 0) {
        return;
    }
    XTestUser user(display, found);
    user.moveTo(40, 40);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    user.type(text);
    user.key(last);
}
// The same on a connection of its own to the named display.
inline void typeIntoDialog(const std::string& displayName, const std::string& title, std::string_view text,
                           KeySym last = XK_Return, Window skip = 0)
{
    if (Display* display = XOpenDisplay(displayName.c_str()); display != nullptr) {
        typeIntoDialog(display, title, text, last, skip);
        XCloseDisplay(display);
    }
}

} // namespace tessarine::test
