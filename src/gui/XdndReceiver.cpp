#include "gui/XdndReceiver.h"

#include "gui/DropTarget.h"
#include "gui/UriList.h"

#include <X11/Xatom.h>

namespace tessarine::gui {

namespace {

constexpr long kVersion = 5;
// Older sources send no timestamps, which the selection request needs.
constexpr long kOldestVersion = 3;
// A URI list of the most paths we take, every byte escaped, with room to spare.
constexpr long kMaxListBytes = 1L << 20;
// A source that owns the drag but never answers for its data is given up on:
// a hovering one is refused, a dropped one told the drop failed.
constexpr std::int64_t kHoverDataTimeoutMs = 1500;
constexpr std::int64_t kDropDataTimeoutMs = 3000;
constexpr long kMaxOfferedTypes = 256;

} // namespace

XdndReceiver::XdndReceiver(Display* display, Window window, Frame& frame)
    : display_(display), window_(window), frame_(frame)
{
    const char* names[] = {"XdndAware",    "XdndProxy",     "XdndEnter",      "XdndPosition",   "XdndStatus",
                           "XdndLeave",    "XdndDrop",      "XdndFinished",   "XdndSelection",  "XdndTypeList",
                           "XdndActionCopy", "text/uri-list", "TESSARINE_DROPPED_FILES"};
    Atom atoms[13] = {};
    XInternAtoms(display_, const_cast<char**>(names), 13, False, atoms);
    aware_ = atoms[0];
    proxy_ = atoms[1];
    enter_ = atoms[2];
    position_ = atoms[3];
    status_ = atoms[4];
    leave_ = atoms[5];
    drop_ = atoms[6];
    finished_ = atoms[7];
    selection_ = atoms[8];
    typeList_ = atoms[9];
    copy_ = atoms[10];
    uriList_ = atoms[11];
    property_ = atoms[12];

    const long version = kVersion;
    XChangeProperty(display_, window_, aware_, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    // A source that follows a proxy checks that the proxy names itself.
    const long self = static_cast<long>(window_);
    XChangeProperty(display_, window_, proxy_, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&self), 1);
}

bool XdndReceiver::handle(const XEvent& event, std::int64_t nowMs)
{
    if (event.type == SelectionNotify) {
        if (event.xselection.requestor != window_ || event.xselection.selection != selection_) {
            return false;
        }
        selectionArrived(event.xselection);
        return true;
    }
    if (event.type != ClientMessage || event.xclient.format != 32) {
        return false;
    }
    const XClientMessageEvent& message = event.xclient;
    if (message.message_type == enter_) {
        enter(message);
    } else if (message.message_type == position_) {
        position(message, nowMs);
    } else if (message.message_type == leave_) {
        if (source_ != 0 && static_cast<Window>(message.data.l[0]) == source_) {
            leave();
        }
    } else if (message.message_type == drop_) {
        dropped(message, nowMs);
    } else {
        return false;
    }
    return true;
}

void XdndReceiver::enter(const XClientMessageEvent& message)
{
    if (source_ != 0) {
        leave(); // a new drag without the old one's leave: the old source is gone
    }
    const long version = (message.data.l[1] >> 24) & 0xff;
    if (version < kOldestVersion) {
        return;
    }
    source_ = static_cast<Window>(message.data.l[0]);
    addressed_ = message.window;
    hasUriList_ = offersUriList(message);
}

bool XdndReceiver::offersUriList(const XClientMessageEvent& message)
{
    if ((message.data.l[1] & 1) == 0) {
        for (int i = 2; i <= 4; ++i) {
            if (static_cast<Atom>(message.data.l[i]) == uriList_) {
                return true;
            }
        }
        return false;
    }
    // More than three types: the source lists them on its window.
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display_, source_, typeList_, 0, kMaxOfferedTypes, False, XA_ATOM, &type, &format, &count,
                           &after, &data)
            == Success
        && data != nullptr) {
        if (type == XA_ATOM && format == 32) {
            const auto* atoms = reinterpret_cast<const unsigned long*>(data);
            for (unsigned long i = 0; i < count && !found; ++i) {
                found = static_cast<Atom>(atoms[i]) == uriList_;
            }
        }
        XFree(data);
    }
    return found;
}

