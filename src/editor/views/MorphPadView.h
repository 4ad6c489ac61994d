#pragma once
// The morph pad (tag 198): the four slot voices at the corners of a square and
// the harmonic, noise and amplitude morph points inside it. Dragging moves the
// points that targetMode chooses; the positions are the engine's MorphHarmX/Y,
// MorphNoiseX/Y and MorphAmpX/Y values, written through the editor like any
// control's. While the drawn morph paths drive the harmonics and the noise
// (pathShown), the pad shows those paths and leaves their points alone; the
// amplitude point, which no path moves, stays on the pad and in the user's hand.

#include "editor/views/ViewContext.h"
#include "gui/Control.h"

namespace tessarine {

class MorphPadView : public gui::Control {
public:
    enum TargetMode : int { kAllPoints, kAmplitudePoint, kHarmonicPoint, kNoisePoint };

    MorphPadView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context);

    // The square the points move in: the view less 4 pixels each side and a
    // strip above and below for the corner voices' names.
    static constexpr int kNameStrip = 12;
    gui::Rect padRect() const;
    void setTargetMode(int mode);
    int targetMode() const { return targetMode_; }
    void setPathShown(bool shown);
    bool pathShown() const { return pathShown_; }

    // A pad position (0..1 each way, Y downward) in frame coordinates.
    gui::Point pointAt(float x, float y) const;

    // At the editor's idle: redraws when the points were moved from outside
    // (host automation, the randomiser, a load).
    void pollValues();

    bool onEvent(const gui::InputEvent& event) override;
    void draw(cairo_t* cr) override;

private:
    void moveTo(gui::Point p);
    void store(float x, float y, bool defaults);
    void drawPaths(cairo_t* cr);
    // Whether the pad shows and moves point (an index of the three points).
    bool followsPad(int point) const;

    ViewContext& context_;
    int targetMode_ = kAllPoints;
    bool pathShown_ = false;
    bool dragging_ = false;
    float drawn_[6] = {-1, -1, -1, -1, -1, -1};
};

} // namespace tessarine
