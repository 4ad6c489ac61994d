// The cookbook designs measured as a filter is measured on the bench: gain at
// the corner or centre, flat pass band, the width of the bell and the skirt's slope.

#include "support/SignalMeasure.h"
#include "engine/effects/Biquad.h"

#include <gtest/gtest.h>

namespace tessarine {
namespace {

using test::gainDb;

enum class Kind { LowPass, HighPass, BandPass, Peaking };

Biquad design(Kind kind, double fc, double rate, BiquadWidth width, double peakDb)
{
    Biquad f;
    switch (kind) {
    case Kind::LowPass: f.designLowPass(fc, rate, width); break;
    case Kind::HighPass: f.designHighPass(fc, rate, width); break;
    case Kind::BandPass: f.designBandPass(fc, rate, width); break;
    case Kind::Peaking: f.designPeaking(fc, rate, width, peakDb); break;
    }
    return f;
}

double measure(Kind kind, double fc, double rate, BiquadWidth width, double peakDb, double probe)
{
    Biquad f = design(kind, fc, rate, width, peakDb);
    return gainDb([&f](float* x, int n) { f.process(x, n); }, probe, rate);
}

TEST(Biquad, MagnitudeResponsesAtChosenFrequencies)
{
    struct Case {
        const char* what;
        Kind kind;
        double fc;
        BiquadWidth width;
        double peakDb;
        double probe;
        double expectDb;
        double tolerance;
        double rate = 48000.0;
    };
    const double q = std::sqrt(0.5);
    const Case cases[] = {
        {"low-pass corner", Kind::LowPass, 1000, BiquadWidth::quality(q), 0, 1000, -3.01, 0.05},
        {"low-pass pass band", Kind::LowPass, 1000, BiquadWidth::quality(q), 0, 50, 0.0, 0.05},
        {"low-pass Q 2 peaks at the corner", Kind::LowPass, 2000, BiquadWidth::quality(2), 0, 2000, 6.02, 0.05},
        {"high-pass corner", Kind::HighPass, 1000, BiquadWidth::quality(q), 0, 1000, -3.01, 0.05},
        {"high-pass pass band", Kind::HighPass, 1000, BiquadWidth::quality(q), 0, 12000, 0.0, 0.1},
        {"high-pass Q 2 peaks at the corner", Kind::HighPass, 900, BiquadWidth::quality(2), 0, 900, 6.02, 0.05},
        {"band-pass 0 dB at centre", Kind::BandPass, 1000, BiquadWidth::quality(2), 0, 1000, 0.0, 0.05},
        {"band-pass one octave, lower edge", Kind::BandPass, 1000, BiquadWidth::octaves(1), 0, 1000 / std::sqrt(2.0), -3.01, 0.1},
        {"band-pass one octave, upper edge", Kind::BandPass, 1000, BiquadWidth::octaves(1), 0, 1000 * std::sqrt(2.0), -3.01, 0.1},
        {"peaking gain at centre", Kind::Peaking, 1000, BiquadWidth::octaves(1), 10, 1000, 10.0, 0.05},
        {"peaking half gain at band edge", Kind::Peaking, 1000, BiquadWidth::octaves(1), 10, 1000 * std::sqrt(2.0), 5.0, 0.1},
        {"peaking cut", Kind::Peaking, 1000, BiquadWidth::octaves(1), -6, 1000, -6.0, 0.05},
        {"peaking flat far away", Kind::Peaking, 1000, BiquadWidth::octaves(1), 10, 30, 0.0, 0.1},
        // Skirts, at a rate high enough that warping does not steepen them:
        // 40 dB a decade, 12 dB an octave.
        {"low-pass one decade up", Kind::LowPass, 500, BiquadWidth::quality(q), 0, 5000, -40.0, 0.3, 192000},
        {"low-pass one more octave", Kind::LowPass, 500, BiquadWidth::quality(q), 0, 10000, -52.0, 0.4, 192000},
        {"high-pass one decade down", Kind::HighPass, 1000, BiquadWidth::quality(q), 0, 100, -40.0, 0.3, 192000},
        {"high-pass one more octave", Kind::HighPass, 1000, BiquadWidth::quality(q), 0, 50, -52.0, 0.4, 192000},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(measure(c.kind, c.fc, c.rate, c.width, c.peakDb, c.probe), c.expectDb, c.tolerance) << c.what;
    }
}

} // namespace
} // namespace tessarine
