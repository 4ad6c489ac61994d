#pragma once
// One sound in an instrument slot: up to eight multisamples of two layers each,
// a name, loop points, and the cutoff that softens single-layer voices.
//
// With one layer, layer 1 holds the sound as it was analysed or loaded and
// layer 0 is a copy of it with the cutoff applied; preparation re-derives layer
// 0, so files and editors always work on layer 1. Everything lives inside the
// object (about 4 MB), allocated once and overwritten in place by loads.

#include "sound/model/BreakpointCurve.h"
#include "sound/model/LayerData.h"

#include <array>
#include <string_view>

namespace tessarine {

class RenderTableHook;

inline constexpr int kMaxMultisamples = 8;
inline constexpr int kNameCapacity = 64; // 63 characters and the terminating NUL

// Cutoff values at or above this leave the sound unfiltered.
inline constexpr float kNoCutoff = 0.99f;

struct Voice {
    Voice();
    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;

    std::array<char, kNameCapacity> name{};
    std::array<Multisample, kMaxMultisamples> multisamples;
    bool loopOn = false;
    float loopStart = 0.0f; // seconds
    float loopEnd = 0.0f;
    int multisampleCount = 1; // 1..8
    int layerCount = 2;       // 1..2
    float cutoff = 1.0f;      // 0..1; the frequency is 100 + 9,900 × cutoff Hz
    float harmonicGain = 1.0f; // the engine's, never stored
    float noiseGain = 1.0f;
    // (0, 0), the peak, the sound's end and the loop points: the envelope shape
    // the editor draws, derived by preparation.
    BreakpointCurve outlineCurve;
    RenderTableHook* renderTableHook = nullptr;

    LayerData& layer(int multisample, int layer)
    {
        return multisamples[static_cast<std::size_t>(multisample)].layers[static_cast<std::size_t>(layer)];
    }
    const LayerData& layer(int multisample, int layer) const
    {
        return multisamples[static_cast<std::size_t>(multisample)].layers[static_cast<std::size_t>(layer)];
    }

    // Cut to 63 characters.
    void setName(std::string_view text);
    std::string_view nameView() const { return std::string_view(name.data()); }

    void prepare();

    // Every stored and derived field of other (the hook stays this voice's own).
    void copyFrom(const Voice& other);
};

// Brings a loaded or edited voice into the shape the engine plays: layers
// prepared (and layer 0 derived for single-layer voices), noise bands
// resampled, the engine's render tables rebuilt through the hook, then the
// outline and usable loop points derived from the middle multisample.
void prepareVoice(Voice& voice);

// The cutoff parameter as a frequency in Hz.
inline float cutoffFrequency(float cutoff) { return 100.0f + 9900.0f * cutoff; }

} // namespace tessarine
