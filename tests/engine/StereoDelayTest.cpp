// Echo times at the tempo, the decay of the repeats, and the clearing of echoes
// when the tempo or the sync changes.

#include "support/SignalMeasure.h"
#include "engine/effects/StereoDelay.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessarine {
namespace {

StereoDelay makeDelay(float rate, double tempo, float syncL, float syncR, float feedback = 0.0f)
{
    StereoDelay delay;
    delay.setSampleRate(rate);
    delay.setMix(1.0f);
    delay.setFeedback(feedback);
    delay.setTempo(tempo);
    delay.setSync(syncL, syncR);
    return delay;
}

int firstEcho(const std::vector<float>& out)
{
    for (std::size_t i = 1; i < out.size(); ++i) {
        if (out[i] != 0.0f) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TEST(StereoDelay, EchoTimesFollowTempoAndSync)
{
    struct Case {
        const char* what;
        float rate;
        double tempo;
        float syncL;
        float syncR;
        double secondsL;
        double secondsR;
    };
    const Case cases[] = {
        {"start values at 120 bpm: 1 and 11 sixteenths", 44100, 120.0, 1.0f, 0.5f, 0.125, 1.375},
        {"tempo 0 is 120", 44100, 0.0, 1.0f, 0.5f, 0.125, 1.375},
        {"NaN tempo is 120", 44100, std::nan(""), 1.0f, 0.5f, 0.125, 1.375},
        {"slowest steps", 22050, 120.0, 0.0f, 0.175f, 10.0, 4.0}, // 80 and 32 sixteenths
        {"lengths stop at the 24 s line", 22050, 30.0, 0.0f, 0.5f, 24.0, 5.5},
        {"high rate", 192000, 140.0, 0.9f, 0.575f, 3 * 0.25 * 60 / 140.0, 9 * 0.25 * 60 / 140.0},
    };
    for (const Case& c : cases) {
        StereoDelay delay = makeDelay(c.rate, c.tempo, c.syncL, c.syncR);
        const int frames = static_cast<int>(25.0f * c.rate);
        std::vector<float> left(static_cast<std::size_t>(frames), 0.0f), right = left;
        left[0] = right[0] = 1.0f;
        delay.process(left.data(), right.data(), frames);
        EXPECT_FLOAT_EQ(left[0], 0.5f) << c.what;
        EXPECT_EQ(firstEcho(left), static_cast<int>(c.secondsL * c.rate + 0.5)) << c.what;
        EXPECT_EQ(firstEcho(right), static_cast<int>(c.secondsR * c.rate + 0.5)) << c.what;
    }
}

TEST(StereoDelay, EachRepeatIsFeedbackTimesTheLast)
{
    StereoDelay delay = makeDelay(44100, 120.0, 1.0f, 1.0f, 1.0f);
    const int length = delay.lengthOf(0);
    std::vector<float> left(static_cast<std::size_t>(length) * 6, 0.0f), right = left;
    left[0] = 1.0f;
    // Processed in odd-sized pieces so the repeats cross block boundaries.
    for (int pos = 0; pos < static_cast<int>(left.size()); pos += 997) {
        int n = std::min(997, static_cast<int>(left.size()) - pos);
        delay.process(left.data() + pos, right.data() + pos, n);
    }
    for (int k = 1; k < 6; ++k) {
        EXPECT_NEAR(left[static_cast<std::size_t>(k * length)], 0.5 * std::pow(0.8, k - 1), 1e-6) << "repeat " << k;
    }
}

TEST(StereoDelay, TempoChangeClearsTheEchoesAndTheSameTempoKeepsThem)
{
    for (double newTempo : {120.0, 0.0, 100.0}) {
        StereoDelay delay = makeDelay(44100, 120.0, 1.0f, 1.0f, 1.0f);
        std::vector<float> left(20000, 0.0f), right = left;
        left[0] = right[0] = 1.0f;
        delay.process(left.data(), right.data(), 1000);
        delay.setTempo(newTempo);
        delay.process(left.data() + 1000, right.data() + 1000, 19000);
        double tail = test::energy(left, 1000, 20000) + test::energy(right, 1000, 20000);
        if (newTempo == 100.0) {
            EXPECT_EQ(tail, 0.0);
        } else {
            EXPECT_GT(tail, 0.1) << newTempo << " counts as no change";
        }
    }
}

} // namespace
} // namespace tessarine
