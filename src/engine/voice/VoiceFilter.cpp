#include "engine/voice/VoiceFilter.h"

#include "engine/effects/UnitValue.h"

#include <cmath>

namespace tessarine {

namespace {

constexpr double kLowestHz = 80.0;
constexpr double kHighestHz = 16000.0;

// The fourth-order Butterworth low-pass as two second-order sections: their
// damping values are 2 sin(pi/8) and 2 cos(pi/8), sharpened by the resonance Q.
constexpr double kLightDamping = 0.765367;
constexpr double kHeavyDamping = 1.847759;

// Saturation leaves the signal alone up to this level and bends what lies
// beyond onto the range up to 1.
constexpr float kKnee = 0.7f;

int clampedMode(int mode)
{
    return mode < VoiceFilter::kModeHighPass ? VoiceFilter::kModeHighPass
                                              : (mode > VoiceFilter::kModeLowPass ? VoiceFilter::kModeLowPass : mode);
}

// A cutoff that is not a number counts as closed, so the filter stays stable
// and the comparison in the setters stays meaningful.
float usableCutoff(float cutoff) { return std::isnan(cutoff) ? 0.0f : cutoff; }

// Maps |y| from the knee up to top onto the knee up to 1 along a parabola that
// meets the straight part smoothly. Anything louder than top stays at 1
// instead of folding back over the parabola's far side.
float bend(float y, float top)
{
    const float m = std::fabs(y);
    if (!(m > kKnee)) {
        return y;
    }
    float u = (1.0f - (m - kKnee) / (top - kKnee)) * 0.707107f;
    if (u < 0.0f) {
        u = 0.0f;
    }
    const float bent = (0.5f - u * u) * 0.6f + kKnee;
    return y < 0.0f ? -bent : bent;
}

} // namespace

double VoiceFilter::cutoffFrequency(double k)
{
    if (k >= 1.0) {
        return kHighestHz;
    }
    if (!(k > 0.0)) {
        return kLowestHz;
    }
    double v = -std::log10(1.0 - k) / 4.0;
    if (v > 1.0) {
        v = 1.0;
    }
    if (v < 0.0000001) {
        v = 0.0;
    }
    return kLowestHz + (kHighestHz - kLowestHz) * v;
}

void VoiceFilter::setSampleRate(float rate)
{
    if (usableSampleRate(rate)) {
        sampleRate_ = rate;
        design();
    }
}

void VoiceFilter::reset()
{
    first_.reset();
    second_.reset();
    follower_ = 0.0f;
    counter_ = 0;
}

void VoiceFilter::setup(int mode, float envelopeAmount, bool saturation, float cutoff, float resonance)
{
    reset();
    mode_ = clampedMode(mode);
    envelopeAmount_ = unitValue(envelopeAmount, 0.0f);
    saturation_ = saturation;
    cutoff_ = usableCutoff(cutoff);
    resonance_ = unitValue(resonance, 0.0f);
    design();
}

void VoiceFilter::setMode(int mode)
{
    mode_ = clampedMode(mode);
    design();
}

void VoiceFilter::setEnvelopeAmount(float amount)
{
    envelopeAmount_ = unitValue(amount, 0.0f);
    design();
}

void VoiceFilter::setCutoff(float cutoff)
{
    cutoff = usableCutoff(cutoff);
    if (cutoff != cutoff_) {
        cutoff_ = cutoff;
        design();
    }
}

void VoiceFilter::setResonance(float resonance)
{
    // Held inside 0..1: a negative resonance would make the output stage's
    // divisor 1 + 6 x resonance reach zero.
    resonance = unitValue(resonance, 0.0f);
    if (resonance != resonance_) {
        resonance_ = resonance;
        design();
    }
}

void VoiceFilter::design()
{
    counter_ = 0;
    const double env = envelopeAmount_;
    const double k = ((1.0 - env) + static_cast<double>(follower_) * env) * cutoff_;
    const double fc = cutoffFrequency(k);
    cutoffHz_ = static_cast<float>(fc);
    const double q = 1.0 + 6.0 * resonance_;
    switch (mode_) {
    case kModeHighPass:
        first_.designHighPass(fc, sampleRate_, BiquadWidth::quality(q));
        break;
    case kModeBandPass:
        first_.designBandPass(fc, sampleRate_, BiquadWidth::quality(q));
        second_.designPeaking(fc, sampleRate_, BiquadWidth::octaves(1.0), 4.0 * q);
        break;
    default:
        // The cookbook low-pass is the bilinear transform of 1 / (s^2 + s/Q + 1)
        // prewarped to the corner, with unity gain at 0 Hz: each Butterworth
        // section is one of them with quality Q / damping.
        first_.designLowPass(fc, sampleRate_, BiquadWidth::quality(q / kLightDamping));
        second_.designLowPass(fc, sampleRate_, BiquadWidth::quality(q / kHeavyDamping));
        break;
    }
    flushTinyStates();
}

void VoiceFilter::flushTinyStates()
{
    first_.flushTinyState();
    second_.flushTinyState();
}

void VoiceFilter::process(float* buffer, int n)
{
    // The follower falls by 1 per 1.6 s and rises by at most 1 per 0.505 s.
    const float fall = 1.0f / (1.6f * sampleRate_);
    const float rise = 1.0f / (0.505f * sampleRate_);
    while (n > 0) {
        // The follower depends only on the input, so it runs ahead over the
        // stretch up to the next redesign, whose sample is then filtered with
        // the new coefficients.
        const int untilDue = kRedesignInterval - counter_;
        const int run = n < untilDue ? n : untilDue;
        float f = follower_;
        for (int i = 0; i < run; ++i) {
            const float level = std::fabs(0.5f * buffer[i]);
            f -= fall;
            if (level > f) {
                f += std::fmin(level - f, rise);
            }
        }
        if (run < untilDue) {
            filterRun(buffer, run);
            follower_ = f;
            counter_ += run;
        } else {
            filterRun(buffer, run - 1);
            follower_ = f;
            if (envelopeAmount_ == 0.0f) {
                flushTinyStates();
                counter_ = 0;
            } else {
                design();
            }
            filterRun(buffer + run - 1, 1);
        }
        buffer += run;
        n -= run;
    }
}

void VoiceFilter::filterRun(float* buffer, int n)
{
    Biquad::Running a = first_.running();
    Biquad::Running b = second_.running();
    const bool secondSection = mode_ != kModeHighPass;
    const float top = 1.0f + 6.0f * resonance_;
    const float scale = 1.0f / top;
    const float wet = 2.0f * mix_;
    const float dry = 2.0f * (1.0f - mix_);
    for (int i = 0; i < n; ++i) {
        // Half level into the filter keeps a resonant peak of a full-scale
        // note inside the saturation's range; the output stage doubles it back.
        const float h = 0.5f * buffer[i];
        float y = a.step(h);
        if (secondSection) {
            y = b.step(y);
        }
        y = saturation_ ? bend(y, top) : y * scale;
        buffer[i] = wet * y + dry * h;
    }
    first_.keep(a);
    second_.keep(b);
}

} // namespace tessarine
