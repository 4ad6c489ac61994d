#include "editor/views/CustomViews.h"

#include "editor/EditorTags.h"
#include "editor/views/EnvelopeCurveView.h"
#include "editor/views/FrequencyCurveView.h"
#include "editor/views/HarmonicBarView.h"
#include "editor/views/HarmonicEnvelopeView.h"
#include "editor/views/KeyboardView.h"
#include "editor/views/MorphPadView.h"
#include "editor/views/MorphPathView.h"
#include "editor/views/NoiseFrameView.h"
#include "gui/Theme.h"

namespace tessarine {

void PlaceholderView::draw(cairo_t* cr) { gui::drawWell(cr, bounds()); }

std::unique_ptr<gui::Control> makeCurveView(int tag, int slot, gui::Rect bounds, gui::ControlListener* listener,
                                            const CustomViewContext& context)
{
    if (context.views == nullptr) {
        return std::make_unique<PlaceholderView>(bounds, tag, listener);
    }
    ViewContext& views = *context.views;
    switch (tag) {
    case 175:
        return std::make_unique<HarmonicEnvelopeView>(bounds, tag, listener, views, slot);
    case 176: {
        auto view = std::make_unique<FrequencyCurveView>(bounds, tag, listener, views,
                                                         FrequencyCurveView::Source::NoiseSpectrum, slot);
        view->refresh();
        return view;
    }
    case 177:
        return std::make_unique<NoiseFrameView>(bounds, tag, listener, views, slot);
    case 178:
        return std::make_unique<FrequencyCurveView>(bounds, tag, listener, views,
                                                    FrequencyCurveView::Source::SpectralShape);
    case 253:
        return std::make_unique<EnvelopeCurveView>(bounds, tag, listener, views);
    default:
        return std::make_unique<PlaceholderView>(bounds, tag, listener);
    }
}

std::unique_ptr<gui::Control> makeHarmonicBarView(int slot, gui::Rect bounds, gui::ControlListener* listener,
                                                  const CustomViewContext& context)
{
    if (context.views == nullptr) {
        return std::make_unique<PlaceholderView>(bounds, kTagHarmonicBars, listener);
    }
    auto bars = std::make_unique<HarmonicBarView>(bounds, kTagHarmonicBars, listener, *context.views, slot);
    return bars;
}

std::unique_ptr<gui::Control> makeMorphPadView(gui::Rect bounds, gui::ControlListener* listener,
                                               const CustomViewContext& context)
{
    if (context.views == nullptr) {
        return std::make_unique<PlaceholderView>(bounds, kTagMorphPad, listener);
    }
    return std::make_unique<MorphPadView>(bounds, kTagMorphPad, listener, *context.views);
}

std::unique_ptr<gui::Control> makeMorphPathView(gui::Rect bounds, gui::ControlListener* listener,
                                                const CustomViewContext& context)
{
    if (context.views == nullptr) {
        return std::make_unique<PlaceholderView>(bounds, kTagMorphPath, listener);
    }
    return std::make_unique<MorphPathView>(bounds, kTagMorphPath, listener, *context.views);
}

std::unique_ptr<gui::Control> makeKeyboardView(gui::Rect bounds, gui::ControlListener* listener,
                                               const CustomViewContext& context)
{
    if (context.views == nullptr) {
        return std::make_unique<PlaceholderView>(bounds, kTagKeyboard, listener);
    }
    return std::make_unique<KeyboardView>(bounds, kTagKeyboard, listener, *context.views);
}

void refreshVoiceView(gui::Control& view, int slot, int multisample, int layer)
{
    const VoicePlace place{slot, multisample, layer};
    if (auto* curve = dynamic_cast<CurveView*>(&view)) {
        if (curve->place().slot >= 0) {
            curve->showPlace(place);
        } else {
            curve->refresh();
        }
    } else if (auto* bars = dynamic_cast<HarmonicBarView*>(&view)) {
        bars->showPlace(place);
    }
    view.invalidate();
}

void setHarmonicFamily(gui::Control& bars, int family)
{
    if (auto* view = dynamic_cast<HarmonicBarView*>(&bars)) {
        view->setFamily(family);
    }
}

void setSlotViewSwitch(gui::Control& view, bool on)
{
    // The slot switch shows or hides the voice's loop markers.
    if (auto* frames = dynamic_cast<HarmonicEnvelopeView*>(&view)) {
        frames->setMarkersShown(on);
    }
}

void setEnvelopeMode(gui::Control& view, int mode)
{
    if (auto* curve = dynamic_cast<CurveView*>(&view)) {
        curve->setMoveMode(mode);
    }
}

void setMorphPadTargetMode(gui::Control& pad, int targetMode)
{
    if (auto* view = dynamic_cast<MorphPadView*>(&pad)) {
        view->setTargetMode(targetMode);
    }
}

void setMorphPadPathShown(gui::Control& pad, bool shown)
{
    if (auto* view = dynamic_cast<MorphPadView*>(&pad)) {
        view->setPathShown(shown);
    }
}

void setMorphPathCurves(gui::Control& path, int, bool allPoints, int selectedCurve)
{
    if (auto* view = dynamic_cast<MorphPathView*>(&path)) {
        view->setAllPointsShown(allPoints);
        view->setSelectedCurve(selectedCurve);
    }
}

void setMorphPathTempo(gui::Control& path, double tempo)
{
    if (auto* view = dynamic_cast<MorphPathView*>(&path)) {
        view->setTempo(tempo);
    }
}

void setHarmonicBarFrame(gui::Control& bars, int frame)
{
    if (auto* view = dynamic_cast<HarmonicBarView*>(&bars)) {
        view->setFrame(frame);
    }
}

void setHarmonicBarModes(gui::Control& bars, bool deviations, bool allFrames)
{
    if (auto* view = dynamic_cast<HarmonicBarView*>(&bars)) {
        view->setFrequencyMode(deviations);
        view->setAllFrames(allFrames);
    }
}

void setShownNoiseFrame(gui::Control& spectrum, int frame)
{
    if (auto* view = dynamic_cast<FrequencyCurveView*>(&spectrum)) {
        view->setShownNoiseFrame(frame);
    }
}

void idleCustomView(gui::Control& view)
{
    if (auto* keys = dynamic_cast<KeyboardView*>(&view)) {
        keys->pollHeldKeys();
    } else if (auto* pad = dynamic_cast<MorphPadView*>(&view)) {
        pad->pollValues();
    }
}

} // namespace tessarine
