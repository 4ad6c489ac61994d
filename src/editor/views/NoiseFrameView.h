#pragma once
// The noise frames of the shown layer over time (tag 177). A point is one
// noise spectrum; its height is the spectrum's mean level, so dragging it up
// or down scales the whole spectrum. The selected frame is handed to the
// editor, which shows it in the noise spectrum view.

#include "editor/views/CurveView.h"

namespace tessarine {

class NoiseData;

class NoiseFrameView : public CurveView {
public:
    static constexpr float kLowestHeight = 0.01f;
    static constexpr float kHighestHeight = 0.99f;

    NoiseFrameView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context, int slot)
        : CurveView(bounds, tag, listener, context, true, slot)
    {
    }

    int pointCount() override;
    gui::Point pointPosition(int index) override;
    Hit findPoint(double x, double y) override;

    // The mean spectrum level of a frame, as a fraction of the plot height.
    float frameHeight(int index);

protected:
    int insertPointAt(double x, double y) override;
    void deletePoint(int index) override;
    void movePointTo(int index, double x, double y) override;
    void updateReadout(int index) override;
    void selectionHook() override;
    bool editsVoice() const override { return true; }

private:
    NoiseData* data();
};

} // namespace tessarine
