#include "app/EditorWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <poll.h>

namespace tessarine::app {

namespace {

// Larger than any screen: an editor size beyond it is a broken answer.
constexpr int kMaxSide = 8192;

} // namespace

std::unique_ptr<EditorWindow> EditorWindow::open(InstrumentCore& core, std::string& error)
{
    const EditorSize size = core.editorSize();
    if (!core.hasEditor() || size.width <= 0 || size.height <= 0 || size.width > kMaxSide
        || size.height > kMaxSide) {
        error = "the instrument has no editor to show";
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        error = "cannot open the X display";
        return nullptr;
    }
    std::unique_ptr<EditorWindow> self(new EditorWindow(core));
    self->display_ = display;
    const int screen = DefaultScreen(display);
    self->window_ = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                        static_cast<unsigned>(size.width), static_cast<unsigned>(size.height), 0,
                                        BlackPixel(display, screen), BlackPixel(display, screen));
    XStoreName(display, self->window_, "Tessarine");
    XClassHint classHint{};
    char name[] = "tessarine-app";
    char className[] = "Tessarine";
    classHint.res_name = name;
    classHint.res_class = className;
    XSetClassHint(display, self->window_, &classHint);
    // The editor draws at one size; the window keeps it.
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = size.width;
    hints.min_height = hints.max_height = size.height;
    XSetWMNormalHints(display, self->window_, &hints);
    Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, self->window_, &deleteAtom, 1);
    self->deleteAtom_ = deleteAtom;
    XSelectInput(display, self->window_, StructureNotifyMask);
    XMapWindow(display, self->window_);

    // The editor's child window shows only once its parent is on screen.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    XEvent event;
    while (std::chrono::steady_clock::now() < deadline
           && XCheckTypedWindowEvent(display, self->window_, MapNotify, &event) == False) {
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        ::poll(&fd, 1, 10);
    }
    XSync(display, False);

    if (!core.openEditor(reinterpret_cast<void*>(static_cast<std::uintptr_t>(self->window_)))) {
        error = "the editor could not open";
        return nullptr;
    }
    self->editorOpen_ = true;
    return self;
}

EditorWindow::~EditorWindow()
{
    if (editorOpen_) {
        core_.closeEditor();
    }
    if (display_ != nullptr) {
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
}

bool EditorWindow::idle(int timeoutMs)
{
    if (XPending(display_) == 0) {
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&fd, 1, timeoutMs);
    }
    while (!closed_ && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == ClientMessage && static_cast<unsigned long>(event.xclient.data.l[0]) == deleteAtom_) {
            closed_ = true;
        }
    }
    if (!closed_) {
        core_.idleEditor();
    }
    return !closed_;
}

} // namespace tessarine::app
