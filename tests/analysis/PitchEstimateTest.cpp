// The fundamental guessed for notes whose file names no pitch: musical
// accuracy on harmonic tones, and no guess at all where there is no note.

#include "SignalHelpers.h"

#include "analysis/PitchEstimate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace {

using tessarine::NumVector;

TEST(PitchEstimate, HarmonicTones)
{
    struct Case {
        double rate;
        double f0;
        int harmonics;
        double seconds;
        double centsTolerance;
    };
    // The candidates are tried 1 Hz apart, then fitted to the harmonics found:
    // every note, and the low ones where a hertz is many cents, must play in
    // tune on its key.
    const Case cases[] = {
        {44100, 200.0, 10, 1.0, 0.5},
        {44100, 440.0, 12, 1.0, 0.5},
        {44100, 261.63, 8, 0.5, 0.5},
        {48000, 110.0, 20, 1.0, 0.5},
        {22050, 587.33, 6, 0.8, 0.5},
        {96000, 1046.5, 5, 0.6, 0.5},
        {44100, 43.65, 16, 2.0, 0.5},
        {44100, 65.41, 12, 2.0, 0.5},
    };
    for (const Case& c : cases) {
        const NumVector x = testsignal::harmonicTone(c.f0, c.harmonics, c.rate, static_cast<int>(c.seconds * c.rate));
        const double f = tessarine::estimatePitch(x, c.rate);
        EXPECT_NEAR(testsignal::cents(f, c.f0), 0.0, c.centsTolerance) << c.f0 << " Hz gave " << f;
    }

    // A stiff string's partials climb above the harmonics (here harmonic 15 by
    // 4.4 %); the pitch is its first partial's, not the stretch's average.
    for (const double f0 : {110.0, 220.0}) {
        std::vector<testsignal::Partial> stretched;
        for (int h = 1; h <= 15; ++h) {
            stretched.push_back({h * f0 * std::sqrt(1.0 + 0.0004 * h * h), 0.3 / h, 0.2 * h});
        }
        const double first = stretched.front().frequency;
        const double f = tessarine::estimatePitch(testsignal::partials(stretched, 44100, 88200), 44100);
        EXPECT_NEAR(testsignal::cents(f, first), 0.0, 3.0) << "stretched " << f0 << " Hz gave " << f;
    }
}

TEST(PitchEstimate, ReedAndVibratoNotes)
{
    // Odd harmonics only, as a clarinet's low register, with the seventh the
    // loudest: the peaks lie two fundamentals apart, yet the note is the lowest of them.
    const double levels[] = {0.9, 0.8, 0.57, 1.0, 0.28, 0.25, 0.21, 0.23, 0.16};
    std::vector<testsignal::Partial> odd;
    for (int i = 0; i < 9; ++i) {
        odd.push_back({146.83 * (2 * i + 1), 0.2 * levels[i], 0.1 * i});
    }
    const double reed = tessarine::estimatePitch(testsignal::partials(odd, 22050, 33075), 22050);
    EXPECT_NEAR(testsignal::cents(reed, 146.83), 0.0, 2.0) << reed;

    // A vibrato of +-20 cents at 5.5 Hz: the pitch is the sweep's centre, not an end of it.
    for (const double f0 : {98.0, 330.0}) {
        const double rate = 44100;
        NumVector x(2 * 44100);
        double phase = 0.0;
        for (int i = 0; i < x.size(); ++i) {
            const double f = f0 * std::exp2(20.0 / 1200.0 * std::sin(2.0 * std::numbers::pi * 5.5 * i / rate));
            phase += 2.0 * std::numbers::pi * f / rate;
            double value = 0.0;
            for (int h = 1; h <= 8; ++h) {
                value += 0.4 / h * std::sin(h * phase);
            }
            x.data()[i] = value;
        }
        const double f = tessarine::estimatePitch(x, rate);
        EXPECT_NEAR(testsignal::cents(f, f0), 0.0, 1.0) << "vibrato on " << f0 << " Hz gave " << f;
    }
}

