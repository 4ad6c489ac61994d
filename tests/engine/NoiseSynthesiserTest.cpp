// The noise a voice plays, measured from its output: where its energy lies,
// how loud it is, when frames change, and that nothing non-finite gets out.

#include "NoiseSignals.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace tessarine::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
double bandHz(int k) { return (k + 1) * 44100.0 / 512.0; }

struct NoiseFixture : ::testing::Test {
    NoiseSynthesiser synth;
    std::array<std::unique_ptr<NoiseData>, 4> data{std::make_unique<NoiseData>(), std::make_unique<NoiseData>(),
                                                  std::make_unique<NoiseData>(), std::make_unique<NoiseData>()};
    NoiseBlock block;
    void SetUp() override
    {
        for (int s = 0; s < 4; ++s) block.slots[s] = data[s].get();
        block.slotStartTimes.fill(1.0f);
        block.gainStart = block.gainEnd = 1.0f;
    }
};

TEST_F(NoiseFixture, BandRangeSoundsAtItsFrequenciesAndLevelAtEveryRate)
{
    setNoiseFrames(*data[0], {0.0f, 10.0f}, 20, 30);
    double reference = 0.0;
    for (float rate : {44100.0f, 22050.0f, 48000.0f, 96000.0f, 192000.0f}) {
        SCOPED_TRACE(rate);
        synth.setSampleRate(rate);
        RandomGenerator random(7);
        const std::vector<float> out = renderNoiseFor(synth, static_cast<int>(rate), block, random);
        for (float v : out) ASSERT_TRUE(std::isfinite(v));
        const double inside = bandPower(out, rate, bandHz(20) - 150.0, bandHz(30) + 150.0);
        EXPECT_GT(inside / bandPower(out, rate, 0.0, rate), 0.97);
        if (reference == 0.0) reference = meanSquare(out);
        EXPECT_NEAR(10.0 * std::log10(meanSquare(out) / reference), 0.0, 1.0);
    }
    // Another generator state: other random phases, a different wave, the same spectral envelope.
    synth.setSampleRate(44100.0f);
    RandomGenerator first(1), second(2);
    const std::vector<float> a = renderNoiseFor(synth, 88200, block, first);
    const std::vector<float> b = renderNoiseFor(synth, 88200, block, second);
    double ab = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) ab += static_cast<double>(a[i]) * b[i];
    EXPECT_LT(std::fabs(ab / a.size()) / std::sqrt(meanSquare(a) * meanSquare(b)), 0.1);
    for (int k : {20, 24, 28}) {
        const double pa = bandPower(a, 44100.0, bandHz(k), bandHz(k + 2)), pb = bandPower(b, 44100.0, bandHz(k), bandHz(k + 2));
        EXPECT_NEAR(10.0 * std::log10(pa / pb), 0.0, 1.0) << k;
    }
}

TEST_F(NoiseFixture, FramesAreRebuiltEveryHalfFrame)
{
    setNoiseFrames(*data[0], {1.0f, 2.0f}, 10, 20);
    struct Case { float rate; int half; };
    for (Case c : {Case{44100.0f, 256}, Case{48000.0f, 256}, Case{96000.0f, 512}, Case{192000.0f, 512}}) {
        SCOPED_TRACE(c.rate);
        synth.setSampleRate(c.rate);
        RandomGenerator random(3);
        NoiseVoiceState state;
        std::vector<float> out(6000, 0.0f);
        // Slot A's sound is reached only in samples 1000..2999; before and after it is silent.
        for (int i = 0; i < 6000; i += 100) {
            block.slotStartTimes[0] = i >= 1000 && i < 3000 ? 1.5f : 0.5f;
            synth.renderNoise(state, out.data() + i, 100, block, random);
        }
        int first = 0, last = 5999;
        while (out[first] == 0.0f) ++first;
        while (out[last] == 0.0f) --last;
        const int lastBuild = (2999 / c.half) * c.half;
        EXPECT_EQ(first, (1000 + c.half - 1) / c.half * c.half + 1);
        EXPECT_EQ(last, lastBuild + 2 * c.half - 1);
    }
}

