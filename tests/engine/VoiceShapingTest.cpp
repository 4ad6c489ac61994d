// The note filter and the formant shape. The filter as a player hears it:
// the follower opening the filter with the note's level and the saturation's
// bend (its corners, slopes and finite output are measured with the effect
// units). The formant shape as it weighs a note: where
// the drawn peak lands for each formant value, what the bands get when the
// shape is flat zero or the switch was off at note-on, and finite weights from
// damaged shapes and wild values. Then the formant heard on the engine's
// output; the filter's hold on the note is heard where a held edit keeps the
// envelope's cutoff out of the sound.

#include "EngineFixture.h"
#include "engine/voice/FormantShape.h"
#include "engine/voice/VoiceFilter.h"

#include <numbers>

namespace tessarine {
namespace {

constexpr float kRate = 44100.0f;

TEST(VoiceFilter, FollowerOpensWithTheNoteLevelAndClosesInSilence)
{
    // Fully open cutoff, all of it on the follower. One note plays a quiet
    // 1 kHz tone, a loud one, then a second of silence.
    VoiceFilter filter;
    filter.setSampleRate(kRate);
    filter.setup(2, 1.0f, false, 1.0f, 0.0f);
    for (float amplitude : {0.01f, 1.0f, 0.0f, 0.0f}) {
        std::vector<float> x(22050);
        for (std::size_t i = 0; i < x.size(); ++i) {
            x[i] = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * 1000.0 * i / kRate));
        }
        for (std::size_t pos = 0; pos < x.size(); pos += 256) {
            filter.process(x.data() + pos, std::min<int>(256, static_cast<int>(x.size() - pos)));
        }
        const float level = test::toneAmplitude(x, 22050 - 4410, 4410, kRate, 1000.0f);
        if (amplitude > 0.0f) {
            // Closed near 80 Hz for the quiet tone, opened to about 1 kHz for the loud one.
            EXPECT_TRUE(amplitude < 0.1f ? level < 1e-3f * amplitude : level > 0.25f * amplitude) << level;
        }
    }
    EXPECT_EQ(filter.cutoffHz(), 80.0f);
}

TEST(VoiceFilter, SaturationBendsPeaksOntoTheTopOfTheRange)
{
    // Steady levels through the open low-pass, which sees half the input.
    const float cases[][2] = {{1.0f, 1.0f}, {1.7f, 1.85f}, {-1.7f, -1.85f}, {2.0f, 2.0f}, {6.0f, 2.0f}, {-80.0f, -2.0f}};
    for (const auto& c : cases) {
        VoiceFilter filter;
        filter.setup(2, 0.0f, true, 1.0f, 0.0f);
        std::vector<float> x(4000, c[0]);
        filter.process(x.data(), static_cast<int>(x.size()));
        EXPECT_NEAR(x.back(), c[1], 1e-3f) << c[0];
    }
}

TEST(FormantShape, FormantValueMovesThePeakByUpToAnEighthOfTheAxis)
{
    // A peak of 1 at the middle of the axis (11,025 Hz), 0 a quarter either side.
    BreakpointCurve shape;
    const float times[] = {0.25f, 0.5f, 0.75f}, values[] = {0.0f, 1.0f, 0.0f};
    shape.assignPoints(times, values, 3);
    const struct {
        float atNoteOn, smoothed, peak; // smoothed -1: no update after note-on
    } cases[] = {{0.5f, -1.0f, 0.5f}, {1.0f, -1.0f, 0.625f}, {0.0f, -1.0f, 0.375f},
                 {0.5f, 1.0f, 0.625f}, {0.5f, 0.75f, 0.5625f}, {0.5f, 9.0f, 0.625f}};
    for (const auto& c : cases) {
        FormantShape formant;
        formant.setup(shape, true, c.atNoteOn);
        if (c.smoothed >= 0.0f) formant.update(c.smoothed);
        EXPECT_NEAR(formant.gain(c.peak * 22050.0f), 1.0f, 1e-5f) << c.atNoteOn << " " << c.smoothed;
        EXPECT_NEAR(formant.gain((c.peak + 0.125f) * 22050.0f), 0.5f, 1e-5f);
        EXPECT_EQ(formant.table()[static_cast<std::size_t>(c.peak * 256.0f)], 1.0f);
    }
}

TEST(FormantShape, FlatZeroShapeSilencesEverythingUnlessSwitchedOff)
{
    BreakpointCurve shape;
    shape.insertPoint(0.0f, 0.0f);
    shape.insertPoint(1.0f, 0.0f);
    for (bool on : {true, false}) {
        FormantShape formant;
        formant.setup(shape, on, 1.0f);
        EXPECT_EQ(formant.lastValue(), on ? 1.0f : -1.0f);
        for (float hz : {0.0f, 100.0f, 5000.0f, 22050.0f}) EXPECT_EQ(formant.gain(hz), 0.0f) << hz;
        for (float band : formant.table()) ASSERT_EQ(band, on ? 0.0f : 1.0f) << on;
    }
}

TEST(FormantShape, FiniteWeightsForDamagedShapesAndAnyValue)
{
    const float inf = INFINITY, nan = std::nanf("");
    const float times[] = {0.0f, 0.3f, 0.6f, 1.0f}, values[] = {nan, inf, -inf, 1e30f};
    BreakpointCurve damaged, empty;
    damaged.assignPoints(times, values, 4);
    for (const BreakpointCurve* shape : {&damaged, &empty}) {
        for (float v : {0.0f, 1.0f, nan, -3.0f, 7.5f, inf}) {
            FormantShape formant;
            formant.setup(*shape, v > 0.5f, v);
            formant.update(v);
            for (float band : formant.table()) ASSERT_TRUE(std::isfinite(band)) << v;
            for (float hz : {0.0f, -5.0f, 1e9f, nan, inf}) {
                EXPECT_TRUE(std::isfinite(formant.gain(hz))) << v << " " << hz;
            }
        }
    }
}

class VoiceShaping : public test::EngineFixture {
protected:
    void SetUp() override { start(kRate, {{kLoopSync2, 1.0f}, {kMorphHarmX, 0.0f}, {kMorphHarmY, 0.0f}}); }
    std::vector<float> play() { return EngineFixture::play({60}, 0.5f); }
};

TEST_F(VoiceShaping, FlatZeroFormantSilencesTheNote)
{
    {
        ScopedVoiceEdit edit(engine->handover());
        BreakpointCurve& shape = engine->editInstrument().spectralShapeCurve;
        shape.clear();
        shape.insertPoint(0.0f, 0.0f);
        shape.insertPoint(1.0f, 0.0f);
    }
    engine->setParameter(kFormantFilterOn, 1.0f, true);
    EXPECT_LT(test::rms(play(), 4096, 8192), 1e-6f);
}

} // namespace
} // namespace tessarine
