// The chorus heard from its outputs: a dry wire at mix 0, one fixed delay at
// depth 0, and two taps sweeping in the promised delay range otherwise.

#include "support/SignalMeasure.h"
#include "engine/effects/Chorus.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessarine {
namespace {

constexpr float kRate = 44100.0f;

Chorus makeChorus(float mix, float delay, float depth, float rate)
{
    Chorus chorus;
    chorus.setSampleRate(kRate);
    chorus.setMix(mix);
    chorus.setRate(rate);
    chorus.setTimes(delay, depth);
    return chorus;
}

TEST(Chorus, MixZeroPassesTheInputToBothSides)
{
    Chorus chorus = makeChorus(0.0f, 0.5f, 1.0f, 1.0f);
    std::vector<float> left = test::noise(4096), right(4096);
    const std::vector<float> input = left;
    chorus.process(left.data(), right.data(), 4096);
    EXPECT_EQ(left, input);
    EXPECT_EQ(right, input);
}

TEST(Chorus, DepthZeroIsOneFixedDelayOnBothSides)
{
    for (float delay : {0.04f, 0.5f, 1.0f}) {
        Chorus chorus = makeChorus(1.0f, delay, 0.0f, 0.7f);
        std::vector<float> left(3000, 0.0f), right(3000);
        left[100] = 1.0f;
        chorus.process(left.data(), right.data(), 3000);
        EXPECT_EQ(left, right);
        EXPECT_FLOAT_EQ(left[100], 0.5f) << "half dry";
        int echo = -1;
        for (int i = 101; i < 3000; ++i) {
            if (left[static_cast<std::size_t>(i)] != 0.0f) {
                EXPECT_EQ(echo, -1) << "a single echo";
                echo = i;
                EXPECT_FLOAT_EQ(left[static_cast<std::size_t>(i)], 0.5f);
            }
        }
        EXPECT_NEAR(echo - 100, 0.03 * delay * kRate, 1.0) << delay;
    }
}

// The delay of each click's echo, as its centre of mass: the interpolated tap
// spreads a click over two samples.
double echoDelay(const std::vector<float>& out, int click, int window)
{
    double weight = 0.0, moment = 0.0;
    for (int i = click + 1; i < click + window; ++i) {
        double v = std::fabs(out[static_cast<std::size_t>(i)]);
        weight += v;
        moment += v * (i - click);
    }
    return weight > 0.0 ? moment / weight : -1.0;
}

TEST(Chorus, TapsSweepBetweenDelayAndDelayPlusDepthInQuadrature)
{
    const float delay = 0.5f, depth = 1.0f; // 15 ms plus up to 5 ms
    Chorus chorus = makeChorus(1.0f, delay, depth, 1.0f); // 3 Hz sweep
    const int spacing = 1500;
    const int frames = spacing * 60;
    std::vector<float> left(frames, 0.0f), right(frames);
    for (int click = 0; click < frames; click += spacing) {
        left[static_cast<std::size_t>(click)] = 1.0f;
    }
    chorus.process(left.data(), right.data(), frames);
    // The interpolated tap may sit up to two samples short of D.
    const double shortest = 0.015 * kRate - 2.0, longest = 0.020 * kRate + 1.0;
    double lowL = 1e9, highL = 0.0, differing = 0.0;
    for (int click = 0; click + spacing < frames; click += spacing) {
        double dl = echoDelay(left, click, spacing);
        double dr = echoDelay(right, click, spacing);
        EXPECT_GE(dl, shortest);
        EXPECT_LE(dl, longest);
        EXPECT_GE(dr, shortest);
        EXPECT_LE(dr, longest);
        lowL = std::min(lowL, dl);
        highL = std::max(highL, dl);
        differing = std::max(differing, std::fabs(dl - dr));
    }
    EXPECT_GT(highL - lowL, 0.8 * 0.005 * kRate) << "the sweep covers the depth";
    EXPECT_GT(differing, 0.5 * 0.005 * kRate) << "left and right move against each other";
}

} // namespace
} // namespace tessarine
