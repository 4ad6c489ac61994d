#pragma once
// The noise XY morph: slots A..D sit at the corners (0,0), (1,0), (0,1), (1,1)
// of the pad. Used per sub-block for the blended slot noise gain and per frame
// for the blended spectrum, so both follow the same position.

#include "sound/model/Instrument.h"

#include <array>

namespace tessarine {

// A position outside 0..1 is held at the pad's edge; not-a-number (an
// unconnected modulation) counts as 0, so it can never reach the output.
inline float noiseMorphPosition(float value)
{
    if (!(value > 0.0f)) {
        return 0.0f;
    }
    return value < 1.0f ? value : 1.0f;
}

// Corner weights of slots A..D; they always sum to 1.
inline std::array<float, kVoiceSlotCount> noiseMorphWeights(float x, float y)
{
    x = noiseMorphPosition(x);
    y = noiseMorphPosition(y);
    return {(1.0f - x) * (1.0f - y), x * (1.0f - y), (1.0f - x) * y, x * y};
}

// The noise gain of a sub-block from the four slots' noise gains: the voice
// render multiplies it into the start and end gain it hands the noise render.
inline float blendedNoiseGain(const std::array<float, kVoiceSlotCount>& slotNoiseGains, float x, float y)
{
    const std::array<float, kVoiceSlotCount> w = noiseMorphWeights(x, y);
    float gain = 0.0f;
    for (int s = 0; s < kVoiceSlotCount; ++s) {
        gain += w[static_cast<std::size_t>(s)] * slotNoiseGains[static_cast<std::size_t>(s)];
    }
    return gain;
}

} // namespace tessarine
