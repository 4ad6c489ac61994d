// The fundamental guessed for notes whose file names no pitch: musical
// accuracy on harmonic tones, and no guess at all where there is no note.

#include "SignalHelpers.h"

#include "analysis/PitchEstimate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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
    // the low notes, where a hertz is many cents, must play in tune on their key.
    const Case cases[] = {
        {44100, 200.0, 10, 1.0, 3.0},
        {44100, 440.0, 12, 1.0, 3.0},
        {44100, 261.63, 8, 0.5, 3.0},
        {48000, 110.0, 20, 1.0, 3.0},
        {22050, 587.33, 6, 0.8, 3.0},
        {96000, 1046.5, 5, 0.6, 3.0},
        {44100, 43.65, 16, 2.0, 3.0},
        {44100, 65.41, 12, 2.0, 3.0},
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

TEST(PitchEstimate, WeakFundamentalIsNotMistakenForTheOctave)
{
    // The second harmonic is the loudest, as in many reed and brass notes.
    const NumVector x = testsignal::partials(
        {{150, 0.1}, {300, 0.6}, {450, 0.4}, {600, 0.3}, {750, 0.2}, {900, 0.15}}, 44100, 44100);
    EXPECT_NEAR(tessarine::estimatePitch(x, 44100), 150.0, 2.0);
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
    // A hard-clipped note is still that note.
    EXPECT_NEAR(tessarine::estimatePitch(clipped, 44100), 220.0, 2.0);
}

} // namespace
