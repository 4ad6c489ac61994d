// The brightness tilt as a listener hears it: untouched at the middle, a dark
// 2 kHz low-pass at 0, the dry sound plus twice a 900 Hz high-pass at 1.

#include "SignalMeasure.h"
#include "engine/BrightnessFilter.h"
#include "engine/EffectChain.h"

#include <gtest/gtest.h>

namespace tessarine {
namespace {

constexpr double kRate = 44100.0;

TEST(BrightnessFilter, TiltAtChosenFrequencies)
{
    struct Case {
        float brightness;
        double probe;
        double expectDb;
        double tolerance;
    };
    const Case cases[] = {
        {0.0f, 100.0, 0.0, 0.1},    // low-pass pass band
        {0.0f, 2000.0, 6.02, 0.05}, // Q 2 resonance at the corner
        {0.0f, 16000.0, -47.2, 0.2}, // stop band, steepened towards Nyquist
        {0.25f, 16000.0, -6.0, 0.3}, // half dry, half dark
        {1.0f, 50.0, 0.0, 0.1},      // high-pass adds nothing down low
        {1.0f, 12000.0, 9.54, 0.1},  // dry + 2 x high-pass = 3 times
        {0.75f, 12000.0, 6.02, 0.1}, // dry + 1 x high-pass = 2 times
    };
    for (const Case& c : cases) {
        BrightnessFilter filter;
        filter.setSampleRate(static_cast<float>(kRate));
        filter.setBrightness(c.brightness);
        double db = test::gainDb([&filter](float* x, int n) { filter.process(x, n); }, c.probe, kRate);
        EXPECT_NEAR(db, c.expectDb, c.tolerance) << c.brightness << " at " << c.probe << " Hz";
    }
}

TEST(BrightnessFilter, EndsAreThePureDesignsAndMiddleIsUntouched)
{
    const std::vector<float> input = test::noise(2048);
    Biquad lowPass;
    lowPass.designLowPass(2000.0, kRate, BiquadWidth::quality(2.0));
    Biquad highPass;
    highPass.designHighPass(900.0, kRate, BiquadWidth::quality(2.0));

    BrightnessFilter dark;
    dark.setBrightness(0.0f);
    BrightnessFilter bright;
    bright.setBrightness(1.0f);
    std::vector<float> darkOut = input, brightOut = input;
    dark.process(darkOut.data(), 2048);
    bright.process(brightOut.data(), 2048);
    for (std::size_t i = 0; i < input.size(); ++i) {
        ASSERT_FLOAT_EQ(darkOut[i], lowPass.processSample(input[i])) << i;
        ASSERT_FLOAT_EQ(brightOut[i], input[i] + 2.0f * highPass.processSample(input[i])) << i;
    }

    // Through the chain, 0.5 with everything else off is a bit-exact wire.
    EffectChain chain;
    EffectInputs inputs;
    inputs.brightness = 0.5f;
    std::vector<float> left = input, right(input.size());
    chain.process(inputs, left.data(), right.data(), 2048);
    EXPECT_EQ(left, input);
    EXPECT_EQ(right, input);
}

TEST(BrightnessFilter, FollowsASampleRateChange)
{
    BrightnessFilter filter;
    filter.setBrightness(0.0f);
    filter.setSampleRate(96000.0f);
    double db = test::gainDb([&filter](float* x, int n) { filter.process(x, n); }, 2000.0, 96000.0);
    EXPECT_NEAR(db, 6.02, 0.05) << "the corner stays at 2 kHz";
}

} // namespace
} // namespace tessarine
