#pragma once
// Sees every event a frame routes, before and after the views do. The editor
// uses it to cut its undo history at the ends of gestures and to take the
// keys no view wants (undo, redo).

#include "gui/InputEvent.h"

namespace tessarine::gui {

class EventWatcher {
public:
    virtual void beforeEvent(const InputEvent& event) = 0;
    // taken: whether a view took it. True when the watcher took it itself.
    virtual bool afterEvent(const InputEvent& event, bool taken) = 0;

protected:
    ~EventWatcher() = default;
};

} // namespace tessarine::gui