TEST_F(NoiseFixture, MorphCornersPlayOnlyTheirSlot)
{
    const int ranges[4][2] = {{3, 6}, {15, 18}, {30, 33}, {50, 53}};
    for (int s = 0; s < 4; ++s) setNoiseFrames(*data[s], {0.0f, 10.0f}, ranges[s][0], ranges[s][1]);
    struct Case { float x, y; int slot; }; // slot −1: all four equally
    for (Case c : {Case{0, 0, 0}, Case{1, 0, 1}, Case{0, 1, 2}, Case{1, 1, 3}, Case{0.5f, 0.5f, -1}}) {
        SCOPED_TRACE(c.slot);
        block.noiseX = c.x;
        block.noiseY = c.y;
        RandomGenerator random(5);
        const std::vector<float> out = renderNoiseFor(synth, 44100, block, random);
        double power[4];
        for (int s = 0; s < 4; ++s) power[s] = bandPower(out, 44100.0, bandHz(ranges[s][0]) - 100.0, bandHz(ranges[s][1]) + 100.0);
        for (int s = 0; s < 4; ++s) {
            if (c.slot < 0) {
                EXPECT_NEAR(10.0 * std::log10(power[s] / power[0]), 0.0, 1.5);
            } else if (s != c.slot) {
                EXPECT_LT(power[s], 1e-4 * power[c.slot]) << s;
            }
        }
    }
}

TEST_F(NoiseFixture, GainRampScalesTheOutputSampleBySample)
{
    setNoiseFrames(*data[0], {0.0f, 10.0f}, 10, 40);
    RandomGenerator referenceRandom(9);
    const std::vector<float> reference = renderNoiseFor(synth, 256, block, referenceRandom);
    for (auto [g0, g1] : std::initializer_list<std::pair<float, float>>{{0.5f, 0.5f}, {0.0f, 1.0f}, {2.0f, 0.0f}, {0.0f, 0.0f}}) {
        block.gainStart = g0;
        block.gainEnd = g1;
        RandomGenerator random(9);
        const std::vector<float> out = renderNoiseFor(synth, 256, block, random);
        for (int j = 0; j < 256; ++j)
            ASSERT_NEAR(out[j], reference[j] * (g0 + (g1 - g0) * j / 256.0f), 1e-6f) << g0 << " " << g1 << " " << j;
    }
}

TEST_F(NoiseFixture, SubBlockSizeDoesNotChangeTheNoise)
{
    // Frames refill mid-sub-block and sub-blocks start mid-crossfade; with
    // steady inputs the result must be the same however the host slices it.
    setNoiseFrames(*data[0], {0.0f, 10.0f}, 10, 40);
    RandomGenerator referenceRandom(4);
    const std::vector<float> reference = renderNoiseFor(synth, 4000, block, referenceRandom);
    for (int size : {1, 17, 64, 100, 255}) {
        RandomGenerator random(4);
        NoiseVoiceState state;
        std::vector<float> out(4000, 0.0f);
        for (int i = 0; i < 4000; i += size) synth.renderNoise(state, out.data() + i, std::min(size, 4000 - i), block, random);
        for (int j = 0; j < 4000; ++j) ASSERT_NEAR(out[j], reference[j], 1e-4f) << size << " " << j;
    }
}

TEST_F(NoiseFixture, CrossfadesKeepTheLevelUpAtFrameJoins)
{
    // Consecutive frames are uncorrelated, so the power of their linear
    // crossfade runs from full at a join (one frame alone) to half between.
    setNoiseFrames(*data[0], {0.0f, 100.0f}, 5, 60);
    RandomGenerator random(11);
    const std::vector<float> out = renderNoiseFor(synth, 441000, block, random);
    double join = 0.0, middle = 0.0, all = 0.0;
    int joins = 0, middles = 0;
    for (std::size_t i = 512; i < out.size(); ++i) {
        const double p = static_cast<double>(out[i]) * out[i];
        const int phase = static_cast<int>(i % 256);
        all += p;
        if (phase <= 8 || phase >= 248) join += p, ++joins;
        if (phase >= 120 && phase <= 136) middle += p, ++middles;
    }
    all /= static_cast<double>(out.size() - 512);
    join /= joins;
    middle /= middles;
    EXPECT_NEAR(join / all, 1.5, 0.12);
    EXPECT_NEAR(middle / all, 0.75, 0.08);
}

