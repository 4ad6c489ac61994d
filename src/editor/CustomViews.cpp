#include "editor/CustomViews.h"

#include "editor/EditorTags.h"
#include "gui/Theme.h"

namespace tessarine {

void PlaceholderView::draw(cairo_t* cr) { gui::drawWell(cr, bounds()); }

std::unique_ptr<gui::Control> makeCurveView(int tag, int, gui::Rect bounds, gui::ControlListener* listener,
                                            const CustomViewContext&)
{
    return std::make_unique<PlaceholderView>(bounds, tag, listener);
}

std::unique_ptr<gui::Control> makeHarmonicBarView(int, gui::Rect bounds, gui::ControlListener* listener,
                                                  const CustomViewContext&)
{
    return std::make_unique<PlaceholderView>(bounds, kTagHarmonicBars, listener);
}

std::unique_ptr<gui::Control> makeMorphPadView(gui::Rect bounds, gui::ControlListener* listener,
                                               const CustomViewContext&)
{
    return std::make_unique<PlaceholderView>(bounds, kTagMorphPad, listener);
}

std::unique_ptr<gui::Control> makeMorphPathView(gui::Rect bounds, gui::ControlListener* listener,
                                                const CustomViewContext&)
{
    return std::make_unique<PlaceholderView>(bounds, kTagMorphPath, listener);
}

std::unique_ptr<gui::Control> makeKeyboardView(gui::Rect bounds, gui::ControlListener* listener,
                                               const CustomViewContext&)
{
    return std::make_unique<PlaceholderView>(bounds, kTagKeyboard, listener);
}

// Until the views exist there is nothing to tell.
void refreshVoiceView(gui::Control& view, int, int, int) { view.invalidate(); }
void setHarmonicFamily(gui::Control&, int) {}
void setSlotViewSwitch(gui::Control&, bool) {}
void setEnvelopeMode(gui::Control&, int) {}
void setMorphPadTargetMode(gui::Control&, int) {}
void setMorphPadPathShown(gui::Control&, bool) {}
void setMorphPathCurves(gui::Control&, int, bool, int) {}
void setMorphPathTempo(gui::Control&, double) {}

} // namespace tessarine
