// Preparation: what makes loaded or edited data safe to play, and the outline
// and loop points the editor shows.

#include "support/TestVoices.h"

#include "sound/model/RenderTableHook.h"
#include "sound/model/Voice.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using namespace tessarine;
using tessarine::test::addHarmonicFrame;

TEST(PrepareVoice, LoudStartGetsASilentFrameAtZeroAndTheEndIsSilenced)
{
    HarmonicData data;
    addHarmonicFrame(data, 0.0f, 1.0f);
    addHarmonicFrame(data, 0.005f, 0.8f);
    addHarmonicFrame(data, 1.0f, 0.6f);
    data.prepare();

    ASSERT_EQ(data.frameCount(), 4);
    EXPECT_EQ(data.amplitude(0).timeAt(0), 0.0f);
    EXPECT_GE(data.amplitude(0).timeAt(1), 0.01f);
    EXPECT_LT(data.amplitude(0).timeAt(1), data.amplitude(0).timeAt(2)) << "later frames move along";
    for (int h = 0; h < kHarmonicCount; ++h) {
        ASSERT_EQ(data.amplitude(h).pointCount(), 4) << "harmonic " << h;
        EXPECT_EQ(data.amplitude(h).value(0), 0.0f);
        EXPECT_EQ(data.amplitude(h).value(3), 0.0f) << "last frame silent";
        EXPECT_EQ(data.frequency(h).value(0), static_cast<float>(h + 1)) << "start keeps its pitch";
    }
    EXPECT_EQ(data.totalCurve().valueAt(0.0f), 0.0f);
    EXPECT_EQ(data.totalCurve().value(3), 0.0f);
    EXPECT_GT(data.totalCurve().value(1), 0.0f);
}

TEST(PrepareVoice, LoudNoiseFadesInFromASilentFrame)
{
    NoiseData noise;
    noise.insertFrame(0.0f);
    noise.insertFrame(0.5f);
    for (int f = 0; f < 2; ++f) {
        noise.frame(f).spectrum.insertPoint(0.0f, 0.7f);
        noise.frame(f).spectrum.insertPoint(0.5f, 0.5f);
        noise.frame(f).resampleBands();
    }
    noise.prepare();
    ASSERT_EQ(noise.frameCount(), 3);
    EXPECT_EQ(noise.frameTime(0), 0.0f);
    EXPECT_GE(noise.frameTime(1), 0.01f);
    for (float band : noise.frame(0).bands) {
        ASSERT_EQ(band, 0.0f);
    }
    EXPECT_EQ(noise.frame(1).spectrum.value(0), 0.0f) << "no level at 0 Hz";
}

TEST(PrepareVoice, OutlineAndLoopFollowTheMiddleMultisample)
{
    auto voice = std::make_unique<Voice>();
    // A swell to 1.0 at 0.5 s, then a decay to silence at 2 s.
    HarmonicData& data = voice->layer(0, 1).harmonic;
    const std::pair<float, float> shape[] = {{0.1f, 0.2f}, {0.5f, 1.0f}, {1.5f, 0.4f}, {2.0f, 0.1f}};
    for (auto [time, amplitude] : shape) {
        data.amplitude(0).insertPoint(time, amplitude);
        data.frequency(0).insertPoint(time, 1.0f);
        for (int h = 1; h < kHarmonicCount; ++h) {
            data.amplitude(h).insertPoint(time, 0.0f);
            data.frequency(h).insertPoint(time, static_cast<float>(h + 1));
        }
    }
    voice->loopStart = voice->loopEnd = 0.0f; // not after the peak: recomputed
    prepareVoice(*voice);

    const BreakpointCurve& outline = voice->outlineCurve;
    ASSERT_EQ(outline.pointCount(), 5);
    EXPECT_EQ(outline.timeAt(0), 0.0f);
    EXPECT_EQ(outline.timeAt(1), 0.5f);
    EXPECT_EQ(outline.value(1), 1.0f);
    // The loop sits at the last millisecond still above half the peak: 0.4 + 0.6 × (1.5 - t) = 0.5.
    EXPECT_NEAR(voice->loopStart, 1.0f + 1.0f / 3.0f, 0.0011f);
    EXPECT_EQ(voice->loopStart, voice->loopEnd);
    EXPECT_EQ(outline.timeAt(4), 2.0f) << "the end, after the loop points";

    // Usable loop points are kept; a loop beyond the shortest layer is pulled in.
    voice->loopStart = 0.7f;
    voice->loopEnd = 1.8f;
    prepareVoice(*voice);
    EXPECT_EQ(voice->loopStart, 0.7f);
    EXPECT_EQ(voice->loopEnd, 1.8f);
    voice->layerCount = 2;
    addHarmonicFrame(voice->layer(0, 0).harmonic, 1.0f, 0.5f);
    prepareVoice(*voice);
    EXPECT_FLOAT_EQ(voice->loopEnd, 0.8f) << "shortest layer 1.0 s, minus 0.2 s";
}

TEST(PrepareVoice, SingleLayerDerivesLayerZeroWithTheCutoffAndCallsTheHook)
{
    struct CountingHook : RenderTableHook {
        std::vector<int> calls;
        void rebuildRenderTables(Voice&, int multisample) override { calls.push_back(multisample); }
    } hook;
    auto voice = std::make_unique<Voice>();
    voice->renderTableHook = &hook;
    test::fillRandomVoice(*voice, 7, 3, 1, 6);
    voice->cutoff = 0.0f; // 100 Hz: everything above about 190 Hz is silent in layer 0
    hook.calls.clear();
    prepareVoice(*voice);
    EXPECT_EQ(hook.calls, (std::vector<int>{0, 1, 2}));

    for (int m = 0; m < 3; ++m) {
        const HarmonicData& filtered = voice->layer(m, 0).harmonic;
        const HarmonicData& original = voice->layer(m, 1).harmonic;
        ASSERT_EQ(filtered.frameCount(), original.frameCount());
        EXPECT_EQ(filtered.amplitude(63).value(1), 0.0f);
        EXPECT_GT(original.amplitude(63).value(1), 0.0f) << "layer 1 keeps the unfiltered sound";
    }
}

} // namespace
