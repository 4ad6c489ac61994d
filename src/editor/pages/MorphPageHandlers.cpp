// The morph page's values: the mode selector and the second-curve switch set
// which points the pad moves and which curves the path shows, the envelope
// morph shows the path on the pad, and the slots' voice menus load voices.

#include "editor/pages/ControlFactory.h"
#include "editor/EditorActions.h"
#include "editor/pages/EditorPages.h"
#include "editor/EditorTags.h"
#include "editor/pages/PageHandlers.h"
#include "engine/SynthEngine.h"

namespace tessarine {

namespace {

// The mode selector's position (0..3) for its value.
int modePosition(float value) { return static_cast<int>(3.0f * value + 0.5f); }

// The curve pair the path shows in a mode position: position 0 moves all
// three points and shows every curve.
int pairOfPosition(int position)
{
    static constexpr int kPairOfPosition[] = {1, 2, 1, 0};
    return kPairOfPosition[position < 0 ? 0 : (position > 3 ? 3 : position)];
}

void showPathCurves(const EditorPages& pages, int position, bool secondCurve)
{
    const int pair = pairOfPosition(position);
    if (gui::Control* path = pages.control(kMorphPage, kTagMorphPath)) {
        setMorphPathCurves(*path, pair, position == 0, (secondCurve ? 1 : 0) + 2 * pair);
    }
}

} // namespace

void addMorphPageHandlers(ValueHandlers& handlers, const PageHandlerContext& context)
{
    handlers.on(kMorphModeSelector, 1, [c = context](const ValueWrite& w) {
        c.pages.moveControls(w.index, w.value);
        if (gui::Control* pad = c.pages.control(kMorphPage, kTagMorphPad)) {
            setMorphPadTargetMode(*pad, static_cast<int>(3.99f * w.value));
        }
        showPathCurves(c.pages, modePosition(w.value), c.engine.getParameter(kTagMorphPathSwitch, true) > 0.5f);
    });
    handlers.on(kTagMorphPathSwitch, 1, [c = context](const ValueWrite& w) {
        c.pages.moveControls(w.index, w.value);
        showPathCurves(c.pages, modePosition(c.engine.getParameter(kMorphModeSelector, true)), w.value > 0.5f);
    });
    handlers.on(kEnvelopeMorphOn, 1, [c = context](const ValueWrite& w) {
        c.pages.moveControls(w.index, w.value);
        if (gui::Control* pad = c.pages.control(kMorphPage, kTagMorphPad)) {
            setMorphPadPathShown(*pad, static_cast<int>(1.99f * w.value) != 0);
        }
    });
    handlers.on(kTagVoiceMenuA, kSlotCount, [c = context](const ValueWrite& w) { c.actions.voiceChosen(w.offset); });
    onRelease(handlers, context, kTagRandomiseMorph, 1,
              [c = context](int) { c.actions.randomise(kTagRandomiseMorph); });
}

} // namespace tessarine
