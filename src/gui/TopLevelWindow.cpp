#include "gui/TopLevelWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace tessarine::gui {

struct TopLevelWindow::Impl {
    Display* display = nullptr;
    Window window = 0;
    Atom deleteWindow = 0;
    bool closeAsked = false;
};

namespace {

// A fixed size: the editor inside does not stretch.
void fixSize(Display* display, Window window, int width, int height)
{
    XSizeHints* hints = XAllocSizeHints();
    if (hints != nullptr) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
        XSetWMNormalHints(display, window, hints);
        XFree(hints);
    }
}

} // namespace

TopLevelWindow::TopLevelWindow() = default;

TopLevelWindow::~TopLevelWindow()
{
    close();
}

bool TopLevelWindow::open(int width, int height, const std::string& title, const char* displayName)
{
    close();
    if (width <= 0 || height <= 0) {
        return false;
    }
    auto impl = std::make_unique<Impl>();
    impl->display = XOpenDisplay(displayName);
    if (impl->display == nullptr) {
        return false;
    }
    Display* display = impl->display;
    int screen = DefaultScreen(display);
    impl->window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                       static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                       BlackPixel(display, screen));
    XStoreName(display, impl->window, title.c_str());
    XChangeProperty(display, impl->window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    fixSize(display, impl->window, width, height);
    impl->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, impl->window, &impl->deleteWindow, 1);
    XSelectInput(display, impl->window, StructureNotifyMask);
    XMapWindow(display, impl->window);
    // The window must exist on the server before another connection puts a child in it.
    XSync(display, False);
    impl_ = std::move(impl);
    return true;
}

void TopLevelWindow::close()
{
    if (!impl_) {
        return;
    }
    XDestroyWindow(impl_->display, impl_->window);
    XCloseDisplay(impl_->display);
    impl_.reset();
}

void TopLevelWindow::resize(int width, int height)
{
    if (!impl_ || width <= 0 || height <= 0) {
        return;
    }
    fixSize(impl_->display, impl_->window, width, height);
    XResizeWindow(impl_->display, impl_->window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(impl_->display);
}

bool TopLevelWindow::isOpen() const
{
    return impl_ != nullptr;
}

unsigned long TopLevelWindow::windowId() const
{
    return impl_ ? impl_->window : 0;
}

bool TopLevelWindow::proxyDropsTo(unsigned long target)
{
    if (!impl_) {
        return false;
    }
    Display* display = impl_->display;
    if (target == 0) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, impl_->window, &root, &parent, &children, &count) != 0 && children != nullptr) {
            target = count > 0 ? children[0] : 0;
            XFree(children);
        }
        if (target == 0) {
            return false;
        }
    }
    // The version is the one our receiver speaks; a source checks the proxy, not us.
    const long version = 5;
    const long proxy = static_cast<long>(target);
    XChangeProperty(display, impl_->window, XInternAtom(display, "XdndAware", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    XChangeProperty(display, impl_->window, XInternAtom(display, "XdndProxy", False), XA_WINDOW, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&proxy), 1);
    XFlush(display);
    return true;
}

bool TopLevelWindow::pump()
{
    if (!impl_) {
        return false;
    }
    while (XPending(impl_->display) > 0) {
        XEvent event;
        XNextEvent(impl_->display, &event);
        if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == impl_->deleteWindow) {
            impl_->closeAsked = true;
        } else if (event.type == DestroyNotify && event.xdestroywindow.window == impl_->window) {
            impl_->closeAsked = true;
        }
    }
    return !impl_->closeAsked;
}

} // namespace tessarine::gui