TEST_F(NoiseFixture, SilentOutsideFramesAndFiniteWithExtremeInputs)
{
    std::array<float, kNoiseBandCount> formant{};
    struct Case { const char* name; void (*change)(NoiseBlock&, NoiseData&, float*); bool silent; };
    const Case cases[] = {
        {"before the frames", [](NoiseBlock& b, NoiseData&, float*) { b.slotStartTimes[0] = 0.5f; }, true},
        {"after the frames", [](NoiseBlock& b, NoiseData&, float*) { b.slotStartTimes[0] = 2.5f; }, true},
        {"time not a number", [](NoiseBlock& b, NoiseData&, float*) { b.slotStartTimes[0] = kNaN; }, true},
        {"no data", [](NoiseBlock& b, NoiseData&, float*) { b.slots[0] = nullptr; }, true},
        {"gain not a number", [](NoiseBlock& b, NoiseData&, float*) { b.gainStart = b.gainEnd = kNaN; }, true},
        {"formant closed", [](NoiseBlock& b, NoiseData&, float* f) { b.formantTable = f; }, true},
        {"infinite gain", [](NoiseBlock& b, NoiseData&, float*) { b.gainStart = kInf; b.gainEnd = -kInf; }, false},
        {"morph not a number", [](NoiseBlock& b, NoiseData&, float*) { b.noiseX = kNaN; b.noiseY = -kInf; }, false},
        {"formant broken", [](NoiseBlock& b, NoiseData&, float* f) { f[3] = kNaN; f[4] = kInf; f[5] = 1e30f; b.formantTable = f; }, false},
        {"huge bands", [](NoiseBlock&, NoiseData& d, float*) { d.frame(0).bands.fill(3e38f); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setNoiseFrames(*data[0], {1.0f, 2.0f}, 0, 63);
        NoiseBlock changed = block;
        formant.fill(0.0f);
        c.change(changed, *data[0], formant.data());
        RandomGenerator random(13);
        const std::vector<float> out = renderNoiseFor(synth, 4096, changed, random);
        float peak = 0.0f;
        for (float v : out) {
            ASSERT_TRUE(std::isfinite(v));
            peak = std::max(peak, std::fabs(v));
        }
        EXPECT_EQ(peak == 0.0f, c.silent);
    }
}

TEST_F(NoiseFixture, FramesFitTransformAndBuffersAtEveryRate)
{
    for (float rate = 22050.0f; rate <= 192000.0f; rate += 50.0f) {
        synth.setSampleRate(rate);
        ASSERT_TRUE(synth.frameLength() >= 512 && synth.frameLength() <= synth.transformSize()) << rate;
        ASSERT_LE(synth.transformSize(), kMaxNoiseFrameLength) << rate;
    }
    struct Case { float rate; int frame, transform; float scale; };
    for (Case c : {Case{44100, 512, 512, 1 / 512.0f}, Case{48000, 512, 1024, 0.737711f / 512}, Case{88200, 1024, 1024, 1 / 512.0f},
                   Case{192000, 1024, 1024, 1.475422f / 512}, Case{0, 1024, 1024, 1.475422f / 512}, Case{kNaN, 1024, 1024, 1.475422f / 512}}) {
        synth.setSampleRate(c.rate);
        EXPECT_EQ(synth.frameLength(), c.frame) << c.rate;
        EXPECT_EQ(synth.transformSize(), c.transform) << c.rate;
        EXPECT_NEAR(synth.outputScale(), c.scale, 1e-7f) << c.rate;
    }
    // A rate change under a sounding note restarts its frames instead of reading past them.
    setNoiseFrames(*data[0], {0.0f, 10.0f}, 10, 20);
    NoiseVoiceState state;
    RandomGenerator random(1);
    std::vector<float> out(1000, 0.0f);
    synth.setSampleRate(96000.0f);
    synth.renderNoise(state, out.data(), 1000, block, random);
    synth.setSampleRate(44100.0f);
    synth.renderNoise(state, out.data(), 1000, block, random);
    for (float v : out) ASSERT_TRUE(std::isfinite(v));
}

} // namespace
} // namespace tessarine::test
