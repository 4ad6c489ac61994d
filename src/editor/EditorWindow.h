#pragma once
// The editor's frame shown in a window of the host: an X11 child window of
// the parent the host hands to open, served from the host's idle calls.

#include "gui/Frame.h"

#include <memory>

namespace tessarine {

class EditorWindow {
public:
    virtual ~EditorWindow() = default;

    // Handles the window's waiting events, runs the frame's timers and paints
    // what is dirty. User-interface thread.
    virtual void idle() = 0;
    // Paints exposures and dirty areas only, while the thread is busy for seconds.
    virtual void repaintExposed() = 0;

    // A window for frame inside the host's parent (an X11 window id); null
    // when there is no display or the window cannot be made.
    static std::unique_ptr<EditorWindow> create(gui::Frame& frame, void* parentWindow);
};

} // namespace tessarine
