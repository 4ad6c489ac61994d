// A recorded note through the whole frame analysis: harmonic curves of a
// clean tone, its harmonic part cancelled out of the noise, and sounds that
// are no note at all.

#include "SignalHelpers.h"

#include "analysis/FrameAnalysis.h"
#include "analysis/NoiseFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace {

using tessarine::FrameAnalysis;
using tessarine::NumMatrix;
using tessarine::NumVector;

// Whether every value of m passes test.
template <typename Test>
bool values(const NumMatrix& m, Test test)
{
    return std::all_of(m.data(), m.data() + m.rows() * m.columns(), test);
}

bool allNaN(const NumMatrix& m) { return values(m, [](double v) { return std::isnan(v); }); }

TEST(FrameAnalysis, SteadyToneIsAllHarmonics)
{
    constexpr double rate = 44100.0;
    constexpr double f0 = 220.0;
    const NumVector x = testsignal::harmonicTone(f0, 6, rate, static_cast<int>(rate));
    FrameAnalysis a;
    ASSERT_TRUE(tessarine::analyseFrames(x, rate, f0, nullptr, a));
    EXPECT_DOUBLE_EQ(a.framePeriod, 512 / rate);
    ASSERT_EQ(a.harmonicFrequency.rows(), 64);
    const int frames = a.harmonicFrequency.columns();
    ASSERT_EQ(frames, static_cast<int>(rate) / 512 - 1);
    const int middle = frames / 2;
    for (int h = 1; h <= 64; ++h) {
        if (h > 6) {
            EXPECT_TRUE(std::isnan(a.harmonicAmplitude(h, middle))) << h;
            continue;
        }
        EXPECT_NEAR(testsignal::cents(a.harmonicFrequency(h, middle), h * f0), 0.0, 3.0) << h;
        // The tone's harmonics fall as 1/h; the curves keep the ratios.
        EXPECT_NEAR(a.harmonicAmplitude(h, middle) * h / a.harmonicAmplitude(1, middle), 1.0, 0.03) << h;
    }
    // A high note at 96 kHz keeps its harmonics above 16 kHz as harmonics.
    FrameAnalysis high;
    ASSERT_TRUE(tessarine::analyseFrames(testsignal::harmonicTone(3520.0, 6, 96000, 96000), 96000, 3520.0, nullptr, high));
    EXPECT_NEAR(high.harmonicAmplitude(6, high.harmonicAmplitude.columns() / 2) * 6 /
                    high.harmonicAmplitude(1, high.harmonicAmplitude.columns() / 2), 1.0, 0.05);
    // The resynthesis cancels the tone: the noise left after it lies at least
    // 50 dB below the noise of the same sound analysed without a pitch.
    FrameAnalysis unpitched;
    ASSERT_TRUE(tessarine::analyseFrames(x, rate, 0.0, nullptr, unpitched));
    EXPECT_EQ(unpitched.harmonicFrequency.columns(), 1) << "no pitch, no partials";
    EXPECT_TRUE(allNaN(unpitched.harmonicFrequency));
    ASSERT_EQ(a.noise.rows(), 256);
    const NumVector left = tessarine::columnSums(a.noise);
    const NumVector whole = tessarine::columnSums(unpitched.noise);
    const int from = 20; // past the attack, which the resynthesis fades in
    const int to = left.size() - 20;
    EXPECT_LT(tessarine::sum(left.slice(from, to)), 0.003 * tessarine::sum(whole.slice(from, to)));

    // A harmonic 40 dB under its neighbours, in a vibrato, moves with them
    // rather than swinging with what leaks from them.
    constexpr double reedRate = 22050.0;
    NumVector reed(static_cast<int>(reedRate));
    double phase = 0.0;
    for (int i = 0; i < reed.size(); ++i) {
        const double swing = 0.02 * std::sin(2.0 * std::numbers::pi * 4.5 * i / reedRate);
        phase += 2.0 * std::numbers::pi * 147.0 * std::exp2(swing) / reedRate;
        reed.data()[i] = 0.4 * std::sin(phase) + 0.004 * std::sin(2.0 * phase) + 0.3 * std::sin(3.0 * phase);
    }
    FrameAnalysis vibrato;
    ASSERT_TRUE(tessarine::analyseFrames(reed, reedRate, 147.0, nullptr, vibrato));
    double worst = 0.0;
    const NumMatrix& f = vibrato.harmonicFrequency;
    for (int j = 5; j <= f.columns() - 5; ++j) {
        worst = std::max(worst, std::abs(testsignal::cents(f(2, j), 2.0 * f(1, j))));
    }
    EXPECT_LT(worst, 3.0);
}

