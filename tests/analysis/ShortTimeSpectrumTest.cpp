// The spectra the analysis reads partials from: where a sine's energy lands,
// how precisely the reassigned frequency locates it, and how many frames a
// signal gives.

#include "SignalHelpers.h"

#include "analysis/HarmonicFrameSize.h"
#include "analysis/RealFft.h"
#include "analysis/ShortTimeSpectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

namespace {

using tessarine::NumMatrix;
using tessarine::NumVector;
using tessarine::ShortTimeSpectrum;
constexpr double kPi = std::numbers::pi;

TEST(RealFft, MatchesTheDefiningSum)
{
    NumVector re, im;
    for (int n : {1, 2, 4, 8, 64}) {
        NumVector x(n);
        for (int j = 0; j < n; ++j) {
            x.data()[j] = std::sin(1.7 * j + 0.3) + 0.25 * j;
        }
        ASSERT_TRUE(tessarine::realFft(x, re, im));
        ASSERT_EQ(re.size(), n / 2 + 1);
        for (int k = 0; k <= n / 2; ++k) {
            std::complex<double> want;
            for (int j = 0; j < n; ++j) {
                want += x.data()[j] * std::polar(1.0, -2.0 * kPi * j * k / n);
            }
            EXPECT_NEAR(re.data()[k], want.real(), 1e-9) << n << " bin " << k;
            EXPECT_NEAR(im.data()[k], want.imag(), 1e-9) << n << " bin " << k;
        }
        EXPECT_EQ(im.data()[0], 0.0);
        EXPECT_EQ(im.data()[n / 2], 0.0);
    }
    EXPECT_FALSE(tessarine::realFft(NumVector(12), re, im));
    EXPECT_FALSE(tessarine::realFft(NumVector(), re, im));
}

TEST(ShortTimeSpectrum, FrameCounts)
{
    struct Case { int length, frames; };
    // nfft 256, hop 128.
    const Case cases[] = {{256, 1}, {256 + 128, 2}, {256 + 127, 1}, {255, 0}, {200, 0}, {0, 0}, {1280, 9}};
    for (const Case& c : cases) {
        ShortTimeSpectrum blackman;
        ASSERT_TRUE(tessarine::blackmanStft(NumVector(c.length), 256, -1, -1, blackman));
        EXPECT_EQ(blackman.frames(), c.frames) << c.length;
        ShortTimeSpectrum hann;
        ASSERT_TRUE(tessarine::reassignedStft(NumVector(c.length), 256, 256, 128, 44100.0, hann));
        EXPECT_EQ(hann.frames(), c.frames) << c.length;
    }
    ShortTimeSpectrum s;
    EXPECT_FALSE(tessarine::blackmanStft(NumVector(1000), 100, -1, -1, s));
    EXPECT_FALSE(tessarine::blackmanStft(NumVector(1000), 256, -1, 256, s)) << "hop 0";
    EXPECT_FALSE(tessarine::reassignedStft(NumVector(1000), 256, 256, 0, 44100.0, s));
}

TEST(ShortTimeSpectrum, ReassignedAmplitudeFrequencyAndPhase)
{
    constexpr double rate = 44100.0;
    constexpr int n = 1024;
    constexpr int hop = 512;
    struct Case { double frequency, hzTolerance; };
    // Bin 40 exactly, then between bins, low and high.
    const Case cases[] = {{40 * rate / n, 1e-6}, {440.0, 0.05}, {1234.5, 0.05}, {9876.5, 0.05}};
    for (const Case& c : cases) {
        const double amplitude = 0.7;
        const double phase0 = 0.4;
        const NumVector x = testsignal::partials({{c.frequency, amplitude, phase0}}, rate, 6 * n);
        ShortTimeSpectrum s;
        ASSERT_TRUE(tessarine::reassignedStft(x, n, n, hop, rate, s));
        const NumMatrix g = tessarine::magnitude(s);
        const int bin = static_cast<int>(std::lround(c.frequency * n / rate));
        for (int f = 1; f <= s.frames(); ++f) {
            EXPECT_NEAR(s.frequency(bin + 1, f), c.frequency, c.hzTolerance);
            // The Hann window loses at most 1.42 dB between bins.
            EXPECT_LE(g(bin + 1, f), amplitude * 1.0001);
            EXPECT_GE(g(bin + 1, f), amplitude * 0.84);
            if (c.hzTolerance < 1e-3) {
                EXPECT_NEAR(g(bin + 1, f), amplitude, 1e-9);
                // Time 0 of a frame is its centre sample; the phase convention is negated.
                const double centre = 2 * kPi * c.frequency * ((f - 1) * hop + n / 2) / rate + phase0;
                const double phase = std::atan2(-s.im(bin + 1, f), s.re(bin + 1, f));
                EXPECT_NEAR(std::remainder(phase + centre, 2 * kPi), 0.0, 1e-6);
            }
        }
    }
}

TEST(HarmonicFrameSize, RateAndPitchRule)
{
    struct Case { double rate, f0; int size; };
    const Case cases[] = {
        {44100, 220, 512}, {44100, 100, 1024}, {48000, 30, 4096}, {44100, 0, 4096}, {8000, 440, 128},
        {22050, 160, 256}, {22050, 159.9, 512}, {96000, 79, 4096}, {32000, 40, 2048}, {16000, 1000, 256},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tessarine::harmonicFrameSize(c.rate, c.f0), c.size) << c.rate << " Hz, f0 " << c.f0;
    }
}

} // namespace
