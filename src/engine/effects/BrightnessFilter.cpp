#include "engine/effects/BrightnessFilter.h"

#include "engine/effects/UnitValue.h"

namespace tessarine {

namespace {
constexpr double kHighPassHz = 900.0;
constexpr double kLowPassHz = 2000.0;
constexpr double kQuality = 2.0;
} // namespace

void BrightnessFilter::setSampleRate(float rate)
{
    if (usableSampleRate(rate)) {
        sampleRate_ = rate;
        design();
    }
}

void BrightnessFilter::setBrightness(float value)
{
    brightness_ = unitValue(value, 0.5f);
    design();
}

void BrightnessFilter::design()
{
    const float b = brightness_;
    if (b >= 0.5f) {
        filter_.designHighPass(kHighPassHz, sampleRate_, BiquadWidth::quality(kQuality));
        wet_ = 4.0f * (b - 0.5f);
        dry_ = 1.0f;
    } else {
        filter_.designLowPass(kLowPassHz, sampleRate_, BiquadWidth::quality(kQuality));
        wet_ = 2.0f * (0.5f - b);
        dry_ = 1.0f - wet_;
    }
}

void BrightnessFilter::process(float* buffer, int frames)
{
    filter_.flushTinyState();
    const float wet = wet_;
    const float dry = dry_;
    Biquad::Running f = filter_.running();
    for (int i = 0; i < frames; ++i) {
        float x = buffer[i];
        buffer[i] = wet * f.step(x) + dry * x;
    }
    filter_.keep(f);
}

} // namespace tessarine
