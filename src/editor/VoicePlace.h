#pragma once

namespace tessarine {

class SynthEngine;

// The layer a voice page's views show: its slot (-1 for none), the multisample
// of the slot's list and the layer of its soft/loud selector.
struct VoicePlace {
    int slot = -1;
    int multisample = 0;
    int layer = 0;
};

// The place the voice page of slot shows, whether the page is built or not:
// read from the engine's saved values of the slot's multisample list and
// soft/loud selector as those controls read them (layer 0 only in the
// selector's first position). A place without a slot for any other slot.
VoicePlace voicePlaceOf(const SynthEngine& engine, int slot);

// The position (0, 1 or 2) of slot's three-way soft/loud selector; the third
// means the voice plays one layer.
int layerSelectorPosition(const SynthEngine& engine, int slot);

} // namespace tessarine