// What no harmonic plays stays in the noise: noise under a note, and a steady
// partial between two harmonics (a buzz, a sympathetic string) that the
// tracker holds but no harmonic takes. Neither may leave the residual with
// the note's harmonics.
TEST(FrameAnalysis, WhatNoHarmonicPlaysStaysInTheNoise)
{
    constexpr double rate = 44100.0;
    constexpr double f0 = 220.0;
    const int count = static_cast<int>(1.5 * rate);
    std::mt19937 random(5);
    std::normal_distribution<double> gaussian(0.0, 0.02);
    NumVector noise(count);
    std::generate(noise.data(), noise.data() + count, [&] { return gaussian(random); });
    const NumVector tone = testsignal::harmonicTone(f0, 6, rate, count) + noise;
    const NumVector buzz = tone + testsignal::partials({{3.5 * f0, 0.05}}, rate, count);
    // The noise's level over its bands from..to (rows of 44,100 / 512 Hz), past the fades.
    const auto noiseLevel = [&](const NumVector& x, double pitch, int from, int to) {
        FrameAnalysis a;
        EXPECT_TRUE(tessarine::analyseFrames(x, rate, pitch, nullptr, a));
        double level = 0.0;
        for (int row = from; row <= to; ++row) {
            for (int frame = 20; frame <= a.noise.columns() - 20; ++frame) {
                level += a.noise(row, frame);
            }
        }
        return level;
    };
    const double alone = noiseLevel(noise, 0.0, 1, 256);
    EXPECT_NEAR(20.0 * std::log10(noiseLevel(tone, f0, 1, 256) / alone), 0.0, 1.5) << "noise under the note";
    // 770 Hz lies in rows 8 to 10; taken out with the harmonics, only about 8 dB of it remains.
    EXPECT_GT(20.0 * std::log10(noiseLevel(buzz, f0, 8, 10) / noiseLevel(tone, f0, 8, 10)), 15.0)
        << "a partial between harmonics";
}

// Partials the tracker cannot hold as one track: a harmonic that beats (it
// dips 26 dB every 0.15 s, so each stretch is too short to be kept) and a low
// fundamental 39 dB under its second harmonic. The recording holds both; the
// curves must too, at their own level.
TEST(FrameAnalysis, KeepsHarmonicsTheTrackerLetsGo)
{
    constexpr double rate = 44100.0;
    // The harmonic checked, and its amplitude against harmonic 2.
    struct Case { const char* what; double f0; int harmonic; double level; bool beating; };
    for (const Case& c : {Case{"beating 7th", 220.0, 7, 0.6, true}, Case{"weak fundamental", 41.2, 1, 0.0112, false}}) {
        const int count = static_cast<int>(2.5 * rate);
        NumVector x(count);
        for (int i = 0; i < count; ++i) {
            const double t = i / rate;
            for (int h = 1; h <= 10; ++h) {
                double a = h == c.harmonic ? c.level * 0.3 : 0.3 / h * 2.0;
                if (c.beating && h == c.harmonic && std::fmod(t, 0.15) < 0.02) {
                    a *= 0.05;
                }
                x.data()[i] += a * std::cos(2.0 * std::numbers::pi * h * c.f0 * t + 0.4 * h);
            }
        }
        FrameAnalysis a;
        ASSERT_TRUE(tessarine::analyseFrames(x, rate, c.f0, nullptr, a)) << c.what;
        const int frames = a.harmonicAmplitude.columns();
        int held = 0, steady = 0;
        for (int f = frames / 10; f < frames * 9 / 10; ++f, ++steady) {
            const double level = a.harmonicAmplitude(c.harmonic, f);
            held += level > 0.0 && std::abs(20.0 * std::log10(level / a.harmonicAmplitude(2, f) / c.level)) < 1.5;
        }
        // The beating harmonic is down in about a sixth of the frames.
        EXPECT_GT(held, steady * (c.beating ? 0.7 : 0.95)) << c.what;
    }
}

TEST(FrameAnalysis, SoundsThatAreNoNote)
{
    constexpr double rate = 44100.0;
    const NumVector square = testsignal::clipped(testsignal::harmonicTone(110.0, 30, rate, 22050) * 50.0);
    struct Case { const char* what; NumVector x; double f0; bool harmonics; };
    const Case cases[] = {
        {"silence", NumVector(22050), 440.0, false},
        {"shorter than a frame", testsignal::harmonicTone(440, 3, rate, 100), 440.0, false},
        {"empty", NumVector(), 440.0, false},
        {"clipped to a square", square, 110.0, true},
    };
    for (const Case& c : cases) {
        FrameAnalysis a;
        ASSERT_TRUE(tessarine::analyseFrames(c.x, rate, c.f0, nullptr, a)) << c.what;
        EXPECT_EQ(std::pair(a.harmonicFrequency.rows(), a.noise.rows()), std::pair(64, 256)) << c.what;
        EXPECT_EQ(!allNaN(a.harmonicAmplitude), c.harmonics) << c.what;
        const auto notInfinite = [](double v) { return !std::isinf(v); };
        EXPECT_TRUE(values(a.harmonicFrequency, notInfinite) && values(a.harmonicAmplitude, notInfinite)) << c.what;
        EXPECT_GE(a.noise.columns(), 1) << c.what;
        EXPECT_TRUE(values(a.noise, [](double v) { return std::isfinite(v); })) << c.what;
    }

    NumVector nan = testsignal::harmonicTone(440, 3, rate, 22050);
    nan.data()[100] = tessarine::kMissing;
    FrameAnalysis untouched;
    untouched.framePeriod = 7.0;
    EXPECT_FALSE(tessarine::analyseFrames(nan, rate, 440.0, nullptr, untouched));
    EXPECT_FALSE(tessarine::analyseFrames(square, 0.0, 110.0, nullptr, untouched));
    EXPECT_FALSE(tessarine::analyseFrames(square, rate, tessarine::kMissing, nullptr, untouched));
    EXPECT_EQ(untouched.framePeriod, 7.0);
}

} // namespace
