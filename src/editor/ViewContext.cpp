#include "editor/ViewContext.h"

#include "engine/SynthEngine.h"

#include <algorithm>

namespace tessarine {

namespace {

bool validSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

// Position 0, 1 or 2 of a slot's three-way soft/loud selector.
int selectorPosition(SynthEngine& engine, int slot)
{
    return static_cast<int>(engine.getParameter(kSoftLoudButtonA + slot, true) * 2.0f + 0.5f);
}

} // namespace

void ViewContext::sendMidi(const std::uint8_t bytes[3]) { engine().midiFromEditor(bytes); }

VoicePlace ViewContext::savedPlace(int slot)
{
    VoicePlace place;
    if (!validSlot(slot)) {
        return place;
    }
    place.slot = slot;
    const float entries = static_cast<float>(kMaxMultisamples);
    place.multisample = std::clamp(static_cast<int>(engine().getParameter(kMultisampleA + slot, true) * entries + 0.001f),
                                   0, kMaxMultisamples - 1);
    place.layer = selectorPosition(engine(), slot) == 0 ? 0 : 1;
    return place;
}

Voice* ViewContext::voice(const VoicePlace& place)
{
    return validSlot(place.slot) ? &engine().editInstrument().voices[static_cast<std::size_t>(place.slot)] : nullptr;
}

LayerData* ViewContext::layerData(const VoicePlace& place)
{
    Voice* v = voice(place);
    if (v == nullptr) {
        return nullptr;
    }
    return &v->layer(std::clamp(place.multisample, 0, kMaxMultisamples - 1),
                     std::clamp(place.layer, 0, kLayersPerMultisample - 1));
}

void ViewContext::prepareVoiceOf(const VoicePlace& place)
{
    Voice* v = voice(place);
    if (v == nullptr) {
        return;
    }
    const bool oneLayer = selectorPosition(engine(), place.slot) >= 2;
    ScopedVoiceEdit edit(engine().handover());
    v->layerCount = oneLayer ? 1 : 2;
    prepareVoice(*v);
}

} // namespace tessarine
