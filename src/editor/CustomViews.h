#pragma once
// The editor's own views, one factory per tag: the curve views (175..178 and
// 253), the harmonic bars (174), the morph pad (198) and path (179) and the
// keyboard (254). Each returns a control under its tag that reports to the
// listener like any other control. Until a view exists, its factory returns
// an empty panel that holds the view's place.

#include "gui/Control.h"

#include <memory>

namespace tessarine {

class SynthEngine;

struct CustomViewContext {
    SynthEngine* engine = nullptr;
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

// The stand-in: a recessed empty panel under the tag.
class PlaceholderView : public gui::Control {
public:
    PlaceholderView(gui::Rect bounds, int tag, gui::ControlListener* listener) : Control(bounds, tag, listener) {}
    void draw(cairo_t* cr) override;
};

} // namespace tessarine
