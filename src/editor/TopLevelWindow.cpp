#include "editor/TopLevelWindow.h"

// Named before Xlib arrives: its macro None would swallow the enumerator.
namespace {
constexpr auto kNoButton = tessarine::gui::MouseButton::None;
}

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <poll.h>

#include <chrono>

namespace tessarine {

namespace {

unsigned modifiersOf(unsigned state)
{
    unsigned modifiers = 0;
    if ((state & ShiftMask) != 0) {
        modifiers |= gui::kShift;
    }
    if ((state & ControlMask) != 0) {
        modifiers |= gui::kControl;
    }
    if ((state & Mod1Mask) != 0) {
        modifiers |= gui::kAlt;
    }
    return modifiers;
}

gui::MouseButton buttonOf(unsigned button)
{
    switch (button) {
    case Button1:
        return gui::MouseButton::Left;
    case Button2:
        return gui::MouseButton::Middle;
    case Button3:
        return gui::MouseButton::Right;
    default:
        return kNoButton;
    }
}

int keyOf(XKeyEvent& key)
{
    char text[8] = {};
    KeySym sym = NoSymbol;
    int length = XLookupString(&key, text, sizeof(text), &sym, nullptr);
    switch (sym) {
    case XK_Return:
    case XK_KP_Enter:
        return gui::kKeyReturn;
    case XK_Escape:
        return gui::kKeyEscape;
    case XK_BackSpace:
        return gui::kKeyBackspace;
    case XK_Delete:
        return gui::kKeyDelete;
    case XK_Left:
        return gui::kKeyLeft;
    case XK_Right:
        return gui::kKeyRight;
    case XK_Up:
        return gui::kKeyUp;
    case XK_Down:
        return gui::kKeyDown;
    case XK_Home:
        return gui::kKeyHome;
    case XK_End:
        return gui::kKeyEnd;
    default:
        break;
    }
    return length == 1 ? static_cast<unsigned char>(text[0]) : 0;
}

} // namespace

std::unique_ptr<TopLevelWindow> TopLevelWindow::create(const char* title, int width, int height, int x, int y)
{
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    std::unique_ptr<TopLevelWindow> window(new TopLevelWindow);
    window->display_ = display;
    window->width_ = width;
    window->height_ = height;

    int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = WhitePixel(display, screen);
    attributes.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask | KeyReleaseMask | ButtonPressMask
        | ButtonReleaseMask | PointerMotionMask;
    window->window_ = XCreateWindow(display, RootWindow(display, screen), x, y, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                    CWBackPixel | CWEventMask, &attributes);
    XStoreName(display, window->window_, title);

    // A fixed size: the window manager offers no resizing.
    XSizeHints hints{};
    hints.flags = PPosition | PMinSize | PMaxSize;
    hints.x = x;
    hints.y = y;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display, window->window_, &hints);

    Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window->window_, &deleteAtom, 1);
    window->deleteAtom_ = deleteAtom;

    window->surface_ =
        cairo_xlib_surface_create(display, window->window_, DefaultVisual(display, screen), width, height);
    if (cairo_surface_status(window->surface_) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    return window;
}

TopLevelWindow::~TopLevelWindow()
{
    if (surface_ != nullptr) {
        cairo_surface_destroy(surface_);
    }
    if (display_ != nullptr) {
        if (window_ != 0) {
            XDestroyWindow(display_, window_);
        }
        XCloseDisplay(display_);
    }
}

void TopLevelWindow::show(int timeoutMs)
{
    XMapRaised(display_, window_);
    XFlush(display_);
    // Until the first exposure the window has nothing on screen to draw into.
    XEvent event;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (XCheckTypedWindowEvent(display_, window_, Expose, &event) == True) {
            XPutBackEvent(display_, &event);
            return;
        }
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&fd, 1, 5);
    }
}

bool TopLevelWindow::translate(const void* raw, WindowEvent& event)
{
    XEvent xevent = *static_cast<const XEvent*>(raw);
    event.input = gui::InputEvent{};
    switch (xevent.type) {
    case Expose:
        event.kind = WindowEvent::Kind::Exposed;
        return xevent.xexpose.count == 0;
    case ClientMessage:
        event.kind = WindowEvent::Kind::Closed;
        return static_cast<unsigned long>(xevent.xclient.data.l[0]) == deleteAtom_;
    case ButtonPress:
    case ButtonRelease: {
        event.kind = WindowEvent::Kind::Input;
        event.input.position = {static_cast<double>(xevent.xbutton.x), static_cast<double>(xevent.xbutton.y)};
        event.input.modifiers = modifiersOf(xevent.xbutton.state);
        unsigned button = xevent.xbutton.button;
        if (button == Button4 || button == Button5) {
            if (xevent.type == ButtonRelease) {
                return false;
            }
            event.input.kind = gui::EventKind::Wheel;
            event.input.wheel = button == Button4 ? 1.0f : -1.0f;
            return true;
        }
        event.input.kind = xevent.type == ButtonPress ? gui::EventKind::MouseDown : gui::EventKind::MouseUp;
        event.input.button = buttonOf(button);
        return event.input.button != kNoButton;
    }
    case MotionNotify:
        event.kind = WindowEvent::Kind::Input;
        event.input.kind = gui::EventKind::MouseMove;
        event.input.position = {static_cast<double>(xevent.xmotion.x), static_cast<double>(xevent.xmotion.y)};
        event.input.modifiers = modifiersOf(xevent.xmotion.state);
        return true;
    case KeyPress:
    case KeyRelease:
        event.kind = WindowEvent::Kind::Input;
        event.input.kind = xevent.type == KeyPress ? gui::EventKind::KeyDown : gui::EventKind::KeyUp;
        event.input.modifiers = modifiersOf(xevent.xkey.state);
        event.input.key = keyOf(xevent.xkey);
        return event.input.key != 0;
    default:
        return false;
    }
}

bool TopLevelWindow::poll(WindowEvent& event)
{
    while (XPending(display_) > 0) {
        XEvent xevent;
        XNextEvent(display_, &xevent);
        if (translate(&xevent, event)) {
            return true;
        }
    }
    return false;
}

bool TopLevelWindow::wait(WindowEvent& event, int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (poll(event)) {
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left.count()));
    }
}

void TopLevelWindow::paint(const std::function<void(cairo_t*)>& painter)
{
    cairo_t* cr = cairo_create(surface_);
    cairo_push_group(cr);
    painter(cr);
    cairo_pop_group_to_source(cr);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
    XFlush(display_);
}

} // namespace tessarine
