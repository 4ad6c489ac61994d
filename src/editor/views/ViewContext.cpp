#include "editor/views/ViewContext.h"

#include "engine/SynthEngine.h"

#include <algorithm>

namespace tessarine {

namespace {

bool validSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

} // namespace

void ViewContext::sendMidi(const std::uint8_t bytes[3]) { engine().midiFromEditor(bytes); }

VoicePlace ViewContext::savedPlace(int slot) { return voicePlaceOf(engine(), slot); }

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
    const bool oneLayer = layerSelectorPosition(engine(), place.slot) >= 2;
    ScopedVoiceEdit edit(engine().handover());
    v->layerCount = oneLayer ? 1 : 2;
    prepareVoice(*v);
}

} // namespace tessarine
