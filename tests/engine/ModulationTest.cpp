// The modulation matrix, measured where a player would notice it: the values
// its sources give, the LFO steps it queues, and vibrato and tremolo on the
// rendered sound.

#include "EngineFixture.h"
#include "engine/EventQueue.h"
#include "engine/ModulationMatrix.h"
#include "params/ModulationLists.h"

namespace tessarine {
namespace {

class Matrix : public testing::Test {
protected:
    Matrix()
    {
        for (int i = 0; i < kParameterCount; ++i) {
            values.store(i, parameterTable()[static_cast<std::size_t>(i)].start, true);
        }
    }
    void route(int row, int source, int targetNumber, float low, float high)
    {
        values.store(kModSource1 + row, static_cast<float>(source), true);
        values.store(kModTarget1 + row, static_cast<float>(targetNumber), true);
        values.store(kModMin1 + row, low, true);
        values.store(kModMax1 + row, high, true);
    }
    ParameterValues values;
    ModulationMatrix matrix{values};
    ModulationPair pairs[ModulationMatrix::kMaxPairs];
};

TEST_F(Matrix, SourcesGiveTheirAmounts)
{
    route(0, kSourceVelocity, 17, 0.2f, 1.0f);  // Volume, global
    route(1, kSourceKeyPosition, 1, 0.0f, 1.0f); // MorphHarmX, per note
    route(2, 8 + 74, 24, 0.0f, 1.0f);            // controller 74 to FilterCutoff
    route(3, kSourceAftertouch, 7, 0.0f, 1.0f);  // Brightness
    route(8, kSourceLfo1, 17, 0.0f, 1.0f);       // row 9 is never evaluated

    ASSERT_EQ(matrix.noteModulation(60, 1.0f, true, pairs), 1);
    EXPECT_EQ(pairs[0].index, kVolume);
    EXPECT_FLOAT_EQ(pairs[0].value, 1.0f);
    struct Case { int key; float amount; };
    for (const Case& c : {Case{36, 0.0f}, Case{20, 0.0f}, Case{60, 0.5f}, Case{84, 1.0f}, Case{127, 1.0f}}) {
        ASSERT_EQ(matrix.noteModulation(c.key, 1.0f, false, pairs), 1);
        EXPECT_EQ(pairs[0].index, kMorphHarmX);
        EXPECT_FLOAT_EQ(pairs[0].value, c.amount) << "key " << c.key;
    }
    ASSERT_EQ(matrix.controllerModulation(0xB5, 74, 127, pairs), 1);
    EXPECT_FLOAT_EQ(pairs[0].value, 0.9921875f) << "127 / 128, never quite the top";
    EXPECT_EQ(matrix.controllerModulation(0xB0, 75, 127, pairs), 0);
    ASSERT_EQ(matrix.controllerModulation(0xD0, 64, 0, pairs), 1);
    EXPECT_FLOAT_EQ(pairs[0].value, 0.5f);
    ASSERT_EQ(matrix.controllerModulation(0xA0, 60, 32, pairs), 1);
    EXPECT_FLOAT_EQ(pairs[0].value, 0.25f);

    EventQueue queue;
    matrix.queueLfoEvents(queue, 4096, 0.0, 44100.0f, 120.0);
    EXPECT_EQ(queue.size(), 0) << "an LFO used only in rows 9 and 10 does not run";
}

TEST_F(Matrix, EnvelopeSourceSetsOffsetAndScale)
{
    route(0, kSourceEnvelope, 24, 0.2f, 0.8f);
    matrix.noteModulation(60, 1.0f, false, pairs);
    const EnvelopeSource& cutoff = matrix.envelopeSource(kEnvelopeCutoff);
    ASSERT_TRUE(cutoff.on);
    EXPECT_FLOAT_EQ(0.5f * cutoff.scale + cutoff.offset, 0.5f) << "curve 0.5 gives cutoff 0.5";
    EXPECT_FALSE(matrix.envelopeSource(kEnvelopeResonance).on);
}

TEST_F(Matrix, LfoStepsFollowTheShapeInSixteenSampleSteps)
{
    route(0, kSourceLfo1, 17, 0.0f, 1.0f);
    values.store(kLfo1Rate, 1.0f, true); // a sixteenth of a beat: 0.03125 s at 120 bpm
    EXPECT_DOUBLE_EQ(tempoSyncedPeriod(1.0f, 120.0), 0.03125);
    EventQueue queue;
    const int period = static_cast<int>(0.03125 * 44100.0); // 1378 samples
    matrix.queueLfoEvents(queue, period, 0.0, 44100.0f, 120.0);
    ASSERT_GT(queue.size(), 50);
    float low = 1.0f, high = 0.0f;
    int last = -1;
    while (const QueuedEvent* e = queue.take([](const QueuedEvent&) { return true; })) {
        EXPECT_EQ(e->offset % 16, 0);
        EXPECT_GT(e->offset, last) << "one step per 16 samples at most";
        last = e->offset;
        EXPECT_EQ(e->index, kVolume);
        EXPECT_FALSE(e->notify);
        low = std::min(low, e->value);
        high = std::max(high, e->value);
        const double phase = static_cast<double>(e->offset) / period;
        EXPECT_NEAR(e->value, (std::sin(2.0 * M_PI * phase) + 1.0) / 2.0, 0.08) << "a raised sine";
    }
    EXPECT_LT(low, 0.02f);
    EXPECT_GT(high, 0.98f);
}

TEST(ModulationRender, VelocityDrivesVolumeFromTheNote)
{
    SynthEngine engine;
    test::routeRowOne(engine, kSourceVelocity, 17, 0.2f, 1.0f); // the volume
    std::vector<float> left(256), right(256);
    test::sendMidi(engine, 0x90, 60, 127, 10);
    engine.render(left.data(), right.data(), 256);
    EXPECT_FLOAT_EQ(engine.getParameter(kVolume), 1.0f);
    EXPECT_FLOAT_EQ(engine.getParameter(kVolume, true), 0.5f) << "modulation is not stored";
    engine.setParameter(kVolume, 0.3f, false);
    test::sendMidi(engine, 0x90, 61, 0, 10);
    engine.render(left.data(), right.data(), 256);
    EXPECT_FLOAT_EQ(engine.getParameter(kVolume), 0.3f) << "velocity 0 is a note off and sets nothing";
}

// Frequency from the zero crossings of a stretch of a sine.
float crossingFrequency(const std::vector<float>& x, std::size_t from, std::size_t n, float rate)
{
    int first = -1, last = -1, count = 0;
    for (std::size_t i = from + 1; i < from + n; ++i) {
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
            first = first < 0 ? static_cast<int>(i) : first;
            last = static_cast<int>(i);
            ++count;
        }
    }
    return count > 1 ? static_cast<float>(count - 1) * rate / static_cast<float>(last - first) : 0.0f;
}

// The matrix LFOs run on the song's clock, which each block moves on: the
// volume they drive sweeps its whole range over one period, block by block.
TEST(ModulationRender, MatrixLfosRunOnTheSongsClock)
{
    SynthEngine engine;
    engine.setSampleRate(44100.0f);
    test::routeRowOne(engine, kSourceLfo1, 17, 0.0f, 1.0f); // the volume
    engine.setParameter(kLfo1On, 1.0f, true);
    engine.setParameter(kLfo1Shape, 0.0f, true); // the sine
    engine.setParameter(kLfo1Rate, 0.0f, true);  // 2.5 s at 120 bpm
    std::vector<float> left(512), right(512);
    float low = 1.0f, high = 0.0f;
    for (int block = 0; block < 44100 * 5 / 2 / 512; ++block) { // one period
        engine.render(left.data(), right.data(), 512);
        low = std::min(low, engine.getParameter(kVolume));
        high = std::max(high, engine.getParameter(kVolume));
    }
    EXPECT_LT(low, 0.05f);
    EXPECT_GT(high, 0.95f);
}

// 2.5 s of key 57 on the steady voice with the vibrato LFO at shape and one of
// its depths set; its period is 80 sixteenths of a beat, 2.5 s at 120 bpm.
std::vector<float> renderLfo(bool on, float shape, int depth, float amount)
{
    const auto engine = test::steadySynth(44100.0f);
    engine->setParameter(kLfoOn, on ? 1.0f : 0.0f, true);
    engine->setParameter(kLfoShape, shape, true);
    engine->setParameter(depth, amount, true);
    engine->setParameter(kLfoRate, 0.0f, true);
    test::sendMidi(*engine, 0x90, 57, 127);
    return test::renderFrames(*engine, static_cast<std::size_t>(2.5f * 44100.0f), 256)[0];
}

TEST(ModulationRender, VibratoRampSweepsAWholeToneEachPeriod)
{
    // The falling ramp at +-100 cents.
    const std::vector<float> out = renderLfo(true, 0.5f, kLfoVibrato, 1.0f);
    struct Case {
        float at;    // seconds
        float cents; // expected bend
    };
    for (const Case& c : {Case{0.2f, 100.0f * (1.0f - 2.0f * 0.22f / 2.5f)}, Case{1.25f, 0.0f},
                          Case{2.25f, 100.0f * (1.0f - 2.0f * 2.27f / 2.5f)}}) {
        const float measured = crossingFrequency(out, static_cast<std::size_t>(c.at * 44100.0f), 1764, 44100.0f);
        EXPECT_NEAR(1200.0f * std::log2(measured / 220.0f), c.cents, 12.0f) << "at " << c.at << " s";
    }
}

TEST(ModulationRender, TremoloSquareSwingsTheLevel)
{
    // The square: gain x 0.5 for the first half period, x 1.5 after.
    const std::vector<float> plain = renderLfo(false, 1.0f, kLfoTremolo, 0.5f);
    const std::vector<float> moved = renderLfo(true, 1.0f, kLfoTremolo, 0.5f);
    struct Case { float at; float gain; };
    for (const Case& c : {Case{0.6f, 0.5f}, Case{1.9f, 1.5f}}) {
        const auto from = static_cast<std::size_t>(c.at * 44100.0f);
        EXPECT_NEAR(test::rms(moved, from, 8192) / test::rms(plain, from, 8192), c.gain, 0.03f) << "at " << c.at;
    }
}

} // namespace
} // namespace tessarine
