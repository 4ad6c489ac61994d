#include "editor/ViewContext.h"

#include "engine/SynthEngine.h"

#include <algorithm>

namespace tessarine {

void ViewContext::sendMidi(const std::uint8_t bytes[3]) { engine().midiFromEditor(bytes); }

int ViewContext::shownMultisample(int slot)
{
    if (slot < 0 || slot >= kSlotCount) {
        return 0;
    }
    const float value = engine().getParameter(kMultisampleA + slot, true);
    const int entry = static_cast<int>(value * static_cast<float>(kMaxMultisamples) + 0.001f);
    return std::clamp(entry, 0, kMaxMultisamples - 1);
}

int ViewContext::shownLayer(int slot)
{
    if (slot < 0 || slot >= kSlotCount) {
        return 0;
    }
    const float value = engine().getParameter(kSoftLoudButtonA + slot, true);
    return static_cast<int>(value * 2.0f + 0.5f) == 0 ? 0 : 1;
}

Voice* ViewContext::shownVoice()
{
    const int slot = shownSlot();
    if (slot < 0 || slot >= kSlotCount) {
        return nullptr;
    }
    return &engine().editInstrument().voices[static_cast<std::size_t>(slot)];
}

LayerData* ViewContext::shownLayerData()
{
    const int slot = shownSlot();
    Voice* voice = shownVoice();
    return voice != nullptr ? &voice->layer(shownMultisample(slot), shownLayer(slot)) : nullptr;
}

void ViewContext::prepareShownVoice()
{
    const int slot = shownSlot();
    Voice* voice = shownVoice();
    if (voice == nullptr) {
        return;
    }
    const bool oneLayer = static_cast<int>(engine().getParameter(kSoftLoudButtonA + slot, true) * 2.0f + 0.5f) >= 2;
    ScopedVoiceEdit edit(engine().handover());
    voice->layerCount = oneLayer ? 1 : 2;
    prepareVoice(*voice);
}

} // namespace tessarine
