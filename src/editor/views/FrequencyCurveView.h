#pragma once
// A curve over frequency on the warped axis: the instrument's spectral shape
// (tag 178, formant gains over 0..22,000 Hz) or the noise spectrum of the shown
// layer (tag 176). The noise spectrum view edits a handle curve of its own
// that stands for the layer's spectrum: raising or lowering one of its points
// scales every noise frame between the point's neighbours by the same ratio.

#include "editor/views/CurveView.h"
#include "sound/model/BreakpointCurve.h"

namespace tessarine {

struct LayerData;

class FrequencyCurveView : public CurveView {
public:
    enum class Source { SpectralShape, NoiseSpectrum };
    static constexpr int kNoiseHandles = 16;

    // slot: the voice page of the noise spectrum view; -1 for the spectral shape.
    FrequencyCurveView(gui::Rect bounds, int tag, gui::ControlListener* listener, ViewContext& context,
                       Source source, int slot = -1);

    // The noise handles are rebuilt from the shown layer's frames.
    void refresh() override;

    int pointCount() override;
    gui::Point pointPosition(int index) override;

    // The noise frame the noise frame view selected, drawn over the handles
    // (-1 for none); edits still scale every frame.
    void setShownNoiseFrame(int frame);
    int shownNoiseFrame() const { return shownNoiseFrame_; }

    // Hz at curve position 1.
    float spanHz() const;
    BreakpointCurve& shownCurve();

protected:
    int insertPointAt(double x, double y) override;
    void deletePoint(int index) override;
    void movePointTo(int index, double x, double y) override;
    void updateReadout(int index) override;
    void drawGrid(cairo_t* cr) override;
    void drawCurve(cairo_t* cr) override;
    void afterEdit() override;
    bool editsVoice() const override { return source_ == Source::NoiseSpectrum; }

private:
    float positionAtX(double x) const;
    float valueAtY(double y) const;
    void rebuildNoiseHandles();
    void rescaleNoise(int index, float oldValue, float newValue);

    Source source_;
    BreakpointCurve noiseHandles_;
    // The handles show mean levels × this, fixed while the same layer is shown
    // so an edit does not re-fit the whole curve.
    float noiseScale_ = 1.0f;
    const LayerData* scaledFor_ = nullptr;
    int shownNoiseFrame_ = -1;
};

} // namespace tessarine
