// The last stages a listener hears: output gain, stereo width and the gate that
// stops the effects after two seconds of quiet.

#include "engine/EffectChain.h"
#include "engine/SilenceGate.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessarine {
namespace {

TEST(EffectChain, VolumeHalfIsUnityAndWidthFoldsToMono)
{
    struct Case {
        float volume;
        float width;
        float inLeft;
        float expectLeft;
        float expectRight;
    };
    // With the chorus off both sides carry the mono sum, so width changes nothing
    // audible here except through the fold; a mono input stays mono at any width.
    const Case cases[] = {
        {0.5f, 1.0f, 0.25f, 0.25f, 0.25f},
        {1.0f, 1.0f, 0.25f, 0.5f, 0.5f},
        {0.0f, 1.0f, 0.25f, 0.0f, 0.0f},
        {0.5f, 0.0f, 0.25f, 0.25f, 0.25f},
        {0.5f, 0.5f, -0.5f, -0.5f, -0.5f},
    };
    EffectChain chain;
    for (const Case& c : cases) {
        std::vector<float> left(64, c.inLeft), right(64, 99.0f);
        chain.process({c.volume, c.width}, left.data(), right.data(), 64);
        for (int i = 0; i < 64; ++i) {
            ASSERT_FLOAT_EQ(left[static_cast<std::size_t>(i)], c.expectLeft) << c.volume << " " << c.width;
            ASSERT_FLOAT_EQ(right[static_cast<std::size_t>(i)], c.expectRight) << c.volume << " " << c.width;
        }
    }
}

TEST(SilenceGate, ClosesAfterTwoSecondsOfQuietAndReopensOnSound)
{
    SilenceGate gate;
    gate.setSampleRate(1000.0f); // two seconds = 2000 samples
    gate.reset();
    std::vector<float> quiet(500, 0.00002f);
    int openBlocks = 0;
    for (int block = 0; block < 10; ++block) {
        if (gate.check(quiet.data(), 500)) {
            ++openBlocks;
        }
        gate.update(quiet.data(), 500);
    }
    EXPECT_EQ(openBlocks, 4) << "open until more than 2000 quiet samples have passed";

    std::vector<float> loud(500, 0.0f);
    loud.back() = 0.1f; // only the block's last sample is loud
    EXPECT_TRUE(gate.check(loud.data(), 500));
    gate.update(loud.data(), 500);
    EXPECT_TRUE(gate.check(quiet.data(), 500)) << "a loud block resets the count";
}

} // namespace
} // namespace tessarine
