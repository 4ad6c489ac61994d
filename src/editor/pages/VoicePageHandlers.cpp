// A voice page's values: its slot's file actions and preset menus, the edits
// of the slot's voice, the switches and selections that set what its views
// show, and the views' own edits.

#include "editor/pages/ControlFactory.h"
#include "editor/EditorActions.h"
#include "editor/pages/EditorPages.h"
#include "editor/EditorTags.h"
#include "editor/pages/PageHandlers.h"
#include "editor/VoiceEdits.h"
#include "engine/SynthEngine.h"

namespace tessarine {

namespace {

void addFileHandlers(ValueHandlers& handlers, const PageHandlerContext& context)
{
    EditorActions* actions = &context.actions;
    onRelease(handlers, context, kTagAnalyseA, kSlotCount, [actions](int s) { actions->analyse(s); });
    onRelease(handlers, context, kTagAnalyseLayerA, kSlotCount,
              [actions](int s) { actions->analyse(s, AnalyseInto::ShownLayer); });
    onRelease(handlers, context, kTagLoadVoiceA, kSlotCount, [actions](int s) { actions->loadVoice(s); });
    onRelease(handlers, context, kTagSaveVoiceA, kSlotCount, [actions](int s) { actions->saveVoice(s); });
    onRelease(handlers, context, kTagLoadHarmonicPreset, 1, [actions](int) { actions->loadPreset(true); });
    onRelease(handlers, context, kTagSaveHarmonicPreset, 1, [actions](int) { actions->savePreset(true); });
    onRelease(handlers, context, kTagLoadNoisePreset, 1, [actions](int) { actions->loadPreset(false); });
    onRelease(handlers, context, kTagSaveNoisePreset, 1, [actions](int) { actions->savePreset(false); });
    handlers.on(kTagHarmonicPresetMenuA, kSlotCount,
                [actions](const ValueWrite& w) { actions->presetChosen(w.offset, true); });
    handlers.on(kTagNoisePresetMenuA, kSlotCount,
                [actions](const ValueWrite& w) { actions->presetChosen(w.offset, false); });
}

void addVoiceHandlers(ValueHandlers& handlers, const PageHandlerContext& context)
{
    VoiceEdits* voices = &context.voices;
    const EditorPages* pages = &context.pages;
    auto setName = [voices, pages](const ValueWrite& w) {
        if (gui::Control* edit = pages->control(w.offset, w.index)) {
            voices->setName(w.offset, *edit);
        }
    };
    handlers.on(kTagVoiceNameA, kSlotCount, setName);
    handlers.on(kTagVoiceNameAltA, kSlotCount, setName);
    handlers.on(kNumMultisamplesA, kSlotCount, [voices, pages](const ValueWrite& w) {
        pages->moveControls(w.index, w.value);
        voices->setMultisampleCount(w.offset);
        voices->refreshViews();
    });
    handlers.on(kTagKeyA, kSlotCount, [voices, pages](const ValueWrite& w) {
        pages->moveControls(w.index, w.value);
        voices->setKey(w.offset, w.value);
    });
    handlers.on(kVoiceCutoffA, kSlotCount, [voices, pages](const ValueWrite& w) {
        pages->moveControls(w.index, w.value);
        voices->setCutoff(w.offset, w.value);
        voices->refreshViews();
    });
    // A view of the shown layer reports an edit of its data; the written value carries none.
    handlers.on(kTagHarmonicBars, 2, [voices](const ValueWrite&) { voices->harmonicsEdited(); });
    handlers.on(kTagNoiseSpectrumView, 2, [voices](const ValueWrite&) { voices->noiseEdited(); });
}

void addViewHandlers(ValueHandlers& handlers, const PageHandlerContext& context)
{
    VoiceEdits* voices = &context.voices;
    const EditorPages* pages = &context.pages;
    const SynthEngine* engine = &context.engine;
    // The place the views show.
    auto showPlace = [voices, pages](const ValueWrite& w) {
        pages->moveControls(w.index, w.value);
        voices->refreshViews();
    };
    handlers.on(kSoftLoudButtonA, kSlotCount, showPlace);
    handlers.on(kMultisampleA, kSlotCount, showPlace);

    handlers.on(kTagHarmonicFamilyA, kSlotCount, [voices, pages](const ValueWrite& w) {
        pages->moveControls(w.index, w.value);
        int family = static_cast<int>(w.value * 8.0f + 0.001f);
        family = family < 0 ? 0 : (family > 7 ? 7 : family);
        if (gui::Control* bars = pages->control(w.offset, kTagHarmonicBars)) {
            setHarmonicFamily(*bars, family);
        }
        voices->refreshViews();
    });
    // "Bars" lit shows frequency deviations, "Harmonics" lit every frame at once.
    auto barModes = [voices, pages, engine](const ValueWrite& w) {
        pages->moveControls(w.index, w.value);
        if (gui::Control* bars = pages->control(w.offset, kTagHarmonicBars)) {
            // The written switch by its written value, the other by its saved one.
            auto lit = [&w, engine](int index) {
                return (w.index == index ? w.value : engine->getParameter(index, true)) > 0.5f;
            };
            setHarmonicBarModes(*bars, lit(kTagSlotViewSwitchA + w.offset), lit(kNumHarmonicsA + w.offset));
        }
        voices->refreshViews();
    };
    handlers.on(kTagSlotViewSwitchA, kSlotCount, barModes);
    handlers.on(kNumHarmonicsA, kSlotCount, barModes);
    handlers.on(kTagSlotSwitchA, kSlotCount, [voices, pages](const ValueWrite& w) {
        pages->moveControls(w.index, w.value);
        for (int tag : {kTagHarmonicBars, kTagHarmonicEnvelopeView, kTagNoiseSpectrumView, kTagNoiseFrameView}) {
            if (gui::Control* view = pages->control(w.offset, tag)) {
                setSlotViewSwitch(*view, w.value > 0.5f);
            }
        }
        voices->refreshViews();
    });
    handlers.on(kEnvelopeModeA, kSlotCount, [pages](const ValueWrite& w) {
        pages->moveControls(w.index, w.value);
        // Both time-axis views take the mode: the harmonic envelope and the noise frames.
        for (int tag : {kTagHarmonicEnvelopeView, kTagNoiseFrameView}) {
            if (gui::Control* view = pages->control(w.offset, tag)) {
                setEnvelopeMode(*view, static_cast<int>(2.95f * w.value));
            }
        }
    });
}

} // namespace

void addVoicePageHandlers(ValueHandlers& handlers, const PageHandlerContext& context)
{
    addFileHandlers(handlers, context);
    addVoiceHandlers(handlers, context);
    addViewHandlers(handlers, context);
}

} // namespace tessarine
