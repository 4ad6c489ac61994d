// The top bar's values: the instrument's file actions and generator, the
// library's category and instrument menus, and the learn button.

#include "editor/EditorActions.h"
#include "editor/pages/EditorPages.h"
#include "editor/EditorTags.h"
#include "editor/pages/PageHandlers.h"
#include "engine/SynthEngine.h"

namespace tessarine {

void addTopBarHandlers(ValueHandlers& handlers, const PageHandlerContext& context)
{
    EditorActions* actions = &context.actions;
    onRelease(handlers, context, kTagLoadInstrument, 1, [actions](int) { actions->loadInstrument(); });
    onRelease(handlers, context, kTagSaveInstrument, 1, [actions](int) { actions->saveInstrument(); });
    onRelease(handlers, context, kTagResetInstrument, 1, [actions](int) { actions->resetInstrument(); });
    onRelease(handlers, context, kTagRandomInstrument, 1, [actions](int) { actions->randomInstrument(); });

    handlers.on(kTagInstrumentMenu, 1, [c = context](const ValueWrite& w) {
        c.pages.moveControls(w.index, w.value);
        c.actions.instrumentChosen();
    });
    handlers.on(kTagCategoryMenu, 1, [c = context](const ValueWrite& w) {
        c.pages.moveControls(w.index, w.value);
        c.actions.categoryChosen();
    });
    handlers.on(kTagMidiLearn, 1, [c = context](const ValueWrite& w) {
        c.pages.moveControls(w.index, w.value);
        // A fresh arm waits for the control the musician touches next.
        if (w.value > 0.5f && !c.engine.learnArmed()) {
            c.engine.setLearnTarget(-1);
        }
        c.engine.armLearn(w.value > 0.5f);
    });
}

} // namespace tessarine
