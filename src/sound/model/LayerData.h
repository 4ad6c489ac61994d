#pragma once
// One layer of a multisample (one analysed sound): its harmonics and its noise.
// A multisample holds two layers, soft and loud, that the editor shows one at a time.

#include "sound/model/HarmonicData.h"
#include "sound/model/NoiseData.h"

#include <array>

namespace tessarine {

inline constexpr int kLayersPerMultisample = 2;

struct LayerData {
    HarmonicData harmonic;
    NoiseData noise;

    void clear()
    {
        harmonic.clear();
        noise.clear();
    }
    void copyFrom(const LayerData& other)
    {
        harmonic.copyFrom(other.harmonic);
        noise.copyFrom(other.noise);
    }
};

struct Multisample {
    std::array<LayerData, kLayersPerMultisample> layers;
};

} // namespace tessarine
