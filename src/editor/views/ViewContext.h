#pragma once
// What the custom views (curves, bars, morph pad and path, keyboard) need from
// the editor that hosts them: the engine whose data they show and edit, and
// the way a value reaches the engine, the editor and the host. SynthEditor
// implements it; tests implement it over a bare engine.
//
// Views change sound data only on the GUI thread and only inside a
// ScopedVoiceEdit on the engine's handover, so render never reads a half-edited
// curve; values go through applyValue, which the audio thread picks up whole.

#include "editor/VoicePlace.h"

#include <cstdint>

namespace tessarine {

class SynthEngine;
struct LayerData;
struct Voice;

class ViewContext {
public:
    virtual ~ViewContext() = default;

    virtual SynthEngine& engine() = 0;
    // Writes one value as a control does: engine (current and saved), editor, host.
    virtual void applyValue(int index, float value) = 0;
    // The noise frame view's selection, for the editor to show that frame elsewhere.
    virtual void noiseFrameSelected(const VoicePlace& place, int frame)
    {
        (void)place;
        (void)frame;
    }
    // The harmonic envelope view's selection (the bar view edits that frame).
    virtual void harmonicFrameSelected(const VoicePlace& place, int frame)
    {
        (void)place;
        (void)frame;
    }
    // MIDI from the keyboard view, three bytes at frame 0 of the next block.
    virtual void sendMidi(const std::uint8_t bytes[3]);

    // The place a slot's voice page shows (voicePlaceOf this engine).
    VoicePlace savedPlace(int slot);
    // The slot's voice and the place's layer; null for a place without a slot.
    Voice* voice(const VoicePlace& place);
    LayerData* layerData(const VoicePlace& place);
    // The slot's voice made playable again after an edit: the selector's third
    // position means one layer, the others two. Takes the engine's handover.
    void prepareVoiceOf(const VoicePlace& place);
};

} // namespace tessarine
