#pragma once
// A room reverb: one bank of eight low-pass-feedback comb filters fed by the sum
// of both channels, then two chains of four allpass filters with different
// lengths, one per side, which decorrelate the tail into stereo.

#include <array>
#include <vector>

namespace tessarine {

class Reverb {
public:
    // Scales every delay length to the rate, allocates and clears. Until the
    // first usable rate the reverb leaves the signal as it is.
    void setSampleRate(float rate);

    // Wet = 0.75 x mix, dry = 1 - 0.5 x mix.
    void setMix(float reverbMix);
    // Comb feedback = 0.7 + 0.28 x size; above the middle the right side's wet
    // level falls to 0.85 at full size.
    void setSize(float reverbSize);
    // Damping = 0.4 x (1 - decay): less decay darkens the tail faster.
    void setDecay(float reverbDecay);

    void reset();
    void process(float* inOut0, float* inOut1, int frames);

    // Wet gain of the right side relative to the left (1 up to the middle size).
    float rightWetFactor() const { return rightWet_; }

private:
    struct Comb {
        int offset = 0; // into storage_
        int length = 1;
        int index = 0;
        float store = 0.0f; // one-pole low-pass in the feedback path
    };
    struct Allpass {
        int offset = 0;
        int length = 1;
        int index = 0;
    };

    // The longest stretch worked on at once; a stretch never exceeds the
    // shortest line either, so every sample a stretch reads from a line was
    // written before the stretch began.
    static constexpr int kMaxStretch = 256;
    static constexpr int kCombs = 8;

    void updateGains();
    void processStretch(float* inOut0, float* inOut1, int frames);
    void flushDenormals();

    std::vector<float> storage_; // every comb and allpass line, end to end
    std::array<Comb, 8> combs_{};
    std::array<Allpass, 4> leftAllpasses_{};
    std::array<Allpass, 4> rightAllpasses_{};
    int shortestLine_ = 1;
    bool prepared_ = false;

    // Scratch for one stretch: the comb input, and the two allpass chains.
    alignas(32) std::array<float, kMaxStretch> input_{};
    alignas(32) std::array<float, kMaxStretch> leftChain_{};
    alignas(32) std::array<float, kMaxStretch> rightChain_{};

    float room_ = 0.84f;
    float damp_ = 0.2f;
    float wet_ = 0.75f;
    float dry_ = 0.5f;
    float rightWet_ = 1.0f;
    float wet1_ = 0.75f;
    float wet2_ = 0.0f;
};

} // namespace tessarine
