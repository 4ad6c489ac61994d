#pragma once
// A user answering a dialog on a test X server through the XTest extension:
// the pointer onto the window of the given title, the text typed, a last key.
// Include after gtest: Xlib's macro None would break its headers.

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

namespace tessarine::test {

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

inline void typeKey(Display* display, KeySym sym)
{
    const ::KeyCode code = XKeysymToKeycode(display, sym);
    // Shift when the key's own symbol is another one ('_' on '-', '~' on '`', capitals).
    const bool shifted = XkbKeycodeToKeysym(display, code, 0, 0) != sym;
    const ::KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    if (shifted) {
        XTestFakeKeyEvent(display, shift, True, CurrentTime);
    }
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    if (shifted) {
        XTestFakeKeyEvent(display, shift, False, CurrentTime);
    }
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
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

// Waits for the dialog, then types into it; from a thread of its own while the
// thread that opened the dialog waits inside the dialog's loop.
inline void typeIntoDialog(Display* display, const std::string& title, const std::string& text,
                           KeySym last = XK_Return, Window skip = 0)
{
    typist::tolerateGoneWindows();
    const Window found = typist::waitForWindow(display, title, skip);
    if (found == 0) {
        return;
    }
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, found, DefaultRootWindow(display), 40, 40, &x, &y, &child);
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (char c : text) {
        typist::typeKey(display, c == '/' ? XK_slash : c == '.' ? XK_period : c == '-' ? XK_minus
                               : c == '_' ? XK_underscore : c == '~' ? XK_asciitilde : static_cast<KeySym>(c));
    }
    typist::typeKey(display, last);
}
inline void typeIntoDialog(const std::string& displayName, const std::string& title, const std::string& text)
{
    if (Display* display = XOpenDisplay(displayName.c_str()); display != nullptr) {
        typeIntoDialog(display, title, text);
        XCloseDisplay(display);
    }
}

} // namespace tessarine::test
