#pragma once
// The common ground of the views that edit breakpoint data with the mouse: a
// plot rectangle, points that are added (left click on empty space), dragged
// (left click on a point, which keeps its offset from the pointer) and deleted
// (right click on a point), markers that take precedence over points, and for
// time axes an optional zoom strip under the plot. Subclasses map their data
// to points; this class owns the gestures.
//
// Every change to data the audio thread reads happens inside a ScopedVoiceEdit.
// On release the view's counter value rises by 0.1 (wrapping below 1) so the
// listener sees a new value, the shown voice is prepared again when the view
// edits one, and afterEdit runs.

#include "editor/views/ViewContext.h"
#include "gui/Control.h"

#include <array>

namespace tessarine {

class CurveView : public gui::Control {
public:
    struct Hit {
        int index = -1;
        float position = 0; // time (or frequency position) under the pointer
        float value = 0;    // plot height under the pointer, 0..1
        bool hit = false;
    };

    static constexpr float kShortestView = 0.5f; // seconds
    static constexpr float kLongestView = 10.0f;

    // slot: the voice page's slot for the views that show a voice's layer, else -1.
    CurveView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context, bool hasZoomStrip,
              int slot = -1);

    gui::Rect plotRect() const;

    float viewStart() const { return viewStart_; }
    float viewLength() const { return viewLength_; }
    void setView(float start, float length);
    int selected() const { return selected_; }
    void setSelected(int index) { selected_ = index; }
    void setMoveMode(int mode) { moveMode_ = mode; }
    int moveMode() const { return moveMode_; }
    const char* readout() const { return readout_.data(); }

    // Time-axis mapping: whole pixels from seconds and back.
    int timeToX(float t) const;
    float xToTime(double x) const;

    // Re-reads the data (another layer shown, a load); keeps the selection in range.
    virtual void refresh();
    // The multisample and layer shown from now on.
    void showPlace(const VoicePlace& place);
    const VoicePlace& place() const { return place_; }

    virtual int pointCount() = 0;
    virtual gui::Point pointPosition(int index) = 0;
    virtual Hit findPoint(double x, double y);

    bool onEvent(const gui::InputEvent& event) override;
    void draw(cairo_t* cr) override;

protected:
    virtual int insertPointAt(double x, double y) = 0;
    virtual void deletePoint(int index) = 0;
    virtual void movePointTo(int index, double x, double y) = 0;
    virtual void drawCurve(cairo_t* cr);
    virtual void drawGrid(cairo_t* cr);
    virtual void selectionHook() {}
    virtual bool hitMarker(double x, double y)
    {
        (void)x;
        (void)y;
        return false;
    }
    virtual void dragMarker(double x, double y)
    {
        (void)x;
        (void)y;
    }
    virtual void afterEdit() {}
    virtual void updateReadout(int index) = 0;
    // True for the views that edit the shown slot's voice, which release prepares again.
    virtual bool editsVoice() const { return false; }

    // The time grid with second labels, shared by the time-axis views.
    void drawTimeGrid(cairo_t* cr);
    void drawLoopMarker(cairo_t* cr, float t, bool start);
    bool nearLoopMarker(double x, double y, float t, bool start) const;

    LayerData* layerData() { return context_.layerData(place_); }

    ViewContext& context_;
    VoicePlace place_;
    std::array<char, 32> readout_{};

private:
    enum class Gesture { None, Zoom, Marker, Point, Deleted };
    enum class Lock { None, Horizontal, Vertical };

    void zoomDrag(gui::Point p);
    void finishEdit();

    bool hasZoomStrip_;
    float viewStart_ = 0.0f;
    float viewLength_ = 4.0f;
    int selected_ = -1;
    int moveMode_ = 0;
    Gesture gesture_ = Gesture::None;
    Lock lock_ = Lock::None;
    gui::Point pressAt_;
    gui::Point lastAt_;
    gui::Point offset_;
};

} // namespace tessarine
