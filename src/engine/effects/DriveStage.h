#pragma once
// Colours the mono voice sum with four processes in a fixed order: a hard-kneed
// distortion, a soft tube saturation, a compressor with instant attack and slow
// release, and a bass enhancer. Each is skipped while its amount is 0.
// Distortion and tube drive the signal into their knee and divide the drive out
// again; the compressor keeps its drive and holds the peaks at 1.

#include "engine/effects/Biquad.h"

namespace tessarine {

class DriveStage {
public:
    DriveStage();

    // Redesigns the bass filters; their states and the compressor gain carry on.
    void setSampleRate(float rate);

    // Amounts 0..1 (NaN is 0). The compression amount stops at 0.99, where the
    // drive into the compressor is 100 times.
    void setDistortion(float value);
    void setTube(float value);
    void setCompress(float value);
    void setBass(float value);

    // Filter states and the compressor gain; nothing in the chain's switches calls it.
    void reset();
    void process(float* buffer, int frames);

private:
    void distort(float* buffer, int frames) const;
    void saturate(float* buffer, int frames) const;
    void compress(float* buffer, int frames);
    void enhanceBass(float* buffer, int frames);

    float sampleRate_ = 44100.0f;
    float distortion_ = 0.0f;
    float tube_ = 0.0f;
    float compress_ = 0.0f;
    float bass_ = 0.0f;
    float gain_ = 1.0f;         // compressor gain r, drops at once, recovers linearly
    float recoveryStep_ = 0.0f; // added to the gain per sample while it is below 1
    Biquad bassBoost_;          // +10 dB around 90 Hz
    Biquad bassHighPass_;       // keeps the boost from pushing sub-sonic rumble
};

} // namespace tessarine
