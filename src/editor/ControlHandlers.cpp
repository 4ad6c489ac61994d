// What the editor does with each value written to it, on the user-interface
// thread: move the controls of the index, then the index's own reaction
// (actions, voice edits, the views' settings).

#include "editor/ControlFactory.h"
#include "editor/EditorTags.h"
#include "editor/SynthEditor.h"
#include "engine/SynthEngine.h"
#include "gui/ListSelector.h"
#include "gui/OptionMenu.h"
#include "gui/Selector.h"
#include "params/ModulationLists.h"
#include "params/NoteFrequencyTable.h"

#include <algorithm>
#include <cmath>

namespace tessarine {

namespace {

// s of an index in a run of four per-slot indices starting at first; -1 outside.
int slotIn(int index, int first) { return index >= first && index < first + kSlotCount ? index - first : -1; }

// The key whose frequency is nearest to pitch: 0 at or below the first, 127
// at or above the last, the upper of two neighbours on a tie.
int nearestKey(float pitch)
{
    const auto& table = noteFrequencyTable();
    if (!(pitch > table.frequency(0))) {
        return 0;
    }
    if (pitch >= table.frequency(kKeyCount - 1)) {
        return kKeyCount - 1;
    }
    int upper = 1;
    while (upper < kKeyCount - 1 && table.frequency(upper) < pitch) {
        ++upper;
    }
    const float below = pitch - table.frequency(upper - 1);
    const float above = table.frequency(upper) - pitch;
    return above <= below ? upper : upper - 1;
}

} // namespace

void SynthEditor::setControls(int index, float value)
{
    if (pages_) {
        pages_->forEachControl(index, [value](gui::Control& c) { c.setValue(value); });
    }
}

void SynthEditor::refreshVoiceViews()
{
    const int page = currentPage();
    const int slot = slotOfPage(page);
    if (slot < 0 || !pages_) {
        return;
    }
    const VoicePlace place = voicePlace(slot);
    for (int tag : {kTagHarmonicBars, kTagHarmonicEnvelopeView, kTagNoiseSpectrumView, kTagNoiseFrameView}) {
        if (gui::Control* view = pages_->control(page, tag)) {
            refreshVoiceView(*view, slot, place.multisample, place.layer);
        }
    }
}

void SynthEditor::runHandler(int index, float value)
{
    // Actions first: file and generator actions only on their write of 0.
    if (isReleaseAction(index)) {
        setControls(index, value);
        if (value != 0.0f) {
            return;
        }
        if (const int s = slotIn(index, kTagAnalyseA); s >= 0) {
            analyse(s);
        } else if (const int s2 = slotIn(index, kTagLoadVoiceA); s2 >= 0) {
            loadVoice(s2);
        } else if (const int s3 = slotIn(index, kTagSaveVoiceA); s3 >= 0) {
            saveVoice(s3);
        } else {
            switch (index) {
            case kTagLoadInstrument:
                loadInstrument();
                break;
            case kTagSaveInstrument:
                saveInstrument();
                break;
            case kTagResetInstrument:
                resetInstrument();
                break;
            case kTagLoadHarmonicPreset:
                loadPreset(true);
                break;
            case kTagSaveHarmonicPreset:
                savePreset(true);
                break;
            case kTagLoadNoisePreset:
                loadPreset(false);
                break;
            case kTagSaveNoisePreset:
                savePreset(false);
                break;
            case kTagRandomInstrument:
                randomInstrument();
                break;
            case kTagRandomiseMorph:
            case kTagRandomiseSound:
            case kTagRandomiseEffects:
                randomise(index);
                break;
            default:
                break;
            }
        }
        return;
    }

    if (const int s = slotIn(index, kTagVoiceMenuA); s >= 0) {
        voiceChosen(s);
        return;
    }
    if (const int s = slotIn(index, kTagHarmonicPresetMenuA); s >= 0) {
        presetChosen(s, true);
        return;
    }
    if (const int s = slotIn(index, kTagNoisePresetMenuA); s >= 0) {
        presetChosen(s, false);
        return;
    }

    const int page = currentPage();
    const int shownSlot = slotOfPage(page);
    switch (index) {
    case kTagPageSelector:
        switchPage(value);
        return;
    case kTagInstrumentMenu:
        setControls(index, value);
        instrumentChosen();
        return;
    case kTagCategoryMenu:
        setControls(index, value);
        categoryChosen();
        return;
    case kTagMidiLearn:
        setControls(index, value);
        engine_.armLearn(value > 0.5f);
        return;
    case kMorphModeSelector: {
        setControls(index, value);
        const int position = static_cast<int>(3.0f * value + 0.5f);
        // Position 0 moves all three points and shows every curve.
        static constexpr int kPairOfPosition[] = {1, 2, 1, 0};
        const int pair = kPairOfPosition[position < 0 ? 0 : (position > 3 ? 3 : position)];
        const float pathSwitch = engine_.getParameter(kTagMorphPathSwitch, true) > 0.5f ? 1.0f : 0.0f;
        if (gui::Control* pad = pages_->control(kMorphPage, kTagMorphPad)) {
            setMorphPadTargetMode(*pad, static_cast<int>(3.99f * value));
        }
        if (gui::Control* path = pages_->control(kMorphPage, kTagMorphPath)) {
            setMorphPathCurves(*path, pair, position == 0, static_cast<int>(pathSwitch) + 2 * pair);
        }
        return;
    }
    case kTagMorphPathSwitch: {
        setControls(index, value);
        const int position = static_cast<int>(3.0f * engine_.getParameter(kMorphModeSelector, true) + 0.5f);
        static constexpr int kPairOfPosition[] = {1, 2, 1, 0};
        const int pair = kPairOfPosition[position < 0 ? 0 : (position > 3 ? 3 : position)];
        if (gui::Control* path = pages_->control(kMorphPage, kTagMorphPath)) {
            setMorphPathCurves(*path, pair, position == 0, (value > 0.5f ? 1 : 0) + 2 * pair);
        }
        return;
    }
    case kEnvelopeMorphOn:
        setControls(index, value);
        if (gui::Control* pad = pages_->control(kMorphPage, kTagMorphPad)) {
            setMorphPadPathShown(*pad, static_cast<int>(1.99f * value) != 0);
        }
        return;
    case kTagHarmonicBars:
    case kTagHarmonicEnvelopeView:
        // A view edited the shown layer: the voice plays the edit once prepared.
        if (shownSlot >= 0) {
            refreshVoiceViews();
            if (!insideRefresh_) {
                prepareSlot(shownSlot);
            }
        }
        return;
    case kTagNoiseSpectrumView:
    case kTagNoiseFrameView:
        if (shownSlot >= 0) {
            refreshVoiceViews();
            if (!insideRefresh_) {
                resampleNoiseBands(shownSlot);
            }
        }
        return;
    case kTagSpectralShapeView:
        // The spectral shape is read from the instrument's curve by the notes
        // themselves; nothing is derived from it ahead of time.
        return;
    case kLfo1Rate:
    case kLfo2Rate:
        setControls(index, value);
        return;
    default:
        break;
    }

    if (const int s = slotIn(index, kTagHarmonicFamilyA); s >= 0) {
        setControls(index, value);
        int family = static_cast<int>(value * 8.0f + 0.001f);
        family = family < 0 ? 0 : (family > 7 ? 7 : family);
        if (gui::Control* bars = pages_->control(s, kTagHarmonicBars)) {
            setHarmonicFamily(*bars, family);
        }
        refreshVoiceViews();
        return;
    }
    if (const int s = slotIn(index, kTagVoiceNameA); s >= 0) {
        if (gui::Control* edit = pages_->control(s, index)) {
            setVoiceName(s, *edit);
        }
        return;
    }
    if (const int s = slotIn(index, kTagVoiceNameAltA); s >= 0) {
        if (gui::Control* edit = pages_->control(s, index)) {
            setVoiceName(s, *edit);
        }
        return;
    }
    if (slotIn(index, kSoftLoudButtonA) >= 0) {
        setControls(index, value);
        refreshVoiceViews();
        return;
    }
    // "Bars" lit shows frequency deviations, "Harmonics" lit every frame at once.
    if (const int s = std::max(slotIn(index, kTagSlotViewSwitchA), slotIn(index, kNumHarmonicsA)); s >= 0) {
        setControls(index, value);
        if (gui::Control* bars = pages_->control(s, kTagHarmonicBars)) {
            const int deviations = kTagSlotViewSwitchA + s;
            const int allFrames = kNumHarmonicsA + s;
            setHarmonicBarModes(*bars, (index == deviations ? value : engine_.getParameter(deviations, true)) > 0.5f,
                                (index == allFrames ? value : engine_.getParameter(allFrames, true)) > 0.5f);
        }
        refreshVoiceViews();
        return;
    }
    if (const int s = slotIn(index, kTagSlotSwitchA); s >= 0) {
        setControls(index, value);
        for (int tag : {kTagHarmonicBars, kTagHarmonicEnvelopeView, kTagNoiseSpectrumView, kTagNoiseFrameView}) {
            if (gui::Control* view = pages_->control(s, tag)) {
                setSlotViewSwitch(*view, value > 0.5f);
            }
        }
        refreshVoiceViews();
        return;
    }
    if (const int s = slotIn(index, kEnvelopeModeA); s >= 0) {
        setControls(index, value);
        // Both time-axis views take the mode: the harmonic envelope and the noise frames.
        for (int tag : {kTagHarmonicEnvelopeView, kTagNoiseFrameView}) {
            if (gui::Control* view = pages_->control(s, tag)) {
                setEnvelopeMode(*view, static_cast<int>(2.95f * value));
            }
        }
        return;
    }
    if ((index >= kModSource1 && index < kModSource1 + kMatrixRowsShown)
        || (index >= kModTarget1 && index < kModTarget1 + kMatrixRowsShown)) {
        const int row = index >= kModTarget1 ? index - kModTarget1 : index - kModSource1;
        const auto* target = dynamic_cast<const gui::OptionMenu*>(pages_->control(kModulationPage, kModTarget1 + row));
        if (target != nullptr && modulationTargetParameter(target->currentEntry()) >= 0) {
            // The row stops or starts moving a parameter: every saved value is applied again.
            engine_.requestReload();
        }
        setControls(index, value);
        return;
    }
    if (const int s = slotIn(index, kNumMultisamplesA); s >= 0) {
        setControls(index, value);
        setMultisampleCount(s);
        refreshVoiceViews();
        return;
    }
    if (slotIn(index, kMultisampleA) >= 0) {
        setControls(index, value);
        refreshVoiceViews();
        return;
    }
    if (const int s = slotIn(index, kTagKeyA); s >= 0) {
        setControls(index, value);
        setKey(s, value);
        return;
    }
    if (const int s = slotIn(index, kVoiceCutoffA); s >= 0) {
        setControls(index, value);
        setVoiceCutoff(s, value);
        refreshVoiceViews();
        return;
    }
    setControls(index, value);
}

void SynthEditor::fullRefresh()
{
    if (!isOpen() || !pages_) {
        return;
    }
    insideRefresh_ = true;
    showCategoryName(*pages_);
    showInstrumentName();

    const Instrument& instrument = engine_.instrument();
    for (int s = 0; s < kSlotCount; ++s) {
        const Voice& voice = instrument.voices[static_cast<std::size_t>(s)];
        const float count = static_cast<float>(voice.multisampleCount - 1) / 8.0f;
        engine_.setParameter(kNumMultisamplesA + s, count, true);
        pages_->forEachControl(kTagVoiceNameA + s, [&voice](gui::Control& c) { setControlText(c, voice.nameView()); });

        const VoicePlace place = voicePlace(s);
        const int multisample = place.multisample < voice.multisampleCount ? place.multisample : 0;
        float pitch = voice.layer(multisample, 0).harmonic.basePitch;
        if (!(pitch > 0.0f)) {
            pitch = voice.layer(multisample, 1).harmonic.basePitch;
        }
        const int key = nearestKey(pitch);
        auto* keys = dynamic_cast<gui::ListSelector*>(pages_->control(s, kTagKeyA + s));
        const int entries = keys != nullptr ? keys->entryCount() : kKeyCount;
        const int shown = entries > 0 && key >= entries ? entries - 1 : key;
        const float keyValue = static_cast<float>(shown) / static_cast<float>(kKeyCount);
        setControls(kTagKeyA + s, keyValue);
        engine_.setParameter(kTagKeyA + s, keyValue, true);
    }

    for (int index = 0; index < kValueCount; ++index) {
        if (!isExcludedFromRefresh(index)) {
            setParameter(index, engine_.getParameter(index, true));
        }
    }

    refreshVoiceViews();
    if (gui::Control* path = pages_->control(kMorphPage, kTagMorphPath)) {
        setMorphPathTempo(*path, engine_.tempo());
    }
    insideRefresh_ = false;
}

// Voice edits hold the engine's edit handover, so no note renders a voice half-changed.

void SynthEditor::prepareSlot(int slot)
{
    ScopedVoiceEdit edit(engine_.handover());
    prepareVoice(engine_.editInstrument().voices[static_cast<std::size_t>(slot)]);
}

void SynthEditor::resampleNoiseBands(int slot)
{
    const VoicePlace place = voicePlace(slot);
    ScopedVoiceEdit edit(engine_.handover());
    Voice& voice = engine_.editInstrument().voices[static_cast<std::size_t>(slot)];
    voice.layer(place.multisample, place.layer).noise.resampleBands();
}

void SynthEditor::setMultisampleCount(int slot)
{
    const int count = engine_.multisampleCount(slot);
    Voice& voice = engine_.editInstrument().voices[static_cast<std::size_t>(slot)];
    // Preparing an unchanged voice again changes nothing; a refresh writes every count.
    if (count < 1 || count > kMaxMultisamples || count == voice.multisampleCount) {
        return;
    }
    ScopedVoiceEdit edit(engine_.handover());
    voice.multisampleCount = count;
    prepareVoice(voice);
}

void SynthEditor::setVoiceCutoff(int slot, float value)
{
    Voice& voice = engine_.editInstrument().voices[static_cast<std::size_t>(slot)];
    if (!std::isfinite(value) || voice.cutoff == value) {
        return;
    }
    ScopedVoiceEdit edit(engine_.handover());
    voice.cutoff = value;
    prepareVoice(voice);
}

void SynthEditor::setKey(int slot, float value)
{
    int key = static_cast<int>(value * static_cast<float>(kKeyCount) + 0.001f);
    key = key > kKeyCount - 1 ? kKeyCount - 1 : key;
    const float pitch = key >= 0 ? noteFrequencyTable().frequency(key) : 0.0f;
    const VoicePlace place = voicePlace(slot);
    Voice& voice = engine_.editInstrument().voices[static_cast<std::size_t>(slot)];
    Multisample& multisample = voice.multisamples[static_cast<std::size_t>(place.multisample)];
    if (multisample.layers[0].harmonic.basePitch == pitch && multisample.layers[1].harmonic.basePitch == pitch) {
        return;
    }
    ScopedVoiceEdit edit(engine_.handover());
    for (auto& layer : multisample.layers) {
        layer.harmonic.basePitch = pitch;
    }
}

void SynthEditor::setVoiceName(int slot, gui::Control& source)
{
    // Only the editor reads names, never the audio thread.
    engine_.editInstrument().voices[static_cast<std::size_t>(slot)].setName(controlText(source));
}

} // namespace tessarine
