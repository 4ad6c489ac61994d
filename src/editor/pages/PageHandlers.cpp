#include "editor/pages/PageHandlers.h"

#include "editor/EditorActions.h"
#include "editor/pages/EditorPages.h"
#include "editor/EditorTags.h"
#include "editor/VoiceEdits.h"
#include "engine/SynthEngine.h"
#include "gui/OptionMenu.h"
#include "params/ModulationLists.h"

namespace tessarine {

void addPageHandlers(ValueHandlers& handlers, const PageHandlerContext& context)
{
    addTopBarHandlers(handlers, context);
    addVoicePageHandlers(handlers, context);
    addModulationPageHandlers(handlers, context);
    addMorphPageHandlers(handlers, context);
    addSoundPageHandlers(handlers, context);
    addEffectsPageHandlers(handlers, context);
}

void onRelease(ValueHandlers& handlers, const PageHandlerContext& context, int first, int count,
               std::function<void(int offset)> action)
{
    handlers.on(first, count, [c = context, action = std::move(action)](const ValueWrite& w) {
        c.pages.moveControls(w.index, w.value);
        if (w.value == 0.0f) {
            action(w.offset);
        }
    });
}

void addModulationPageHandlers(ValueHandlers& handlers, const PageHandlerContext& context)
{
    // The row stops or starts moving a parameter: every saved value is applied again.
    auto row = [c = context](const ValueWrite& w) {
        const auto* target =
            dynamic_cast<const gui::OptionMenu*>(c.pages.control(kModulationPage, kModTarget1 + w.offset));
        if (target != nullptr && modulationTargetParameter(target->currentEntry()) >= 0) {
            c.engine.requestReload();
        }
        c.pages.moveControls(w.index, w.value);
    };
    handlers.on(kModSource1, kMatrixRowsShown, row);
    handlers.on(kModTarget1, kMatrixRowsShown, row);
}

namespace {

// A section's switch: its controls follow, and the section is drawn lit or dimmed.
void onSectionSwitch(ValueHandlers& handlers, const PageHandlerContext& context, int tag)
{
    handlers.on(tag, 1, [c = context](const ValueWrite& w) {
        c.pages.moveControls(w.index, w.value);
        c.pages.redrawSwitchedSections(w.index);
    });
}

} // namespace

void addSoundPageHandlers(ValueHandlers& handlers, const PageHandlerContext& context)
{
    onSectionSwitch(handlers, context, kLfoOn);
    // The spectral shape is read from the instrument's curve by the notes
    // themselves; nothing is derived from it ahead of time.
    handlers.on(kTagSpectralShapeView, 1, [](const ValueWrite&) {});
    onRelease(handlers, context, kTagRandomiseSound, 1,
              [c = context](int) { c.actions.randomise(kTagRandomiseSound); });
}

void addEffectsPageHandlers(ValueHandlers& handlers, const PageHandlerContext& context)
{
    for (int tag : {kFormantFilterOn, kDistortionOn, kFilterOn, kChorusOn, kDelayOn, kReverbOn}) {
        onSectionSwitch(handlers, context, tag);
    }
    onRelease(handlers, context, kTagRandomiseEffects, 1,
              [c = context](int) { c.actions.randomise(kTagRandomiseEffects); });
}

} // namespace tessarine