TEST(PitchEstimate, NeitherAWeakFundamentalNorAHumMisleads)
{
    // The second harmonic is the loudest, as in many reed and brass notes.
    const NumVector x = testsignal::partials(
        {{150, 0.1}, {300, 0.6}, {450, 0.4}, {600, 0.3}, {750, 0.2}, {900, 0.15}}, 44100, 44100);
    EXPECT_NEAR(tessarine::estimatePitch(x, 44100), 150.0, 2.0);
    // A hum far below a high note is not its fundamental.
    const NumVector hum = testsignal::partials({{29.3, 0.4}, {3136, 1.0}, {6272, 0.3}, {9408, 0.1}}, 96000, 96000);
    EXPECT_NEAR(testsignal::cents(tessarine::estimatePitch(hum, 96000), 3136.0), 0.0, 5.0);
    // The loudest peak an octave under a note whose series has no odd
    // multiples of it (an organ's lower stop) is not the fundamental; nor is
    // a knock an octave under a top note.
    const NumVector organ = testsignal::partials(
        {{65.4, 1.0}, {130.8, 0.6}, {261.6, 0.3}, {392.4, 0.15}, {523.2, 0.1}}, 22050, 33075);
    EXPECT_NEAR(testsignal::cents(tessarine::estimatePitch(organ, 22050), 130.8), 0.0, 5.0);
    const NumVector knock = testsignal::partials({{1560, 0.5}, {3136, 1.0}, {6272, 0.05}}, 96000, 96000);
    EXPECT_NEAR(testsignal::cents(tessarine::estimatePitch(knock, 96000), 3136.0), 0.0, 5.0);
}

TEST(PitchEstimate, NoPitchWithoutANote)
{
    NumVector nanLaden = testsignal::harmonicTone(220, 5, 44100, 44100);
    nanLaden.data()[30000] = tessarine::kMissing;
    NumVector clipped = testsignal::harmonicTone(220, 5, 44100, 44100) * 40.0;
    for (int i = 0; i < clipped.size(); ++i) {
        clipped.data()[i] = std::clamp(clipped.data()[i], -1.0, 1.0);
    }
    EXPECT_EQ(tessarine::estimatePitch(NumVector(44100), 44100), 0.0) << "silence";
    EXPECT_EQ(tessarine::estimatePitch(NumVector(), 44100), 0.0);
    EXPECT_EQ(tessarine::estimatePitch(NumVector(4), 44100), 0.0) << "too short for a spectrum";
    EXPECT_EQ(tessarine::estimatePitch(nanLaden, 44100), 0.0);
    EXPECT_EQ(tessarine::estimatePitch(testsignal::harmonicTone(220, 5, 44100, 44100), 0.0), 0.0);
    // Noise, white or through a resonant band-pass at 2.3 kHz, has peaks but no note.
    std::mt19937 random(7);
    std::normal_distribution<double> gaussian(0.0, 0.2);
    NumVector white(66150);
    NumVector band(66150);
    double y1 = 0.0;
    double y2 = 0.0;
    const double pole = 0.995;
    const double turn = 2.0 * std::cos(2.0 * std::numbers::pi * 2300.0 / 44100.0);
    for (int i = 0; i < white.size(); ++i) {
        white.data()[i] = gaussian(random);
        const double y = white.data()[i] * (1.0 - pole) + pole * turn * y1 - pole * pole * y2;
        band.data()[i] = y;
        y2 = y1;
        y1 = y;
    }
    EXPECT_EQ(tessarine::estimatePitch(white, 44100), 0.0) << "white noise";
    EXPECT_EQ(tessarine::estimatePitch(band, 44100), 0.0) << "band noise";
    // A hard-clipped note is still that note.
    EXPECT_NEAR(tessarine::estimatePitch(clipped, 44100), 220.0, 2.0);
}

} // namespace
