#pragma once
// What one note's noise carries from sub-block to sub-block: two frames that
// play half a frame apart, their read positions, and the crossfade between
// them. Owned by the note voice; reset at note start, so the first rendered
// sub-block builds the first frame.

#include <array>

namespace tessarine {

// The longest frame at any sample rate (about 5 to 12 ms of sound).
inline constexpr int kMaxNoiseFrameLength = 1024;

struct NoiseVoiceState {
    std::array<float, kMaxNoiseFrameLength> frameA{};
    std::array<float, kMaxNoiseFrameLength> frameB{};
    int pA = 0; // read positions, 0..frame length
    int pB = 0;
    float crossfade = 0.0f;     // weight of frame B; frame A gets 1 − crossfade
    float crossfadeStep = 0.0f; // per sample, ±2 / frame length
    bool started = false;

    void reset()
    {
        pA = 0;
        pB = 0;
        crossfade = 0.0f;
        crossfadeStep = 0.0f;
        started = false;
    }
};

} // namespace tessarine
