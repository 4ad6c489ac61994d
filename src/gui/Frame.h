#pragma once
// The root of the view tree: the window's whole area. It routes input to the
// view under the pointer (or the one holding the mouse), collects dirty areas
// for the next paint, and runs view timers from the idle calls it gets.
// A back-end (X11 window or image surface) asks it to paint and feeds it events.

#include "gui/Container.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace tessarine::gui {

class Frame : public Container {
public:
    Frame(int width, int height);
    ~Frame() override;

    // What the frame paints under every view (the editor's background).
    void setBackgroundPainter(std::function<void(cairo_t*)> painter);

    void invalidateRect(const Rect& area);
    bool hasDirtyArea() const { return !dirty_.isEmpty(); }
    // Hands out the area to repaint and forgets it.
    Rect takeDirtyArea();

    // Paints the given area: background, then the views that meet it.
    void paint(cairo_t* cr, const Rect& area);

    // Routes one event. Returns true when a view took it.
    bool dispatch(const InputEvent& event);
    View* mouseOwner() const { return mouseOwner_; }
    void setKeyFocus(View* view) { keyFocus_ = view; }
    View* keyFocus() const { return keyFocus_; }

    // Repeating timers owned by views; ids are never reused within a frame.
    int startTimer(View* view, int intervalMs, std::int64_t nowMs);
    void stopTimer(int timerId);
    // Fires every timer that is due at nowMs (the back-end's idle).
    void runTimers(std::int64_t nowMs);

    // A view leaving the tree loses the mouse, the focus and its timers.
    void forgetView(View* view);

private:
    struct Timer {
        int id;
        View* view;
        int intervalMs;
        std::int64_t dueMs;
    };

    std::function<void(cairo_t*)> background_;
    Rect dirty_;
    View* mouseOwner_ = nullptr;
    View* keyFocus_ = nullptr;
    std::vector<Timer> timers_;
    int nextTimerId_ = 1;
};

} // namespace tessarine::gui
