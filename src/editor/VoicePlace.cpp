#include "editor/VoicePlace.h"

#include "engine/SynthEngine.h"
#include "gui/ListSelector.h"
#include "gui/Selector.h"

namespace tessarine {

namespace {

constexpr int kLayerSelectorPositions = 3;

} // namespace

int layerSelectorPosition(const SynthEngine& engine, int slot)
{
    return gui::Selector::positionOf(engine.getParameter(kSoftLoudButtonA + slot, true), kLayerSelectorPositions);
}

VoicePlace voicePlaceOf(const SynthEngine& engine, int slot)
{
    VoicePlace place;
    if (slot < 0 || slot >= kSlotCount) {
        return place;
    }
    place.slot = slot;
    // The same rounding as the page's own list and selector, so a view built
    // before its controls shows what they will show.
    place.multisample = gui::ListSelector::entryOf(engine.getParameter(kMultisampleA + slot, true), kMaxMultisamples);
    place.layer = layerSelectorPosition(engine, slot) == 0 ? 0 : 1;
    return place;
}

} // namespace tessarine
