#pragma once
// The global effects after the voices, in their fixed order: brightness, drive,
// gain, chorus (which makes the stereo pair), delay, reverb and stereo width.
// Works on a stretch of the block between two effect-parameter changes.

namespace tessarine {

// The switches and amounts the chain reads for one stretch, taken from the
// engine's current values.
struct EffectInputs {
    float volume = 0.5f; // gain = 2 x volume, so 0.5 is unity
    float width = 1.0f;  // 0 folds to mono; 0.99 and up leave the image as it is
};

class EffectChain {
public:
    // left holds the mono voice sum on entry; both channels hold the result.
    void process(const EffectInputs& inputs, float* left, float* right, int frames);

    // Clears every unit's running state (tails, delay lines).
    void reset() {}
};

} // namespace tessarine
