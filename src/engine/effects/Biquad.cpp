#include "engine/effects/Biquad.h"

#include <cmath>
#include <numbers>

namespace tessarine {

namespace {

struct Angle {
    double w;
    double cosw;
    double sinw;
    double alpha;
    bool valid;
};

// w = 2 pi f / R, and alpha for the requested width. The frequency is kept
// just below Nyquist so that a design never turns unstable.
Angle angleOf(double frequency, double sampleRate, BiquadWidth width)
{
    Angle a{};
    if (!(sampleRate > 0.0) || !std::isfinite(sampleRate) || !(frequency > 0.0) || !(width.value > 0.0)) {
        return a;
    }
    double f = std::fmin(frequency, 0.49 * sampleRate);
    a.w = 2.0 * std::numbers::pi * f / sampleRate;
    a.cosw = std::cos(a.w);
    a.sinw = std::sin(a.w);
    if (width.inOctaves) {
        a.alpha = a.sinw * std::sinh(std::numbers::ln2 / 2.0 * width.value * a.w / a.sinw);
    } else {
        a.alpha = a.sinw / (2.0 * width.value);
    }
    a.valid = std::isfinite(a.alpha);
    return a;
}

} // namespace

void Biquad::designLowPass(double frequency, double sampleRate, BiquadWidth width)
{
    Angle a = angleOf(frequency, sampleRate, width);
    if (!a.valid) {
        makePassThrough();
        return;
    }
    double b = (1.0 - a.cosw) / 2.0;
    setNormalised(b, 1.0 - a.cosw, b, 1.0 + a.alpha, -2.0 * a.cosw, 1.0 - a.alpha);
}

void Biquad::designHighPass(double frequency, double sampleRate, BiquadWidth width)
{
    Angle a = angleOf(frequency, sampleRate, width);
    if (!a.valid) {
        makePassThrough();
        return;
    }
    double b = (1.0 + a.cosw) / 2.0;
    setNormalised(b, -(1.0 + a.cosw), b, 1.0 + a.alpha, -2.0 * a.cosw, 1.0 - a.alpha);
}

void Biquad::designBandPass(double frequency, double sampleRate, BiquadWidth width)
{
    Angle a = angleOf(frequency, sampleRate, width);
    if (!a.valid) {
        makePassThrough();
        return;
    }
    setNormalised(a.alpha, 0.0, -a.alpha, 1.0 + a.alpha, -2.0 * a.cosw, 1.0 - a.alpha);
}

void Biquad::designPeaking(double frequency, double sampleRate, BiquadWidth width, double gainDb)
{
    Angle a = angleOf(frequency, sampleRate, width);
    if (!a.valid || !std::isfinite(gainDb)) {
        makePassThrough();
        return;
    }
    double amp = std::pow(10.0, gainDb / 40.0);
    setNormalised(1.0 + a.alpha * amp, -2.0 * a.cosw, 1.0 - a.alpha * amp, 1.0 + a.alpha / amp, -2.0 * a.cosw,
                  1.0 - a.alpha / amp);
}

void Biquad::setNormalised(double b0, double b1, double b2, double a0, double a1, double a2)
{
    // A coefficient this small only feeds rounding noise into the state.
    auto keep = [a0](double c) {
        float v = static_cast<float>(c / a0);
        return (v > -1e-15f && v < 1e-15f) ? 0.0f : v;
    };
    b0_ = keep(b0);
    b1_ = keep(b1);
    b2_ = keep(b2);
    a1_ = keep(a1);
    a2_ = keep(a2);
}

void Biquad::makePassThrough()
{
    b0_ = 1.0f;
    b1_ = b2_ = a1_ = a2_ = 0.0f;
}

void Biquad::process(float* buffer, int frames)
{
    Running r = running();
    for (int i = 0; i < frames; ++i) {
        buffer[i] = r.step(buffer[i]);
    }
    keep(r);
}

} // namespace tessarine
