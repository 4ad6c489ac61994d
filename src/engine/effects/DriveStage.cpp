#include "engine/effects/DriveStage.h"

#include "engine/effects/UnitValue.h"
#include "params/ParameterMapping.h"

#include <algorithm>
#include <cmath>

namespace tessarine {

namespace {
constexpr float kDistortionKnee = 0.75f;
constexpr float kTubeKnee = 0.6f;
constexpr float kCompressKnee = 0.31f;
constexpr float kRecoverySeconds = 0.25f;
constexpr float kHalfRoot2 = 0.707107f;
} // namespace

DriveStage::DriveStage() { setSampleRate(sampleRate_); }

void DriveStage::setSampleRate(float rate)
{
    if (!usableSampleRate(rate)) {
        return;
    }
    sampleRate_ = rate;
    bassBoost_.designPeaking(90.0, rate, BiquadWidth::octaves(1.0), 10.0);
    bassHighPass_.designHighPass(40.0, rate, BiquadWidth::octaves(0.5));
}

void DriveStage::setDistortion(float value) { distortion_ = unitValue(value, 0.0f); }
void DriveStage::setTube(float value) { tube_ = unitValue(value, 0.0f); }
void DriveStage::setCompress(float value) { compress_ = compressAmount(value); }
void DriveStage::setBass(float value) { bass_ = unitValue(value, 0.0f); }

void DriveStage::reset()
{
    gain_ = 1.0f;
    recoveryStep_ = 0.0f;
    bassBoost_.reset();
    bassHighPass_.reset();
}

void DriveStage::process(float* buffer, int frames)
{
    if (frames <= 0) {
        return;
    }
    if (distortion_ != 0.0f) {
        distort(buffer, frames);
    }
    if (tube_ != 0.0f) {
        saturate(buffer, frames);
    }
    if (compress_ != 0.0f) {
        compress(buffer, frames);
    }
    if (bass_ != 0.0f) {
        enhanceBass(buffer, frames);
    }
}

// Linear up to the knee, then a straight line that lands the driven peak g on 1.
void DriveStage::distort(float* buffer, int frames) const
{
    const float g = 10.0f * distortion_ + 1.0f;
    const float k = 0.25f / (g - kDistortionKnee);
    const float undrive = 1.0f / g;
    for (int i = 0; i < frames; ++i) {
        float u = buffer[i] * g;
        float a = std::fabs(u);
        float bent = (a - kDistortionKnee) * k + kDistortionKnee;
        float y = a > kDistortionKnee ? bent : a;
        buffer[i] = std::copysign(y, u) * undrive;
    }
}

// A quadratic knee from 0.6 that reaches 1 with zero slope at the driven peak g.
// Beyond g the parabola would turn down and fold loud input back over zero, so
// the curve holds at 1 there: a summed chord or a bright filter can exceed 1.
void DriveStage::saturate(float* buffer, int frames) const
{
    const float g = 4.0f * tube_ + 1.0f;
    const float perSpan = 1.0f / (g - kTubeKnee);
    const float undrive = 1.0f / g;
    for (int i = 0; i < frames; ++i) {
        float u = buffer[i] * g;
        float a = std::fabs(u);
        float v = (1.0f - (std::fmin(a, g) - kTubeKnee) * perSpan) * kHalfRoot2;
        float knee = (0.5f - v * v) * 0.79999995f + kTubeKnee;
        float y = a > kTubeKnee ? knee : a;
        buffer[i] = std::copysign(y, u) * undrive;
    }
}

// Drives by G = 1 / (1 - c). Above 0.31 the gain that puts the sample on the
// knee curve is taken at once when it is lower than the current gain, which
// then climbs back to 1 in a straight line over 0.25 s. As in the tube, the
// curve holds at 1 beyond G instead of folding back into a negative gain.
void DriveStage::compress(float* buffer, int frames)
{
    const float drive = 1.0f / (1.0f - compress_);
    const float span = drive - kCompressKnee;
    const float recoverySamples = kRecoverySeconds * sampleRate_;
    float r = gain_;
    float step = recoveryStep_;
    for (int i = 0; i < frames; ++i) {
        float u = buffer[i] * drive;
        float a = std::fabs(u);
        if (a > kCompressKnee) {
            float v = (1.0f - (std::fmin(a, drive) - kCompressKnee) / span) * kHalfRoot2;
            float q = ((0.5f - v * v) * 1.38f + kCompressKnee) / a;
            if (q < r) {
                step = (1.0f - q) / recoverySamples;
                r = q;
            }
        }
        if (r < 1.0f) {
            u *= r;
            r += step;
        }
        buffer[i] = u;
    }
    gain_ = r;
    recoveryStep_ = step;
}

void DriveStage::enhanceBass(float* buffer, int frames)
{
    bassBoost_.flushTinyState();
    bassHighPass_.flushTinyState();
    const float m = bass_;
    Biquad::Running boost = bassBoost_.running();
    Biquad::Running highPass = bassHighPass_.running();
    for (int i = 0; i < frames; ++i) {
        float x = buffer[i];
        float y = highPass.step(boost.step(x));
        buffer[i] = m * y + (1.0f - m) * x;
    }
    bassBoost_.keep(boost);
    bassHighPass_.keep(highPass);
}

} // namespace tessarine
