#pragma once
// A tilt on the mono voice sum. Below the middle the sound crossfades towards a
// 2 kHz low-pass (darker); above it a 900 Hz high-pass is added on top of the
// dry sound (brighter), up to twice its level. At exactly 0.5 it is bypassed.

#include "engine/effects/Biquad.h"

namespace tessarine {

class BrightnessFilter {
public:
    // Keeps the running state; the filter is redesigned for the new rate.
    void setSampleRate(float rate);
    // Brightness 0..1; NaN counts as the middle.
    void setBrightness(float value);
    float brightness() const { return brightness_; }
    // The chain skips the filter entirely at the middle position.
    bool bypassed() const { return brightness_ == 0.5f; }

    void reset() { filter_.reset(); }
    void process(float* buffer, int frames);

private:
    void design();

    Biquad filter_;
    float sampleRate_ = 44100.0f;
    float brightness_ = 0.5f;
    float wet_ = 0.0f;
    float dry_ = 1.0f;
};

} // namespace tessarine
