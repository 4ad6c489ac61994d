#include "gui/X11Window.h"

#include "gui/Clock.h"
#include "gui/DeviceScale.h"
#include "gui/X11ImageCopy.h"
#include "gui/TextEdit.h"
#include "gui/X11PopupMenu.h"
#include "gui/XdndReceiver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <memory>

namespace tessarine::gui {

namespace {

// X reports a bad window id through the process-wide error handler, whose
// default ends the process. While we create our window a handler of ours
// notes errors on our own connection and passes any other to the host's.
Display* watchedDisplay = nullptr;
bool watchedError = false;
XErrorHandler previousHandler = nullptr;

int noteError(Display* display, XErrorEvent* error)
{
    if (display == watchedDisplay) {
        watchedError = true;
        return 0;
    }
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

class ErrorWatch {
public:
    explicit ErrorWatch(Display* display)
    {
        watchedDisplay = display;
        watchedError = false;
        previousHandler = XSetErrorHandler(noteError);
    }
    ~ErrorWatch()
    {
        XSetErrorHandler(previousHandler);
        watchedDisplay = nullptr;
    }
    // Waits for the server to answer everything sent so far.
    bool failed(Display* display)
    {
        XSync(display, False);
        return watchedError;
    }
};

unsigned modifiersOf(unsigned state)
{
    unsigned m = 0;
    if ((state & ShiftMask) != 0) {
        m |= kShift;
    }
    if ((state & ControlMask) != 0) {
        m |= kControl;
    }
    if ((state & Mod1Mask) != 0) {
        m |= kAlt;
    }
    return m;
}

int keyOf(XKeyEvent& event)
{
    char text[8] = {};
    KeySym sym = NoSymbol;
    int length = XLookupString(&event, text, sizeof(text) - 1, &sym, nullptr);
    switch (sym) {
    case XK_Return:
    case XK_KP_Enter:
        return kKeyReturn;
    case XK_Escape:
        return kKeyEscape;
    case XK_BackSpace:
        return kKeyBackspace;
    case XK_Delete:
    case XK_KP_Delete:
        return kKeyDelete;
    case XK_Left:
    case XK_KP_Left:
        return kKeyLeft;
    case XK_Right:
    case XK_KP_Right:
        return kKeyRight;
    case XK_Up:
    case XK_KP_Up:
        return kKeyUp;
    case XK_Down:
    case XK_KP_Down:
        return kKeyDown;
    case XK_Home:
    case XK_KP_Home:
        return kKeyHome;
    case XK_End:
    case XK_KP_End:
        return kKeyEnd;
    default:
        break;
    }
    // Latin-1 key symbols are their own code points; newer ones carry the
    // code point under 0x01000000.
    if (sym >= 0x20 && sym <= 0xff) {
        return static_cast<int>(sym);
    }
    if ((sym & 0xff000000) == 0x01000000) {
        return static_cast<int>(sym & 0x00ffffff);
    }
    if (length == 1 && static_cast<unsigned char>(text[0]) >= 0x20) {
        return static_cast<unsigned char>(text[0]);
    }
    return 0;
}

// One event of our window, as the frame's input; exposed areas (device
// pixels) are gathered for the copy at the end of the idle. Pointer positions
// go back through the frame's scale into its logical pixels.
void handleWindowEvent(Frame& frame, Display* display, Window window, Rect& exposed, XEvent& event)
{
    const double scale = frame.scale();
    InputEvent input;
    input.timeMs = monotonicMs();
    switch (event.type) {
    case Expose:
        exposed = exposed.united(
            Rect{event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height});
        break;
    case MotionNotify: {
        // Only the latest position of a burst of moves matters.
        XEvent later;
        while (XCheckTypedWindowEvent(display, window, MotionNotify, &later)) {
            event = later;
        }
        input.kind = EventKind::MouseMove;
        input.position = {event.xmotion.x / scale, event.xmotion.y / scale};
        input.modifiers = modifiersOf(event.xmotion.state);
        frame.dispatch(input);
        break;
    }
    case ButtonPress:
    case ButtonRelease: {
        unsigned button = event.xbutton.button;
        input.position = {event.xbutton.x / scale, event.xbutton.y / scale};
        input.modifiers = modifiersOf(event.xbutton.state);
        if (button == Button4 || button == Button5) {
            if (event.type == ButtonPress) {
                input.kind = EventKind::Wheel;
                input.wheel = button == Button4 ? 1.0f : -1.0f;
                frame.dispatch(input);
            }
            break;
        }
        if (button != Button1 && button != Button2 && button != Button3) {
            break;
        }
        input.kind = event.type == ButtonPress ? EventKind::MouseDown : EventKind::MouseUp;
        input.button = button == Button1 ? MouseButton::Left
            : button == Button2          ? MouseButton::Middle
                                         : MouseButton::Right;
        frame.dispatch(input);
        break;
    }
    case LeaveNotify:
        // A grab (an open pop-up) moves the pointer away without it leaving.
        if (event.xcrossing.mode == NotifyNormal) {
            frame.pointerLeft();
        }
        break;
    case KeyPress:
    case KeyRelease:
        input.kind = event.type == KeyPress ? EventKind::KeyDown : EventKind::KeyUp;
        input.modifiers = modifiersOf(event.xkey.state);
        input.key = keyOf(event.xkey);
        if (input.key != 0) {
            frame.dispatch(input);
        }
        break;
    default:
        break;
    }
}

} // namespace

struct X11Window::Impl {
    Display* display = nullptr;
    Window window = 0;
    std::unique_ptr<X11ImageCopy> toWindow;
    cairo_surface_t* backBuffer = nullptr;
    std::unique_ptr<X11PopupMenu> popup;
    std::unique_ptr<XdndReceiver> drops;
    Rect exposed;
    const View* keyFocus = nullptr;  // compared only: the view may be gone
    // While a text line has the keys: who had them before.
    bool holdsKeys = false;
    Window keysBefore = 0;
    int paints = 0;
    bool gone = false;  // destroyed with the host's window
    double scale = 1.0;  // the frame's scale the window and buffer are sized for
    int width = 0;       // device pixels
    int height = 0;

