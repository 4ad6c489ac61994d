#include "engine/voice/SlotBlend.h"

#include <algorithm>
#include <cmath>

namespace tessarine {

namespace {

// A soft note (velocity factor up to about 32/127) plays the soft layer alone.
constexpr float kSoftLayerLimit = 0.2519685f;
float clamp01(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; } // NaN gives 0

} // namespace

SlotBlend chooseMultisamples(const Voice& voice, const NoteSettings::Slot& settings, float frequency,
                             float velocityFactor)
{
    SlotBlend blend;
    if (settings.solo) {
        blend.solo = true;
        blend.low = blend.high = std::clamp(settings.multisample, 0, kMaxMultisamples - 1);
        blend.soloLayer = settings.loudLayer ? 1 : 0;
        blend.velocityWeight = static_cast<float>(blend.soloLayer);
        return blend;
    }
    const int n = std::clamp(voice.multisampleCount, 1, kMaxMultisamples);
    auto pitch = [&](int m) { return voice.layer(m, 0).harmonic.basePitch; };
    int i = n;
    for (int m = 0; m < n; ++m) {
        if (pitch(m) > frequency) {
            i = m;
            break;
        }
    }
    blend.low = std::max(i - 1, 0);
    blend.high = std::min(n - 1, i);
    const float pLow = pitch(blend.low);
    const float pHigh = pitch(blend.high);
    if (pHigh != pLow && pLow > 0.0f && pHigh > 0.0f && frequency > 0.0f) {
        blend.pitchWeight =
            clamp01((std::log2(frequency) - std::log2(pLow)) / (std::log2(pHigh) - std::log2(pLow)));
    }
    blend.velocityWeight = clamp01((velocityFactor - kSoftLayerLimit) / (1.0f - kSoftLayerLimit));
    return blend;
}

} // namespace tessarine
