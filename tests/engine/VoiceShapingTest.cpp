// The per-note filter and the formant shape, heard on the engine's output.

#include "support/EngineTestVoice.h"
#include "support/SignalMeasure.h"
#include "engine/SynthEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace tessarine {
namespace {

constexpr float kRate = 44100.0f;

class VoiceShaping : public testing::Test {
protected:
    void SetUp() override
    {
        engine = test::steadySynth(kRate); // harmonics h at 0.5 / h
        engine->setParameter(kLoopSync2, 1.0f, true);
        engine->setParameter(kMorphHarmX, 0.0f, true);
        engine->setParameter(kMorphHarmY, 0.0f, true);
    }
    std::vector<float> play() { return test::playKeys(*engine, {60}, 0.5f, kRate); }
    float level(const std::vector<float>& out, float hz) { return test::toneAmplitude(out, 8192, 8192, kRate, hz); }

    std::unique_ptr<SynthEngine> engine;
};

TEST_F(VoiceShaping, LowPassFilterDarkensTheNote)
{
    const std::vector<float> open = play();
    engine->stopAllVoices();
    engine->setParameter(kFilterOn, 1.0f, true);
    engine->setParameter(kFilterEnv, 0.0f, true);
    engine->setParameter(kFilterCutoff, 0.5f, true); // about 1278 Hz, fourth order
    engine->setParameter(kFilterRes, 0.0f, true);    // resonance also lowers the output stage
    test::sendMidi(*engine, 0x80, 60, 0);
    test::renderFrames(*engine, 400 * 512);
    const std::vector<float> filtered = play();
    const float c4 = 261.63f;
    EXPECT_NEAR(test::decibels(level(filtered, c4) / level(open, c4)), 0.0f, 1.0f) << "the pass band is untouched";
    EXPECT_LT(test::decibels(level(filtered, 10 * c4) / level(open, 10 * c4)), -24.0f)
        << "an octave above the corner falls by the slope";
}

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
    const std::vector<float> out = play();
    EXPECT_LT(test::rms(out, 4096, 8192), 1e-6f);
}

} // namespace
} // namespace tessarine
