#pragma once
// The root of the view tree: the window's whole area. It routes input to the
// view under the pointer (or the one holding the mouse), collects dirty areas
// for the next paint, and runs view timers from the idle calls it gets.
// A back-end (X11 window or image surface) asks it to paint and feeds it events.

#include "gui/Container.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessarine::gui {

class DropTarget;
class EventWatcher;
class GestureListener;
class MenuPresenter;

// How knobs follow the mouse, as the host's knob mode numbers them.
enum KnobMode : int {
    kCircularMode = 0,
    kRelativeCircularMode = 1,
    kLinearMode = 2,
};

class Frame : public Container {
public:
    Frame(int width, int height);
    ~Frame() override;

    // Device pixels per logical pixel, 1 … 3 (clamped): the back-ends draw
    // the same logical layout that much larger and map the pointer back.
    // A change repaints everything; an open window follows at its next idle.
    void setScale(double scale);
    double scale() const { return scale_; }
    int deviceWidth() const;
    int deviceHeight() const;

    // What the frame paints under every view (the editor's background).
    void setBackgroundPainter(std::function<void(cairo_t*)> painter);
    // What it paints over every view (a hint while files are dragged over).
    void setOverlayPainter(std::function<void(cairo_t*)> painter);

    void invalidateRect(const Rect& area);
    bool hasDirtyArea() const { return !dirty_.isEmpty(); }
    // Hands out the area to repaint and forgets it.
    Rect takeDirtyArea();

    // Paints the given area: background, then the views that meet it.
    void paint(cairo_t* cr, const Rect& area);
    // The same into a context of device pixels at the frame's scale: the
    // device pixels covering the logical area are painted whole. Returns them.
    Rect paintDevice(cairo_t* cr, const Rect& area);

    // Routes one event. Returns true when a view took it.
    bool dispatch(const InputEvent& event);
    View* mouseOwner() const { return mouseOwner_; }
    // Where the last mouse event was (false before any): a host's wheel
    // request carries no position, so it goes to the view under this point.
    bool lastPointer(Point& at) const
    {
        at = lastPointer_;
        return pointerSeen_;
    }
    // The view losing the focus and the one gaining it are told.
    void setKeyFocus(View* view);
    View* keyFocus() const { return keyFocus_; }

    // Repeating timers owned by views; ids are never reused within a frame.
    int startTimer(View* view, int intervalMs, std::int64_t nowMs);
    void stopTimer(int timerId);
    // Fires every timer that is due at nowMs (the back-end's idle).
    void runTimers(std::int64_t nowMs);

    // A view leaving the tree loses the mouse, the focus and its timers, and
    // an option menu's open pop-up closes.
    void forgetView(View* view);

    // The host's knob mode for every knob of the frame; linear by default.
    void setKnobMode(int mode) { knobMode_ = mode; }
    int knobMode() const { return knobMode_; }

    // Who shows option menus' pop-ups: the X11 back-end, or a headless stand-in.
    // The presenter must unset itself before it is destroyed.
    void setMenuPresenter(MenuPresenter* presenter) { menuPresenter_ = presenter; }
    MenuPresenter* menuPresenter() const { return menuPresenter_; }

    // Who hears of the gestures every control shares, who names tooltips and
    // paints over the views; null leaves each press to its control. The
    // listener must unset itself before it is destroyed.
    void setGestureListener(GestureListener* listener) { gestures_ = listener; }
    GestureListener* gestureListener() const { return gestures_; }

    // Two presses on one control this close in time and place make a double click.
    static constexpr std::int64_t kDoubleClickMs = 400;
    static constexpr double kDoubleClickDistance = 4;
    // How long the pointer rests on a view before its tooltip shows.
    static constexpr std::int64_t kTooltipDelayMs = 600;
    // The tooltip shown now (empty for none) and where.
    const std::string& tooltipText() const { return tooltip_; }
    Rect tooltipArea() const { return tooltipArea_; }
    void hideTooltip();
    // The pointer left the window: no view is hovered any more.
    void pointerLeft();

    // Who takes files dropped on the window; null refuses every drop. The
    // target must unset itself before it is destroyed.
    void setDropTarget(DropTarget* target) { dropTarget_ = target; }
    DropTarget* dropTarget() const { return dropTarget_; }

    // Who watches every routed event; null for none. Must unset itself before it goes.
    void setEventWatcher(EventWatcher* watcher) { watcher_ = watcher; }

private:
    bool route(const InputEvent& event);

    struct Timer {
        int id;
        View* view;
        int intervalMs;
        std::int64_t dueMs;
    };

    double scale_ = 1.0;
    std::function<void(cairo_t*)> background_;
    std::function<void(cairo_t*)> overlay_;
    Rect dirty_;
    View* mouseOwner_ = nullptr;
    Point lastPointer_;
    bool pointerSeen_ = false;
    View* keyFocus_ = nullptr;
    std::vector<Timer> timers_;
    int nextTimerId_ = 1;
    int knobMode_ = kLinearMode;
    GestureListener* gestures_ = nullptr;
    // The last press, for double clicks.
    View* lastPressView_ = nullptr;
    Point lastPressAt_;
    std::int64_t lastPressMs_ = -1;
    // The view under the resting pointer, and since when.
    View* hovered_ = nullptr;
    Point hoverAt_;
    std::int64_t hoverSinceMs_ = 0;
    std::string tooltip_;
    Rect tooltipArea_;
    bool pressTaken_ = false;  // the gesture listener took the press: its release goes nowhere
    View* doubleClick_ = nullptr;  // the press that may end a double click, until it moves

    bool pressGesture(View* target, const InputEvent& event);
    void showTooltip();
    void paintTooltip(cairo_t* cr);
    MenuPresenter* menuPresenter_ = nullptr;
    DropTarget* dropTarget_ = nullptr;
    EventWatcher* watcher_ = nullptr;
};

} // namespace tessarine::gui
