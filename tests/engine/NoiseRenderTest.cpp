// The noise half of a note, heard through the engine: it sounds in the band
// its frames hold, two notes never share their random phases, and a note that
// started with the noise off stays without it.

#include "support/EngineTestVoice.h"
#include "engine/NoiseSignals.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tessarine {
namespace {

constexpr float kRate = 44100.0f;

// A voice with no harmonics and noise frames from 0 to 2 s whose spectrum is
// level between fromHz and toHz (band k stands for (k + 1) x 44,100 / 512 Hz).
// Noise stored before full-band noise plays only its lowest 64 bands.
std::string writeNoiseVoice(float fromHz, float toHz, bool fullBand = false, const char* name = "noise-band.t9v")
{
    auto voice = std::make_unique<Voice>();
    voice->multisampleCount = 1;
    voice->layerCount = 2;
    for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
        NoiseData& noise = voice->layer(0, layer).noise;
        noise.setFullBand(fullBand);
        for (float t : {0.0f, 0.5f, 1.0f, 1.5f, 2.0f}) {
            noise.insertFrame(t);
        }
        for (int f = 0; f < noise.frameCount(); ++f) {
            BreakpointCurve& spectrum = noise.frame(f).spectrum;
            spectrum.clear();
            const float a = fromHz / 22050.0f, b = toHz / 22050.0f;
            for (float pos : {0.0f, a - 0.001f, a, b, b + 0.001f, 1.0f}) {
                spectrum.insertPoint(pos, pos >= a && pos <= b ? 0.5f : 0.0f);
            }
        }
        HarmonicData& harmonic = voice->layer(0, layer).harmonic;
        harmonic.basePitch = 220.0f;
        test::addHarmonicFrame(harmonic, 0.0f, 0.0f);
        test::addHarmonicFrame(harmonic, 2.0f, 0.0f);
    }
    prepareVoice(*voice);
    std::string path = test::tempPath(name);
    RecordStream stream;
    EXPECT_TRUE(saveVoiceFile(path, *voice, stream));
    return path;
}

class NoiseRender : public testing::Test {
protected:
    void SetUp() override
    {
        engine = test::steadySynth(kRate);
        engine->setParameter(kLoopSync1, 1.0f, true);
        engine->setParameter(kMorphNoiseX, 0.0f, true);
        engine->setParameter(kMorphNoiseY, 0.0f, true);
        ASSERT_TRUE(engine->loadVoice(0, writeNoiseVoice(2000.0f, 4000.0f).c_str()));
    }
    std::vector<float> play(const std::vector<int>& keys, float seconds) { return test::playKeys(*engine, keys, seconds, kRate); }
    std::unique_ptr<SynthEngine> engine;
};

TEST_F(NoiseRender, SoundsInTheBandItsFramesHold)
{
    std::vector<float> out = play({60}, 1.2f);
    const double inside = test::bandPower(out, kRate, 2200.0, 3800.0);
    const double outside = test::bandPower(out, kRate, 6000.0, 10000.0);
    EXPECT_GT(inside, 0.0);
    EXPECT_GT(inside, 100.0 * outside) << "at least 20 dB between the band and the rest";
}

TEST_F(NoiseRender, FullBandNoiseReachesTheTopOnlyWhereStoredSo)
{
    // Slot A holds noise stored before full-band noise, slot B full-band
    // noise; the same 8-12 kHz spectrum in both. Each slot plays its own bands,
    // also when the two are morphed.
    ASSERT_TRUE(engine->loadVoice(0, writeNoiseVoice(8000.0f, 12000.0f, false, "legacy.t9v").c_str()));
    ASSERT_TRUE(engine->loadVoice(1, writeNoiseVoice(8000.0f, 12000.0f, true, "full.t9v").c_str()));
    struct Case {
        float x;
        bool high;
    };
    double full = 0.0;
    for (const Case c : {Case{1.0f, true}, Case{0.0f, false}, Case{0.5f, true}}) {
        engine->stopAllVoices();
        play({}, 3.5f);
        engine->setParameter(kMorphNoiseX, c.x, true);
        const std::vector<float> out = play({60}, 1.2f);
        const double high = test::bandPower(out, kRate, 8500.0, 11500.0);
        if (c.x == 1.0f) {
            full = high;
        }
        if (c.high) {
            EXPECT_GT(high, 0.1 * full) << "morph " << c.x;
            EXPECT_GT(high, 100.0 * test::bandPower(out, kRate, 14000.0, 18000.0)) << "morph " << c.x;
        } else {
            EXPECT_EQ(high, 0.0) << "noise of 64 bands stops at about 5.5 kHz";
        }
    }
}

TEST_F(NoiseRender, TwoNotesDrawTheirOwnPhases)
{
    const std::vector<float> one = play({60}, 1.0f);
    engine->stopAllVoices();
    play({}, 3.5f);
    const std::vector<float> two = play({60, 72}, 1.0f);
    // Two equal noises with the same phases would add to four times the power;
    // independent ones add to twice.
    const double ratio = test::bandPower(two, kRate, 2200.0, 3800.0) / test::bandPower(one, kRate, 2200.0, 3800.0);
    EXPECT_NEAR(ratio, 2.0, 0.6);
}

TEST_F(NoiseRender, NoiseOffAtNoteOnStaysOff)
{
    engine->setParameter(kNoiseAmount, 0.0f, true);
    test::sendMidi(*engine, 0x90, 60, 127);
    test::renderFrames(*engine, 512);
    engine->setParameter(kNoiseAmount, 1.0f, true);
    std::vector<float> out = play({}, 0.5f);
    EXPECT_EQ(test::bandPower(out, kRate, 100.0, 20000.0), 0.0);
}

} // namespace
} // namespace tessarine
