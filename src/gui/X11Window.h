#pragma once
// The frame in a real window: a child of the host's parent window (the X11
// window id that effEditOpen passes), on a display connection of its own that
// lives from open() to close(). Nothing runs on a thread of its own: idle(),
// called from the host's editor idle, handles the pending events, runs the
// frame's timers and repaints what is dirty (into an off-screen image first,
// then one copy to the window, so nothing flickers). With nothing dirty and no
// events an idle costs one non-blocking check of the connection.
// Option menus pop up in windows of their own through this window's presenter.
// Files dragged from other programs can be dropped on it (XdndReceiver).
// The window is the frame's device size; a change of the frame's scale
// resizes it at the next idle.

#include "gui/Frame.h"

#include <memory>

namespace tessarine::gui {

class X11Window {
public:
    // The frame must outlive the window: close (or destroy) the window first.
    explicit X11Window(Frame& frame);
    ~X11Window();

    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    // Connects to the display (null: $DISPLAY) and shows the frame in a child
    // of parentWindow. False, with nothing left open, when there is no display
    // or the parent does not exist.
    bool open(unsigned long parentWindow, const char* displayName = nullptr);
    void close();
    bool isOpen() const;

    // Handles pending events, runs timers due now, repaints dirty areas.
    void idle();
    // While the thread is busy for seconds (an analysis): answers exposures and
    // paints what is dirty, leaving input queued for the next idle.
    void repaintExposed();

    unsigned long windowId() const;
    // Paints done so far (to check that an idle with nothing to do paints nothing).
    int paintCount() const;

    struct Impl;

private:
    void paintDirty();
    void followKeyFocus();
    void followScale();

    Frame& frame_;
    std::unique_ptr<Impl> impl_;
};

} // namespace tessarine::gui
