// The noise frames a note takes from a slot at note-on: a solo layer as it is,
// or the four corners blended along the union of their frame times.

#include "engine/voice/NoiseDataBlend.h"
#include "engine/voice/NoiseBandLookup.h"

#include "NoiseSignals.h"

#include <gtest/gtest.h>

#include <memory>

namespace tessarine::test {
namespace {

struct BlendFixture : ::testing::Test {
    std::unique_ptr<Voice> voice = std::make_unique<Voice>();
    std::unique_ptr<NoiseData> out = std::make_unique<NoiseData>();
    NoiseData& corner(int c) { return voice->layer(c % 2 == 0 ? 0 : 1, c / 2).noise; } // lo0, hi0, lo1, hi1
    SlotBlend blend{0, 1, 0.0f, 0.0f, false, 0};
};

TEST_F(BlendFixture, SoloCopiesTheChosenLayer)
{
    setNoiseFrames(voice->layer(1, 1).noise, {0.0f, 0.2f, 0.21f}, 7, 9, 3.0f);
    blend = SlotBlend{1, 1, 0.0f, 1.0f, true, 1};
    blendNoiseData(*out, *voice, blend);
    ASSERT_EQ(out->frameCount(), 3);
    EXPECT_EQ(out->frameTime(2), 0.21f);
    EXPECT_EQ(out->frame(1).bands, voice->layer(1, 1).noise.frame(1).bands);
}

TEST_F(BlendFixture, CornersBlendWithPitchAndVelocityWeights)
{
    for (int c = 0; c < 4; ++c) setNoiseFrames(corner(c), {0.0f, 1.0f}, 10 * c, 10 * c, 1.0f);
    corner(3).frame(0).bands[100] = 5.0f; // above the synthesised bands: dropped
    for (auto [k, v] : std::initializer_list<std::pair<float, float>>{{0.0f, 0.0f}, {0.25f, 0.6f}, {1.0f, 1.0f}}) {
        blend.pitchWeight = k;
        blend.velocityWeight = v;
        blendNoiseData(*out, *voice, blend);
        ASSERT_EQ(out->frameCount(), 2);
        const float expected[4] = {(1 - k) * (1 - v), k * (1 - v), (1 - k) * v, k * v};
        for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(out->frame(1).bands[10 * c], expected[c]) << k << " " << v;
        EXPECT_EQ(out->frame(0).bands[100], 0.0f);
    }
}

TEST_F(BlendFixture, FrameTimesKeepTheirGapsAndNeighboursBlend)
{
    // 5 ms apart in the attack (a frame at 0 lets the next follow at once), 30 ms after 0.1 s.
    setNoiseFrames(corner(0), {0.0f, 0.006f, 0.5f}, 5, 5, 0.0f);
    corner(0).frame(2).bands[5] = 1.0f;
    setNoiseFrames(corner(1), {0.003f, 0.0105f, 0.097f}, 6, 6);
    setNoiseFrames(corner(2), {0.09f, 0.125f, 0.14f, 0.16f}, 7, 7);
    blend.pitchWeight = 0.5f;
    blend.velocityWeight = 0.5f;
    blendNoiseData(*out, *voice, blend);
    const std::vector<float> expected = {0.0f, 0.003f, 0.0105f, 0.09f, 0.125f, 0.16f, 0.5f};
    ASSERT_EQ(out->frameCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < out->frameCount(); ++i) EXPECT_EQ(out->frameTime(i), expected[static_cast<std::size_t>(i)]);
    EXPECT_FLOAT_EQ(out->frame(4).bands[5], 0.25f * (0.125f - 0.006f) / (0.5f - 0.006f)); // between corner 0 frames
    EXPECT_EQ(out->frame(6).bands[7], 0.0f);                          // after corner 2's last frame
    EXPECT_EQ(out->frame(0).bands[7], 0.0f);                          // before its first
}

TEST_F(BlendFixture, LongCornersAreThinnedToSixtyFourFramesReachingTheEnd)
{
    for (int c = 0; c < 4; ++c) {
        std::vector<float> times;
        for (int i = 0; i < 64; ++i) times.push_back(0.2f + (4 * i + c) * 0.04f);
        setNoiseFrames(corner(c), times, 0, 63);
    }
    blendNoiseData(*out, *voice, blend);
    ASSERT_EQ(out->frameCount(), kMaxNoiseFrames);
    for (int i = 0; i < 49; ++i) EXPECT_FLOAT_EQ(out->frameTime(i), 0.2f + i * 0.04f);
    EXPECT_GT(out->frameTime(63), 0.2f + 230 * 0.04f);
}

// A note makes its frames as it plays; whatever the steps, it ends with the
// list made at once, and what it holds at each step answers a lookup at that
// time as the whole list does. An edit while it waits is taken up past the
// time it had reached.
TEST_F(BlendFixture, FramesMadeAsTheNotePlaysMatchTheWholeList)
{
    for (int c = 0; c < 4; ++c) {
        std::vector<float> times;
        for (int i = 0; i < 64; ++i) times.push_back(0.01f * static_cast<float>(i * (c + 1)) + 0.001f * c);
        setNoiseFrames(corner(c), times, c, 10 + c, 1.0f + static_cast<float>(c));
    }
    blend.pitchWeight = 0.3f;
    blend.velocityWeight = 0.7f;
    for (bool solo : {false, true}) {
        blend.solo = solo;
        blendNoiseData(*out, *voice, blend);
        auto stepped = std::make_unique<NoiseData>();
        NoiseDataBlend walk;
        walk.start(*stepped, *voice, blend, 0);
        for (float t = 0.0f; t < 3.0f; t += 0.037f) {
            walk.blendUntil(t, true, 0);
            float whole[kNoiseBandCount] = {};
            float partial[kNoiseBandCount] = {};
            addNoiseBandsAt(*out, t, 1.0f, whole);
            addNoiseBandsAt(*stepped, t, 1.0f, partial);
            for (int b = 0; b < kNoiseBandCount; ++b) ASSERT_EQ(partial[b], whole[b]) << solo << " " << t;
        }
        walk.blendUntil(1e9f, true, 0);
        ASSERT_EQ(stepped->frameCount(), out->frameCount()) << solo;
        for (int i = 0; i < out->frameCount(); ++i) {
            EXPECT_EQ(stepped->frameTime(i), out->frameTime(i));
            EXPECT_EQ(stepped->frame(i).bands, out->frame(i).bands);
        }
    }

    blend.solo = false;
    auto edited = std::make_unique<NoiseData>();
    NoiseDataBlend walk;
    walk.start(*edited, *voice, blend, 0);
    walk.blendUntil(0.1f, true, 0);
    const int before = edited->frameCount();
    walk.blendUntil(0.5f, false, 0); // an edit is running: nothing is read
    EXPECT_EQ(edited->frameCount(), before);
    const float reached = edited->frameTime(before - 1);
    for (int c = 0; c < 4; ++c) setNoiseFrames(corner(c), {0.05f, 0.6f, 0.9f}, 20, 20, 3.0f);
    walk.blendUntil(0.7f, true, 1);
    ASSERT_EQ(edited->frameCount(), before + 2);
    EXPECT_GT(edited->frameTime(before), reached);
    EXPECT_EQ(edited->frameTime(before), 0.6f);
    EXPECT_FLOAT_EQ(edited->frame(before + 1).bands[20], 3.0f);
}

} // namespace
} // namespace tessarine::test
