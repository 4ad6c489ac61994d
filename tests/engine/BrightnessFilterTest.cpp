// The brightness tilt as a listener hears it: untouched at the middle, a dark
// 2 kHz low-pass at 0, the dry sound plus twice a 900 Hz high-pass at 1.

#include "support/SignalMeasure.h"
#include "engine/effects/BrightnessFilter.h"
#include "engine/effects/EffectChain.h"

#include <gtest/gtest.h>

namespace tessarine {
namespace {

TEST(BrightnessFilter, TiltAtChosenFrequencies)
{
    struct Case {
        float brightness;
        double probe;
        double expectDb;
        double tolerance;
        double rate = 44100.0;
    };
    const Case cases[] = {
        {0.0f, 100.0, 0.0, 0.1},    // low-pass pass band
        {0.0f, 2000.0, 6.02, 0.05}, // Q 2 resonance at the corner
        {0.0f, 16000.0, -47.2, 0.2}, // stop band, steepened towards Nyquist
        {0.25f, 16000.0, -6.0, 0.3}, // half dry, half dark
        {1.0f, 50.0, 0.0, 0.1},      // high-pass adds nothing down low
        {1.0f, 12000.0, 9.54, 0.1},  // dry + 2 x high-pass = 3 times
        {0.75f, 12000.0, 6.02, 0.1}, // dry + 1 x high-pass = 2 times
        {0.0f, 2000.0, 6.02, 0.05, 96000.0}, // the corner follows a rate change
    };
    for (const Case& c : cases) {
        BrightnessFilter filter;
        filter.setBrightness(c.brightness);
        filter.setSampleRate(static_cast<float>(c.rate));
        double db = test::gainDb([&filter](float* x, int n) { filter.process(x, n); }, c.probe, c.rate);
        EXPECT_NEAR(db, c.expectDb, c.tolerance) << c.brightness << " at " << c.probe << " Hz";
    }
}

TEST(BrightnessFilter, MiddleIsABitExactWireThroughTheChain)
{
    const std::vector<float> input = test::noise(2048);
    EffectChain chain;
    std::vector<float> left = input, right(input.size());
    chain.process(EffectInputs{}, left.data(), right.data(), 2048);
    EXPECT_EQ(left, input);
    EXPECT_EQ(right, input);
}

} // namespace
} // namespace tessarine