    // The back buffer and its way to the window at the frame's device size.
    bool makeBuffers(const Frame& frame)
    {
        toWindow.reset();
        if (backBuffer != nullptr) {
            cairo_surface_destroy(backBuffer);
        }
        scale = frame.scale();
        width = frame.deviceWidth();
        height = frame.deviceHeight();
        toWindow = std::make_unique<X11ImageCopy>(display, window, width, height);
        backBuffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        return toWindow->isValid() && cairo_surface_status(backBuffer) == CAIRO_STATUS_SUCCESS;
    }
};

namespace {

// The keys go back where they were, or to the window under the pointer when
// that one is gone, never nowhere: a closing dialog must not leave the
// keyboard dead. Someone who took them meanwhile keeps them.
void giveKeysBack(Display* display, Window window, Window before)
{
    Window now = 0;
    int revert = 0;
    XGetInputFocus(display, &now, &revert);
    if (now != window) {
        return;
    }
    XWindowAttributes attributes;
    const bool viewable = before > PointerRoot && XGetWindowAttributes(display, before, &attributes) != 0
        && attributes.map_state == IsViewable;
    XSetInputFocus(display, viewable ? before : PointerRoot, RevertToPointerRoot, CurrentTime);
}

} // namespace

// A text line takes the keys for as long as it is open, then gives them back,
// so a host's own shortcuts work again once a value is typed.
void X11Window::followKeyFocus()
{
    Impl& w = *impl_;
    const View* focus = frame_.keyFocus();
    if (focus == w.keyFocus) {
        return;
    }
    w.keyFocus = focus;
    const bool wantsKeys = dynamic_cast<const TextEdit*>(focus) != nullptr;
    if (wantsKeys && !w.holdsKeys) {
        int revert = 0;
        XGetInputFocus(w.display, &w.keysBefore, &revert);
        XSetInputFocus(w.display, w.window, RevertToParent, CurrentTime);
        w.holdsKeys = true;
    } else if (!wantsKeys && w.holdsKeys) {
        w.holdsKeys = false;
        giveKeysBack(w.display, w.window, w.keysBefore);
    }
}

X11Window::X11Window(Frame& frame) : frame_(frame) {}

X11Window::~X11Window()
{
    close();
}

bool X11Window::open(unsigned long parentWindow, const char* displayName)
{
    close();
    if (parentWindow == 0) {
        return false;
    }
    auto impl = std::make_unique<Impl>();
    impl->display = XOpenDisplay(displayName);
    if (impl->display == nullptr) {
        return false;
    }
    Display* display = impl->display;
    int width = frame_.deviceWidth();
    int height = frame_.deviceHeight();
    {
        ErrorWatch watch(display);
        XSetWindowAttributes attributes{};
        // No background: the server never clears the window before we paint it.
        attributes.background_pixmap = None;
        attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask
            | KeyReleaseMask | StructureNotifyMask | LeaveWindowMask;
        impl->window = XCreateWindow(display, static_cast<Window>(parentWindow), 0, 0, static_cast<unsigned>(width),
                                     static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                     CWBackPixmap | CWEventMask, &attributes);
        XMapWindow(display, impl->window);
        if (watch.failed(display)) {
            XCloseDisplay(display);
            return false;
        }
    }
    if (!impl->makeBuffers(frame_)) {
        impl->toWindow.reset();
        cairo_surface_destroy(impl->backBuffer);
        XDestroyWindow(display, impl->window);
        XCloseDisplay(display);
        return false;
    }
    impl->popup = std::make_unique<X11PopupMenu>(display, impl->window);
    impl->drops = std::make_unique<XdndReceiver>(display, impl->window, frame_);
    frame_.setMenuPresenter(impl->popup.get());
    // The back buffer starts empty: everything is painted at the first idle.
    frame_.invalidateRect(frame_.bounds());
    // Synced, not flushed: the host may look for our drop-site marks on its own connection next.
    XSync(display, False);
    impl_ = std::move(impl);
    return true;
}

void X11Window::close()
{
    if (!impl_) {
        return;
    }
    if (frame_.menuPresenter() == impl_->popup.get()) {
        frame_.setMenuPresenter(nullptr);
    }
    impl_->popup.reset();
    impl_->drops.reset();
    impl_->toWindow.reset();
    cairo_surface_destroy(impl_->backBuffer);
    {
        // The host may have destroyed its window, and ours with it, already.
        ErrorWatch watch(impl_->display);
        if (!impl_->gone) {
            if (impl_->holdsKeys) {
                giveKeysBack(impl_->display, impl_->window, impl_->keysBefore);
            }
            XDestroyWindow(impl_->display, impl_->window);
        }
        (void)watch.failed(impl_->display);
    }
    XCloseDisplay(impl_->display);
    impl_.reset();
}

bool X11Window::isOpen() const
{
    return impl_ != nullptr;
}

unsigned long X11Window::windowId() const
{
    return impl_ ? impl_->window : 0;
}

int X11Window::paintCount() const
{
    return impl_ ? impl_->paints : 0;
}

void X11Window::idle()
{
    if (!impl_) {
        return;
    }
    Impl& w = *impl_;
    // Errors of our connection (a window the host has just destroyed) must
    // not reach the default handler, which would end the host.
    ErrorWatch watch(w.display);
    if (w.gone) {
        return;
    }
    while (XPending(w.display) > 0) {
        XEvent event;
        XNextEvent(w.display, &event);
        bool popupOpen = w.popup->activeMenu() != nullptr;
        if (popupOpen && w.popup->handleEvent(event)) {
            if (event.type == ButtonRelease) {
                // The release that chose an entry ends the press on the menu too.
                InputEvent up;
                up.kind = EventKind::MouseUp;
                up.button = MouseButton::Left;
                up.timeMs = monotonicMs();
                frame_.dispatch(up);
            }
            continue;
        }
        // Before the window check: a source that found us as a top-level's
        // proxy addresses its messages to that top-level.
        if (w.drops->handle(event, monotonicMs())) {
            continue;
        }
        if (event.xany.window != w.window) {
            continue;
        }
        if (event.type == DestroyNotify) {
            w.gone = true;
            w.popup->dismiss();
            return;
        }
        handleWindowEvent(frame_, w.display, w.window, w.exposed, event);
    }
    w.drops->idle(monotonicMs());
    // However the line opened: a press, a double click's release, a menu's choice.
    followKeyFocus();
    frame_.runTimers(monotonicMs());
    paintDirty();
}

void X11Window::repaintExposed()
{
    if (!impl_) {
        return;
    }
    Impl& w = *impl_;
    ErrorWatch watch(w.display);
    if (w.gone) {
        return;
    }
    XEvent event;
    while (XCheckTypedWindowEvent(w.display, w.window, Expose, &event)) {
        handleWindowEvent(frame_, w.display, w.window, w.exposed, event);
    }
    paintDirty();
}

// The frame's scale changed: the window takes its new size (the host is told
// by the editor) and everything is painted afresh at the new scale.
void X11Window::followScale()
{
    Impl& w = *impl_;
    const double before = w.scale;
    if (!w.makeBuffers(frame_)) {
        // Without a buffer nothing could be shown: stay at the old size.
        frame_.setScale(before);
        w.makeBuffers(frame_);
    }
    XResizeWindow(w.display, w.window, static_cast<unsigned>(w.width), static_cast<unsigned>(w.height));
    frame_.invalidateRect(frame_.bounds());
}

// What is dirty into the back buffer, then it and what was exposed to the window.
void X11Window::paintDirty()
{
    Impl& w = *impl_;
    if (w.scale != frame_.scale()) {
        followScale();
    }
    Rect dirty = frame_.takeDirtyArea();
    Rect painted;
    if (!dirty.isEmpty()) {
        cairo_t* cr = cairo_create(w.backBuffer);
        painted = frame_.paintDevice(cr, dirty);
        cairo_destroy(cr);
        cairo_surface_flush(w.backBuffer);
    }
    Rect copy = painted.united(w.exposed).intersection(Rect{0, 0, w.width, w.height});
    w.exposed = {};
    if (!copy.isEmpty()) {
        w.toWindow->copy(w.backBuffer, copy);
        ++w.paints;
        // Out at once: the next idle, or the end of an analysis that repaints
        // as it goes, may be a while away.
        XFlush(w.display);
    }
}

} // namespace tessarine::gui
