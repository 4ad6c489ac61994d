#include "engine/EffectChain.h"

#include <cstddef>
#include <cstring>

namespace tessarine {

void EffectChain::process(const EffectInputs& inputs, float* left, float* right, int frames)
{
    if (frames <= 0) {
        return;
    }
    // Brightness filter and drive stage act on the mono sum here.
    const float gain = 2.0f * inputs.volume;
    for (int i = 0; i < frames; ++i) {
        left[i] *= gain;
    }
    // The chorus makes the stereo pair; without it both sides carry the mono sum.
    std::memcpy(right, left, sizeof(float) * static_cast<std::size_t>(frames));
    // Delay and reverb follow here, on both channels.
    const float width = inputs.width;
    if (width < 0.99f) {
        for (int i = 0; i < frames; ++i) {
            float mid = (left[i] + right[i]) * 0.5f * (1.0f - width);
            left[i] = width * left[i] + mid;
            right[i] = width * right[i] + mid;
        }
    }
}

} // namespace tessarine
