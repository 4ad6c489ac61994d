#pragma once
// A file manager dragging files onto a test X server's windows with the X
// drag-and-drop protocol (version 5): it owns XdndSelection and answers its
// requests with a text/uri-list, finds the window under a point the way
// sources do (the deepest XdndAware window on the way down from the root, or
// the proxy an aware window names), and sends enter, position, then drop or
// leave, waiting for the target's status and finish. Everything is bounded in
// time. Run it on a thread of its own while the target's idle runs.
// Include after gtest: Xlib's macro None would break its headers.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <poll.h>
#include <string>

namespace tessarine::test {

struct DragOutcome {
    Window target = 0; // the XdndAware window found; 0 for none
    bool proxied = false;
    int statuses = 0;
    bool accepted = false; // as the last status said
    bool finished = false;
    bool finishedAccepted = false;
};

class XdndSource {
public:
    explicit XdndSource(const std::string& displayName) : display_(XOpenDisplay(displayName.c_str()))
    {
        if (display_ != nullptr) {
            window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
        }
    }
    ~XdndSource()
    {
        if (display_ != nullptr) {
            XDestroyWindow(display_, window_);
            XCloseDisplay(display_);
        }
    }
    XdndSource(const XdndSource&) = delete;
    XdndSource& operator=(const XdndSource&) = delete;

    // Drags uriList over (x, y) of window over, then drops it there or (drop
    // false) leaves once the target has answered. manyTypes: the offered
    // types go in XdndTypeList instead of the enter message.
    DragOutcome drag(Window over, int x, int y, const std::string& uriList, bool drop, bool manyTypes = false)
    {
        DragOutcome outcome;
        if (display_ == nullptr) {
            return outcome;
        }
        const Window root = DefaultRootWindow(display_);
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display_, over, root, x, y, &rootX, &rootY, &child);
        Window sendTo = 0;
        outcome.target = awareWindowAt(root, rootX, rootY, sendTo);
        outcome.proxied = sendTo != outcome.target;
        if (outcome.target == 0) {
            return outcome;
        }
        XSetSelectionOwner(display_, atom("XdndSelection"), window_, CurrentTime);
        Atom types[] = {atom("text/plain"), atom("UTF8_STRING"), atom("STRING"), atom("text/uri-list")};
        long flags = 5L << 24;
        if (manyTypes) {
            XChangeProperty(display_, window_, atom("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(types), 4);
            flags |= 1;
        }
        send(sendTo, outcome.target, "XdndEnter", flags, manyTypes ? 0 : long(types[3]), manyTypes ? 0 : long(types[0]), 0);
        send(sendTo, outcome.target, "XdndPosition", 0, (long(rootX) << 16) | rootY, CurrentTime,
             long(atom("XdndActionCopy")));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool answered = false;
        while (std::chrono::steady_clock::now() < deadline && !outcome.finished) {
            if (XPending(display_) == 0) {
                pollfd fd{ConnectionNumber(display_), POLLIN, 0};
                ::poll(&fd, 1, 10);
                continue;
            }
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == SelectionRequest) {
                answer(event.xselectionrequest, uriList);
            } else if (event.type == ClientMessage && event.xclient.message_type == atom("XdndStatus")) {
                ++outcome.statuses;
                outcome.accepted = (event.xclient.data.l[1] & 1) != 0;
                if (!answered) {
                    answered = true;
                    if (!drop) {
                        send(sendTo, outcome.target, "XdndLeave", 0, 0, 0, 0);
                        XSync(display_, False);
                        return outcome;
                    }
                    send(sendTo, outcome.target, "XdndDrop", 0, CurrentTime, 0, 0);
                }
            } else if (event.type == ClientMessage && event.xclient.message_type == atom("XdndFinished")) {
                outcome.finished = true;
                outcome.finishedAccepted = (event.xclient.data.l[1] & 1) != 0;
            }
        }
        return outcome;
    }

private:
    Atom atom(const char* name) { return XInternAtom(display_, name, False); }

    Window property(Window window, const char* name)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        Window value = 0;
        if (XGetWindowProperty(display_, window, atom(name), 0, 1, False, AnyPropertyType, &type, &format, &count,
                               &after, &data)
                == Success
            && data != nullptr) {
            if (format == 32 && count == 1) {
                value = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
            }
            XFree(data);
        }
        return value;
    }

    // The deepest aware window under the root point, or the first one that names a proxy.
    Window awareWindowAt(Window root, int x, int y, Window& sendTo)
    {
        Window found = 0;
        sendTo = 0;
        Window window = root;
        for (int depth = 0; depth < 32; ++depth) {
            if (window != root && property(window, "XdndAware") >= 5) {
                found = sendTo = window;
                if (const Window proxy = property(window, "XdndProxy"); proxy != 0) {
                    sendTo = property(proxy, "XdndProxy") == proxy ? proxy : window;
                    return found;
                }
            }
            int wx = 0, wy = 0;
            Window child = 0;
            if (XTranslateCoordinates(display_, root, window, x, y, &wx, &wy, &child) == 0 || child == 0) {
                break;
            }
            window = child;
        }
        return found;
    }

    void send(Window to, Window target, const char* type, long l1, long l2, long l3, long l4)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = target;
        event.xclient.message_type = atom(type);
        event.xclient.format = 32;
        const long data[] = {static_cast<long>(window_), l1, l2, l3, l4};
        std::copy(std::begin(data), std::end(data), event.xclient.data.l);
        XSendEvent(display_, to, False, NoEventMask, &event);
        XFlush(display_);
    }

    void answer(const XSelectionRequestEvent& request, const std::string& uriList)
    {
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.time = request.time;
        reply.xselection.property = 0;
        if (request.target == atom("text/uri-list") && request.property != 0) {
            XChangeProperty(display_, request.requestor, request.property, request.target, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(uriList.data()), static_cast<int>(uriList.size()));
            reply.xselection.property = request.property;
        }
        XSendEvent(display_, request.requestor, False, NoEventMask, &reply);
        XFlush(display_);
    }

    Display* display_ = nullptr;
    Window window_ = 0;
};

} // namespace tessarine::test