void XdndReceiver::position(const XClientMessageEvent& message, std::int64_t nowMs)
{
    if (source_ == 0 || static_cast<Window>(message.data.l[0]) != source_) {
        return;
    }
    const int rootX = static_cast<int>((message.data.l[2] >> 16) & 0xffff);
    const int rootY = static_cast<int>(message.data.l[2] & 0xffff);
    int x = 0;
    int y = 0;
    Window child = 0;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, window_, &attributes) != 0) {
        XTranslateCoordinates(display_, attributes.root, window_, rootX, rootY, &x, &y, &child);
    }
    // In the frame's logical pixels, as every view's area is.
    at_ = Point{x / frame_.scale(), y / frame_.scale()};
    positionUnanswered_ = true;
    if (!hasUriList_ || havePaths_) {
        answerPosition();
    } else if (waiting_ == Waiting::Nothing) {
        // Answered once the paths are here: the target judges by file type.
        requestData(static_cast<unsigned long>(message.data.l[3]), Waiting::HoverData, nowMs);
    }
}

void XdndReceiver::leave()
{
    if (DropTarget* target = frame_.dropTarget()) {
        target->dragLeave();
    }
    reset();
}

void XdndReceiver::dropped(const XClientMessageEvent& message, std::int64_t nowMs)
{
    if (source_ == 0 || static_cast<Window>(message.data.l[0]) != source_) {
        return;
    }
    if (!hasUriList_) {
        finish(false);
        leave();
        return;
    }
    // The paths are asked for again as of the drop's time, as the protocol has it.
    requestData(static_cast<unsigned long>(message.data.l[2]), Waiting::DropData, nowMs);
}

void XdndReceiver::requestData(unsigned long time, Waiting why, std::int64_t nowMs)
{
    XConvertSelection(display_, selection_, uriList_, property_, window_, time);
    XFlush(display_);
    waiting_ = why;
    waitingSinceMs_ = nowMs;
}

bool XdndReceiver::readPaths(std::vector<std::string>& paths)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window_, property_, 0, kMaxListBytes / 4, True, AnyPropertyType, &type, &format,
                           &count, &after, &data)
            != Success
        || data == nullptr) {
        return false;
    }
    // A list longer than we read (or sent in pieces, INCR, which only huge
    // lists need) is refused whole rather than cut.
    const bool whole = format == 8 && after == 0 && type != XInternAtom(display_, "INCR", False);
    if (whole) {
        paths = filePathsOfUriList(std::string_view(reinterpret_cast<const char*>(data), count));
    }
    XFree(data);
    if (!whole) {
        XDeleteProperty(display_, window_, property_);
    }
    return whole;
}

void XdndReceiver::selectionArrived(const XSelectionEvent& event)
{
    std::vector<std::string> paths;
    const bool read = event.property != None && readPaths(paths);
    const Waiting why = waiting_;
    waiting_ = Waiting::Nothing;
    if (why == Waiting::HoverData) {
        havePaths_ = true;
        paths_ = read ? std::move(paths) : std::vector<std::string>();
        if (positionUnanswered_) {
            answerPosition();
        }
    } else if (why == Waiting::DropData) {
        // The source hears first, so it never waits on what the drop does.
        const bool taken = accepted_ && !paths.empty();
        finish(taken);
        const Point at = at_;
        reset();
        if (DropTarget* target = frame_.dropTarget()) {
            if (!paths.empty()) {
                target->drop(at, paths);
            } else {
                target->dragLeave();
            }
        }
    }
}

void XdndReceiver::answerPosition()
{
    DropTarget* target = frame_.dropTarget();
    accepted_ = target != nullptr && havePaths_ && !paths_.empty() && target->dragOver(at_, paths_);
    // Bit 1: send every position, so the hint follows the pointer.
    send(status_, (accepted_ ? 1 : 0) | 2, 0, 0, accepted_ ? static_cast<long>(copy_) : None);
    positionUnanswered_ = false;
}

void XdndReceiver::finish(bool accepted)
{
    send(finished_, accepted ? 1 : 0, accepted ? static_cast<long>(copy_) : None, 0, 0);
}

void XdndReceiver::send(Atom type, long l1, long l2, long l3, long l4)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = display_;
    event.xclient.window = source_;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(addressed_);
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display_, source_, False, NoEventMask, &event);
    XFlush(display_);
}

void XdndReceiver::idle(std::int64_t nowMs)
{
    if (waiting_ == Waiting::HoverData && nowMs - waitingSinceMs_ > kHoverDataTimeoutMs) {
        waiting_ = Waiting::Nothing;
        havePaths_ = true;
        paths_.clear();
        if (positionUnanswered_) {
            answerPosition();
        }
    } else if (waiting_ == Waiting::DropData && nowMs - waitingSinceMs_ > kDropDataTimeoutMs) {
        finish(false);
        leave();
    }
}

void XdndReceiver::reset()
{
    source_ = 0;
    addressed_ = 0;
    hasUriList_ = false;
    havePaths_ = false;
    positionUnanswered_ = false;
    accepted_ = false;
    paths_.clear();
    waiting_ = Waiting::Nothing;
}

} // namespace tessarine::gui
