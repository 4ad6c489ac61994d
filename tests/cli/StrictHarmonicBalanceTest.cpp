// The strict harmonic balance of `tessarine fidelity` on tones whose levels
// are known: a harmonic off by a known amount shows by that amount less the
// mean difference, a level offset of the whole render does not show, harmonics
// 40 dB under the strongest do not count, and the steadiest second of a note
// is found past a wavering start.

#include "commands/StrictHarmonicBalance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

using namespace tessarine::host;

constexpr double kRate = 44100.0;
constexpr double kF0 = 220.0;

// Ten harmonics at 1/h, harmonic `changed` moved by changeDb and harmonic 10
// put weakDb under its level; the whole scaled by gain. From `steadyFrom`
// seconds on the tone is steady, before it a 6 Hz tremolo of ±6 dB.
std::vector<float> tone(int changed, double changeDb, double weakDb, double gain, double seconds, double steadyFrom)
{
    std::vector<float> x(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double v = 0.0;
        for (int h = 1; h <= 10; ++h) {
            double db = h == changed ? changeDb : 0.0;
            db -= h == 10 ? weakDb : 0.0;
            v += std::pow(10.0, db / 20.0) / h * std::sin(2.0 * std::numbers::pi * h * kF0 * t);
        }
        const double tremolo = t < steadyFrom ? std::pow(10.0, 6.0 * std::sin(2.0 * std::numbers::pi * 6.0 * t) / 20.0) : 1.0;
        x[i] = static_cast<float>(0.05 * gain * tremolo * v);
    }
    return x;
}

TEST(StrictHarmonicBalance, WorstHarmonicAfterTheMeanDifference)
{
    const std::vector<float> recording = tone(0, 0.0, 0.0, 1.0, 2.0, 0.0);
    struct Case {
        int changed;
        double changeDb;
        double gain;
        double weakDb; // harmonic 10 under its 1/h level, in both sounds
        double worst;
        int compared;
    };
    const Case cases[] = {
        {0, 0.0, 1.0, 0.0, 0.0, 10},
        {0, 0.0, 0.5, 0.0, 0.0, 10},       // a level offset is free
        {3, 2.0, 1.0, 0.0, 1.8, 10},       // 2 dB less the mean of 0.2 dB
        {3, -3.0, 2.0, 0.0, 2.7, 10},
        {3, 2.0, 1.0, 30.0, 2.0 - 2.0 / 9.0, 9}, // harmonic 10 is 50 dB under the first: not compared
    };
    for (const Case& c : cases) {
        const std::vector<float> rec = c.weakDb > 0.0 ? tone(0, 0.0, c.weakDb, 1.0, 2.0, 0.0) : recording;
        const StrictBalance b =
            strictBalance(rec, tone(c.changed, c.changeDb, c.weakDb, c.gain, 2.0, 0.0), kRate, kF0, 2.0);
        EXPECT_EQ(b.compared, c.compared) << c.changed << ' ' << c.changeDb;
        EXPECT_NEAR(b.worstDb, c.worst, 0.05) << c.changed << ' ' << c.changeDb;
        EXPECT_NEAR(b.worstSpanDb, c.worst, 0.05) << c.changed << ' ' << c.changeDb;
    }
}

TEST(StrictHarmonicBalance, SteadiestSecondLiesPastAWaveringStart)
{
    const std::vector<float> x = tone(0, 0.0, 0.0, 1.0, 3.0, 1.2);
    const double start = steadiestSegment(x, kRate, 3.0, 1.0);
    EXPECT_GE(start, 1.15);
    EXPECT_LE(start, 2.0);
    EXPECT_EQ(steadiestSegment(x, kRate, 0.8, 1.0), 0.0) << "a shorter sound is measured whole";
}

} // namespace
