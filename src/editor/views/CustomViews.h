#pragma once
// The editor's own views, one factory per tag: the curve views (175..178 and
// 253), the harmonic bars (174), the morph pad (198) and path (179) and the
// keyboard (254). Each returns a control under its tag that reports to the
// listener like any other control. Without a view context (views) a factory
// returns an empty panel that holds the view's place.

#include "gui/Control.h"

#include <memory>

namespace tessarine {

class SynthEngine;
class ViewContext;

struct CustomViewContext {
    SynthEngine* engine = nullptr;
    ViewContext* views = nullptr;
};

// slot: the voice page's slot (0..3), -1 on the other pages.
std::unique_ptr<gui::Control> makeCurveView(int tag, int slot, gui::Rect bounds, gui::ControlListener* listener,
                                            const CustomViewContext& context);
std::unique_ptr<gui::Control> makeHarmonicBarView(int slot, gui::Rect bounds, gui::ControlListener* listener,
                                                  const CustomViewContext& context);
std::unique_ptr<gui::Control> makeMorphPadView(gui::Rect bounds, gui::ControlListener* listener,
                                               const CustomViewContext& context);
std::unique_ptr<gui::Control> makeMorphPathView(gui::Rect bounds, gui::ControlListener* listener,
                                                const CustomViewContext& context);
std::unique_ptr<gui::Control> makeKeyboardView(gui::Rect bounds, gui::ControlListener* listener,
                                               const CustomViewContext& context);

// What the editor's handlers tell the views; each does nothing to a view
// that does not take it (a stand-in panel).
// The shown (multisample, layer) of a voice view's slot changed, or its data did.
void refreshVoiceView(gui::Control& view, int slot, int multisample, int layer);
// Tag 182 + s: the bar view's harmonic family (0..7).
void setHarmonicFamily(gui::Control& bars, int family);
// Tag 194 + s: the slot view's switch.
void setSlotViewSwitch(gui::Control& view, bool on);
// Tag 136 + s: how the envelope views move points (0 single, 1 shift, 2 stretch).
void setEnvelopeMode(gui::Control& view, int mode);
// Tags 19 and 123: which points a pad drag moves, and whether the path is shown.
void setMorphPadTargetMode(gui::Control& pad, int targetMode);
void setMorphPadPathShown(gui::Control& pad, bool shown);
// Tags 19 and 180: the path view's curve pair, its all-points flag and the selected curve.
void setMorphPathCurves(gui::Control& path, int pair, bool allPoints, int selectedCurve);
void setMorphPathTempo(gui::Control& path, double tempo);
// The harmonic envelope view's selected frame, shown and edited by the bars.
void setHarmonicBarFrame(gui::Control& bars, int frame);
// Tags 186 + s and 141 + s: the bars show frequency deviations instead of
// levels, and all frames instead of the selected one.
void setHarmonicBarModes(gui::Control& bars, bool deviations, bool allFrames);
// The noise frame view's selected frame, drawn in the noise spectrum view.
void setShownNoiseFrame(gui::Control& spectrum, int frame);
// At the editor's idle: views that follow the engine on their own (keys held
// by the host, morph points moved by automation) redraw when it changed.
void idleCustomView(gui::Control& view);

// The stand-in: a recessed empty panel under the tag.
class PlaceholderView : public gui::Control {
public:
    PlaceholderView(gui::Rect bounds, int tag, gui::ControlListener* listener) : Control(bounds, tag, listener) {}
    void draw(cairo_t* cr) override;
};

} // namespace tessarine
