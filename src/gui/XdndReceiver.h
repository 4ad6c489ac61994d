#pragma once
// Our window as a drop site of the X drag-and-drop protocol (version 5), for
// files dragged from a file manager: the window carries XdndAware, hovering
// asks the frame's drop target whether it would take the files there, and a
// drop hands them the paths. Everything runs in the window's idle, from the
// events it passes in; nothing waits on the source. The paths are read while
// hovering (so the target can judge by file type) and again on the drop.

#include "gui/Frame.h"

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessarine::gui {

class XdndReceiver {
public:
    // Marks window as a drop site (XdndAware, and XdndProxy naming itself).
    XdndReceiver(Display* display, Window window, Frame& frame);

    XdndReceiver(const XdndReceiver&) = delete;
    XdndReceiver& operator=(const XdndReceiver&) = delete;

    // True when the event was part of a drag and drop (taken here).
    bool handle(const XEvent& event, std::int64_t nowMs);
    // Gives up on a source whose data never came.
    void idle(std::int64_t nowMs);

private:
    enum class Waiting { Nothing, HoverData, DropData };

    void enter(const XClientMessageEvent& message);
    void position(const XClientMessageEvent& message, std::int64_t nowMs);
    void leave();
    void dropped(const XClientMessageEvent& message, std::int64_t nowMs);
    void selectionArrived(const XSelectionEvent& event);
    bool offersUriList(const XClientMessageEvent& message);
    bool readPaths(std::vector<std::string>& paths);
    void requestData(unsigned long time, Waiting why, std::int64_t nowMs);
    void answerPosition();
    void finish(bool accepted);
    void send(Atom type, long l1, long l2, long l3, long l4);
    void reset();

    Display* display_;
    Window window_;
    Frame& frame_;

    Atom aware_, proxy_, enter_, position_, status_, leave_, drop_, finished_, selection_, typeList_, copy_,
        uriList_, property_;

    // The drag under way: 0 for none.
    Window source_ = 0;
    // The window the source addressed (ours, or the top-level we are the proxy of).
    Window addressed_ = 0;
    bool hasUriList_ = false;
    bool havePaths_ = false;
    bool positionUnanswered_ = false;
    bool accepted_ = false;
    std::vector<std::string> paths_;
    Point at_;
    Waiting waiting_ = Waiting::Nothing;
    std::int64_t waitingSinceMs_ = 0;
};

} // namespace tessarine::gui
