#pragma once
// A rectangle of the window that draws itself and may take input. Views form a
// retained tree under one Frame; a view that changes asks for a redraw with
// invalidate(), and the frame repaints the dirty area at its next idle.

#include "gui/Geometry.h"
#include "gui/InputEvent.h"

#include <cairo.h>

#include <string>

namespace tessarine::gui {

class Container;
class Frame;

class View {
public:
    explicit View(Rect bounds);
    virtual ~View() = default;

    View(const View&) = delete;
    View& operator=(const View&) = delete;

    const Rect& bounds() const { return bounds_; }
    void setBounds(Rect bounds);

    Container* parent() const { return parent_; }
    // The frame the view is attached to, or null while detached.
    Frame* frame() const;

    // Asks for the view's area to be drawn again at the next idle.
    void invalidate();

    // Draws into frame coordinates; the caller has clipped to the dirty area.
    virtual void draw(cairo_t* cr);

    // True when the view took the event. A view that takes a MouseDown gets the
    // moves and the release that follow, wherever the pointer goes.
    virtual bool onEvent(const InputEvent& event);

    // The deepest view under the point (this one, or null).
    virtual View* hitTest(Point p);

    // Called when the view's frame ticks one of the view's timers.
    virtual void onTimer(int timerId) { (void)timerId; }

    // Called when the frame gives the view the key focus or takes it away.
    virtual void onFocusChanged(bool focused) { (void)focused; }

    // A tooltip of its own, for views no parameter describes (lines split by '\n').
    void setHelp(std::string text) { help_ = std::move(text); }
    const std::string& help() const { return help_; }

private:
    friend class Container;

    Rect bounds_;
    std::string help_;
    Container* parent_ = nullptr;
};

} // namespace tessarine::gui
