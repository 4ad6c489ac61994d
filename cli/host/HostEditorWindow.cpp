#include "host/HostEditorWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <poll.h>

namespace tessarine::host {

namespace {

// Larger than any screen: a rectangle beyond it is a broken answer.
constexpr int kMaxSide = 8192;

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

} // namespace

std::unique_ptr<HostEditorWindow> HostEditorWindow::open(PluginHost& host, std::string& error)
{
    if ((host.effect()->flags & vst::effFlagsHasEditor) == 0) {
        error = "the plug-in has no editor";
        return nullptr;
    }
    vst::EditorRect* rect = nullptr;
    if (host.dispatch(vst::effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr) {
        error = "the plug-in gave no editor size";
        return nullptr;
    }
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        error = "the plug-in's editor size " + std::to_string(width) + " x " + std::to_string(height)
            + " is not usable";
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        error = "cannot open the X display (is DISPLAY set?)";
        return nullptr;
    }
    std::unique_ptr<HostEditorWindow> window(new HostEditorWindow(host));
    window->display_ = display;
    window->width_ = width;
    window->height_ = height;

    int screen = DefaultScreen(display);
    window->window_ = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                          static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                          BlackPixel(display, screen));
    XStoreName(display, window->window_, host.effectName().c_str());
    window->fixSize(width, height);
    Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window->window_, &deleteAtom, 1);
    window->deleteAtom_ = deleteAtom;
    XSelectInput(display, window->window_, StructureNotifyMask);
    XMapWindow(display, window->window_);

    // The editor's child window shows only once its parent is on screen.
    XEvent event;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline) {
        if (XCheckTypedWindowEvent(display, window->window_, MapNotify, &event) == True) {
            break;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        ::poll(&fd, 1, 10);
    }
    XSync(display, False);

    auto start = std::chrono::steady_clock::now();
    const double cpuStart = threadCpuMs();
    vst::intptr opened = host.dispatch(vst::effEditOpen, 0, 0,
                                       reinterpret_cast<void*>(static_cast<std::uintptr_t>(window->window_)));
    window->openMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    window->openCpuMs_ = threadCpuMs() - cpuStart;
    if (opened == 0) {
        error = "the plug-in could not open its editor";
        return nullptr;
    }
    window->editorOpen_ = true;
    window->proxyDropsToEditor();
    return window;
}

// A file manager that looks only at top-level windows for a drop site finds
// this one and is sent on to the editor's own window, when the editor takes drops.
void HostEditorWindow::proxyDropsToEditor()
{
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display_, window_, &root, &parent, &children, &count) == 0 || children == nullptr) {
        return;
    }
    const Window editor = count > 0 ? children[0] : 0;
    XFree(children);
    const Atom aware = XInternAtom(display_, "XdndAware", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* version = nullptr;
    if (editor == 0
        || XGetWindowProperty(display_, editor, aware, 0, 1, False, XA_ATOM, &type, &format, &items, &after, &version)
            != Success
        || version == nullptr) {
        return;
    }
    if (format == 32 && items == 1) {
        const long proxy = static_cast<long>(editor);
        XChangeProperty(display_, window_, aware, XA_ATOM, 32, PropModeReplace, version, 1);
        XChangeProperty(display_, window_, XInternAtom(display_, "XdndProxy", False), XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&proxy), 1);
        XFlush(display_);
    }
    XFree(version);
}

HostEditorWindow::~HostEditorWindow()
{
    if (editorOpen_) {
        host_.dispatch(vst::effEditClose);
    }
    if (display_ != nullptr) {
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
}

// The window keeps the editor's size: the user cannot stretch it.
void HostEditorWindow::fixSize(int width, int height)
{
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display_, window_, &hints);
}

// A scale picked in the editor changes its rectangle: the window fits it.
void HostEditorWindow::followEditorSize()
{
    vst::EditorRect* rect = nullptr;
    if (host_.dispatch(vst::effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr) {
        return;
    }
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    if ((width == width_ && height == height_) || width <= 0 || height <= 0 || width > kMaxSide
        || height > kMaxSide) {
        return;
    }
    width_ = width;
    height_ = height;
    fixSize(width, height);
    XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(display_);
}

bool HostEditorWindow::idle()
{
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == ClientMessage && static_cast<unsigned long>(event.xclient.data.l[0]) == deleteAtom_) {
            closed_ = true;
        }
    }
    if (!closed_) {
        host_.dispatch(vst::effEditIdle);
        followEditorSize();
    }
    return !closed_;
}

} // namespace tessarine::host
