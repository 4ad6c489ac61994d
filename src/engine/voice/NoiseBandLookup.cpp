#include "engine/voice/NoiseBandLookup.h"

namespace tessarine {

bool addNoiseBandsAt(const NoiseData& data, float time, float weight, float* bands)
{
    const int count = data.frameCount();
    if (count <= 0 || !(time >= data.frameTime(0)) || !(time <= data.frameTime(count - 1))) {
        return false;
    }
    int i = 0;
    while (i + 1 < count && data.frameTime(i + 1) <= time) {
        ++i;
    }
    const int bandCount = data.bandCount();
    const float* earlier = data.frame(i).bands.data();
    if (i + 1 >= count) {
        // Exactly on the last frame: it still sounds, so a layer's final
        // spectrum is not lost to a rounding of the time.
        for (int k = 0; k < bandCount; ++k) {
            bands[k] += weight * earlier[k];
        }
        return true;
    }
    const float t0 = data.frameTime(i);
    const float t1 = data.frameTime(i + 1);
    const float f = t1 > t0 ? (time - t0) / (t1 - t0) : 0.0f;
    const float* later = data.frame(i + 1).bands.data();
    const float we = weight * (1.0f - f);
    const float wl = weight * f;
    for (int k = 0; k < bandCount; ++k) {
        bands[k] += we * earlier[k] + wl * later[k];
    }
    return true;
}

} // namespace tessarine
