#pragma once
// What the custom views (curves, bars, morph pad and path, keyboard) need from
// the editor that hosts them: the engine whose data they show and edit, the
// voice page's slot, and the way a value reaches the engine, the editor and
// the host. SynthEditor implements it; tests implement it over a bare engine.
//
// Views change sound data only on the GUI thread and only inside a
// ScopedVoiceEdit on the engine's handover, so render never reads a half-edited
// curve; values go through applyValue, which the audio thread picks up whole.

#include <cstdint>

namespace tessarine {

class SynthEngine;
struct LayerData;
struct Voice;

class ViewContext {
public:
    virtual ~ViewContext() = default;

    virtual SynthEngine& engine() = 0;
    // The slot (0..3) whose voice page is shown; -1 on the other pages.
    virtual int shownSlot() = 0;
    // Writes one value as a control does: engine (current and saved), editor, host.
    virtual void applyValue(int index, float value) = 0;
    // The noise frame view's selection, for the editor to show that frame elsewhere.
    virtual void noiseFrameSelected(int frame) { (void)frame; }
    // The harmonic envelope view's selection (the bar view edits that frame).
    virtual void harmonicFrameSelected(int frame) { (void)frame; }

    // MIDI from the keyboard view, three bytes at frame 0 of the next block.
    virtual void sendMidi(const std::uint8_t bytes[3]);

    // The multisample and layer the voice page shows for a slot: the entry of
    // the slot's multisample list and its soft/loud selector (layer 0 only in
    // the first position), as the engine's saved values hold them.
    int shownMultisample(int slot);
    int shownLayer(int slot);
    // The shown slot's voice and layer; null on pages without a slot.
    Voice* shownVoice();
    LayerData* shownLayerData();

    // The slot's voice made playable again after an edit: the selector's third
    // position means one layer, the others two. Takes the engine's handover.
    void prepareShownVoice();
};

} // namespace tessarine
