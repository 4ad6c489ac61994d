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
using testsignal::Partial;

// A tone of 8 harmonics falling as 1/h whose pitch swings +-20 cents at 5.5 Hz, for two seconds.
NumVector vibrato(double f0, double rate)
{
    NumVector x(static_cast<int>(2 * rate));
    double phase = 0.0;
    for (int i = 0; i < x.size(); ++i) {
        const double f = f0 * std::exp2(20.0 / 1200.0 * std::sin(2.0 * std::numbers::pi * 5.5 * i / rate));
        phase += 2.0 * std::numbers::pi * f / rate;
        for (int h = 1; h <= 8; ++h) {
            x.data()[i] += 0.4 / h * std::sin(h * phase);
        }
    }
    return x;
}

TEST(PitchEstimate, NotesPlayInTuneOnTheirKeys)
{
    // Within centsTolerance of f0, or within hzTolerance when one is given.
    struct Case { const char* what; NumVector x; double rate, f0, centsTolerance, hzTolerance = 0.0; };
    const auto tone = [](double f0, int harmonics, double rate, double seconds) {
        return Case{"harmonic tone", testsignal::harmonicTone(f0, harmonics, rate, static_cast<int>(seconds * rate)),
                    rate, f0, 0.5};
    };
    // A stiff string's partials climb above the harmonics (here harmonic 15 by
    // 4.4 %); the pitch is its first partial's, not the stretch's average.
    const auto stiff = [](double f0) {
        std::vector<Partial> stretched;
        for (int h = 1; h <= 15; ++h) {
            stretched.push_back({h * f0 * std::sqrt(1.0 + 0.0004 * h * h), 0.3 / h, 0.2 * h});
        }
        return Case{"stiff string", testsignal::partials(stretched, 44100, 88200), 44100,
                    stretched.front().frequency, 3.0};
    };
    // Odd harmonics only, as a clarinet's low register, with the seventh the
    // loudest: the peaks lie two fundamentals apart, yet the note is the lowest of them.
    const double levels[] = {0.9, 0.8, 0.57, 1.0, 0.28, 0.25, 0.21, 0.23, 0.16};
    std::vector<Partial> odd;
    for (int i = 0; i < 9; ++i) {
        odd.push_back({146.83 * (2 * i + 1), 0.2 * levels[i], 0.1 * i});
    }
    // The candidates are tried 1 Hz apart, then fitted to the harmonics found:
    // every note, and the low ones where a hertz is many cents, must play in
    // tune on its key.
    const Case cases[] = {
        tone(200.0, 10, 44100, 1.0), tone(440.0, 12, 44100, 1.0), tone(261.63, 8, 44100, 0.5),
        tone(110.0, 20, 48000, 1.0), tone(587.33, 6, 22050, 0.8), tone(1046.5, 5, 96000, 0.6),
        tone(43.65, 16, 44100, 2.0), tone(65.41, 12, 44100, 2.0), stiff(110.0), stiff(220.0),
        {"odd harmonics", testsignal::partials(odd, 22050, 33075), 22050, 146.83, 2.0},
        // The pitch of a vibrato is the sweep's centre, not an end of it.
        {"vibrato", vibrato(98.0, 44100), 44100, 98.0, 1.0},
        {"vibrato", vibrato(330.0, 44100), 44100, 330.0, 1.0},
        // The second harmonic is the loudest, as in many reed and brass notes.
        {"weak fundamental",
         testsignal::partials({{150, 0.1}, {300, 0.6}, {450, 0.4}, {600, 0.3}, {750, 0.2}, {900, 0.15}}, 44100, 44100),
         44100, 150.0, 0.0, 2.0},
        {"a hum far below a high note",
         testsignal::partials({{29.3, 0.4}, {3136, 1.0}, {6272, 0.3}, {9408, 0.1}}, 96000, 96000), 96000, 3136.0, 5.0},
        // The loudest peak an octave under a note whose series has no odd
        // multiples of it (an organ's lower stop) is not the fundamental; nor is
        // a knock an octave under a top note.
        {"an organ's lower stop",
         testsignal::partials({{65.4, 1.0}, {130.8, 0.6}, {261.6, 0.3}, {392.4, 0.15}, {523.2, 0.1}}, 22050, 33075),
         22050, 130.8, 5.0},
        {"a knock an octave under", testsignal::partials({{1560, 0.5}, {3136, 1.0}, {6272, 0.05}}, 96000, 96000), 96000,
         3136.0, 5.0},
        // A hard-clipped note is still that note.
        {"clipped", testsignal::clipped(testsignal::harmonicTone(220, 5, 44100, 44100) * 40.0), 44100, 220.0, 0.0, 2.0},
    };
    for (const Case& c : cases) {
        const double f = tessarine::estimatePitch(c.x, c.rate);
        if (c.hzTolerance > 0.0) {
            EXPECT_NEAR(f, c.f0, c.hzTolerance) << c.what;
        } else {
            EXPECT_NEAR(testsignal::cents(f, c.f0), 0.0, c.centsTolerance) << c.what << " at " << c.f0 << " gave " << f;
        }
    }
}

TEST(PitchEstimate, NoPitchWithoutANote)
{
    NumVector nanLaden = testsignal::harmonicTone(220, 5, 44100, 44100);
    nanLaden.data()[30000] = tessarine::kMissing;
    // Noise, white or through a resonant band-pass at 2.3 kHz, has peaks but no note.
    std::mt19937 random(7);
    std::normal_distribution<double> gaussian(0.0, 0.2);
    NumVector white(66150), band(66150);
    double y1 = 0.0, y2 = 0.0;
    const double pole = 0.995;
    const double turn = 2.0 * std::cos(2.0 * std::numbers::pi * 2300.0 / 44100.0);
    for (int i = 0; i < white.size(); ++i) {
        white.data()[i] = gaussian(random);
        band.data()[i] = white.data()[i] * (1.0 - pole) + pole * turn * y1 - pole * pole * y2;
        y2 = y1;
        y1 = band.data()[i];
    }
    const struct { const char* what; NumVector x; double rate; } cases[] = {
        {"silence", NumVector(44100), 44100}, {"empty", NumVector(), 44100},
        {"too short for a spectrum", NumVector(4), 44100}, {"a missing sample", nanLaden, 44100},
        {"no rate", testsignal::harmonicTone(220, 5, 44100, 44100), 0.0},
        {"white noise", white, 44100}, {"band noise", band, 44100},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tessarine::estimatePitch(c.x, c.rate), 0.0) << c.what;
    }
}

} // namespace
