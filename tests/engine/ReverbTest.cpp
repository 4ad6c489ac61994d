// The reverb's levels and room: a dry wire at mix 0, half dry before the first
// reflection at mix 1, the decay rate of the room, and the quieter right side
// of a large room.

#include "support/SignalMeasure.h"
#include "engine/effects/Reverb.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessarine {
namespace {

constexpr float kRate = 44100.0f;

Reverb makeReverb(float mix, float size, float decay)
{
    Reverb reverb;
    reverb.setSampleRate(kRate);
    reverb.setMix(mix);
    reverb.setSize(size);
    reverb.setDecay(decay);
    return reverb;
}

TEST(Reverb, MixSetsDryAndWetLevels)
{
    const int frames = 8192;
    const std::vector<float> input = test::noise(frames);
    {
        Reverb reverb = makeReverb(0.0f, 0.5f, 0.5f);
        std::vector<float> left = input, right = input;
        reverb.process(left.data(), right.data(), frames);
        EXPECT_EQ(left, input) << "mix 0 is dry 1 and no reverb";
        EXPECT_EQ(right, input);
    }
    {
        Reverb reverb = makeReverb(1.0f, 0.5f, 0.5f);
        std::vector<float> left = input, right(frames, 0.0f);
        reverb.process(left.data(), right.data(), frames);
        // Nothing comes back before the shortest comb has gone round once.
        for (int i = 0; i < 1116; ++i) {
            ASSERT_EQ(left[static_cast<std::size_t>(i)], 0.5f * input[static_cast<std::size_t>(i)]) << i;
            ASSERT_EQ(right[static_cast<std::size_t>(i)], 0.0f) << i;
        }
        EXPECT_GT(test::energy(right, 1116, frames), 1.0) << "the wet tail reaches both sides";
    }
}

// Level of the tail in dB over a window, after a burst of noise.
double tailDb(const std::vector<float>& x, double fromSeconds, double toSeconds)
{
    int begin = static_cast<int>(fromSeconds * kRate), end = static_cast<int>(toSeconds * kRate);
    return 10.0 * std::log10(test::energy(x, begin, end) / (end - begin));
}

TEST(Reverb, SizeSetsHowFastTheRoomDecays)
{
    struct Case {
        float size;
        double dbPerSecond; // the comb loop gain, 20 log10(room), per trip of the mean comb length
    };
    const double meanComb = (1116 + 1188 + 1277 + 1356 + 1422 + 1491 + 1557 + 1617) / 8.0;
    const Case cases[] = {{0.0f, -20.0 * std::log10(0.7) * kRate / meanComb},
                          {1.0f, -20.0 * std::log10(0.98) * kRate / meanComb}};
    for (const Case& c : cases) {
        Reverb reverb = makeReverb(1.0f, c.size, 1.0f); // no damping: every frequency decays alike
        const int frames = static_cast<int>(1.2 * kRate);
        std::vector<float> left = test::noise(frames), right(frames, 0.0f);
        std::fill(left.begin() + 2000, left.end(), 0.0f);
        reverb.process(left.data(), right.data(), frames);
        double drop = tailDb(left, 0.3, 0.4) - tailDb(left, 0.9, 1.0);
        EXPECT_NEAR(drop / 0.6, c.dbPerSecond, 0.15 * c.dbPerSecond) << "size " << c.size << " measured " << drop / 0.6;
    }
}

TEST(Reverb, LargeRoomsTurnTheRightWetSignalDown)
{
    struct Case {
        float size;
        double rightOverLeft;
    };
    for (const Case& c : {Case{0.5f, 1.0}, Case{0.75f, 0.925}, Case{1.0f, 0.85}}) {
        Reverb reverb = makeReverb(1.0f, c.size, 0.5f);
        const int frames = static_cast<int>(3.0 * kRate);
        std::vector<float> left = test::noise(frames), right = test::noise(frames, 777);
        const std::vector<float> inLeft = left, inRight = right;
        reverb.process(left.data(), right.data(), frames);
        for (std::size_t i = 0; i < left.size(); ++i) {
            left[i] -= 0.5f * inLeft[i]; // keep the wet part only
            right[i] -= 0.5f * inRight[i];
        }
        double ratio = std::sqrt(test::energy(right, 4096, frames) / test::energy(left, 4096, frames));
        EXPECT_NEAR(ratio, c.rightOverLeft, 0.04) << "size " << c.size;
        EXPECT_FLOAT_EQ(reverb.rightWetFactor(), static_cast<float>(c.rightOverLeft));
    }
}

} // namespace
} // namespace tessarine
