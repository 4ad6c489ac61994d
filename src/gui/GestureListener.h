#pragma once
// What the frame asks its owner before a control sees a press or a key: the
// gestures every kind of control shares (a double click to type a value, a
// Ctrl-click to reset, a right click for the control's menu, Return on the
// control last pressed) belong to the editor, which knows what each tag means.
// The frame also asks it for the tooltip of the view under a resting pointer
// and lets it paint marks over the views (the control armed for MIDI learn).

#include "gui/InputEvent.h"

#include <cairo.h>

#include <string>

namespace tessarine::gui {

class Control;
class View;

class GestureListener {
public:
    virtual ~GestureListener() = default;

    // A press on control, before the control sees it. True when the gesture
    // was taken: the control itself never sees the press nor what follows it.
    virtual bool controlPressed(Control& control, const InputEvent& event) = 0;
    // The second of two clicks on the same control within the double-click
    // time, let go where it was pressed: a press that became a drag is no
    // click, so a quick second drag stays a drag.
    virtual void controlDoubleClicked(Control& control) = 0;
    // A key that the focused control did not take; true when it was used.
    virtual bool controlKey(Control& control, const InputEvent& event) = 0;
    // What the tooltip of view says (lines split by '\n'); empty for none.
    virtual std::string tooltip(View& view) = 0;
    // Draws over every view, under the frame's overlay.
    virtual void paintOver(cairo_t* cr) = 0;
};

} // namespace tessarine::gui
