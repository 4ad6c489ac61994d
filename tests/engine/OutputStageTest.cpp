// The last stages a listener hears: the gate that stops the effects after two
// seconds of quiet, and the engine's last guard.

#include "support/EngineTestVoice.h"
#include "engine/SilenceGate.h"
#include "engine/SynthEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace tessarine {
namespace {

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
// Whatever a sound holds (a bug, a file from elsewhere), nothing beyond the
// ceiling and nothing that is not a number reaches the host, and a NaN leaves
// nothing behind: the next note on a good sound plays at once.
TEST(SynthEngineOutput, NeverBeyondTheCeilingNorNotANumber)
{
    const auto engine = test::steadySynth(44100.0f);
    const auto setAmplitudes = [&engine](float value) {
        ScopedVoiceEdit edit(engine->handover());
        Voice& voice = engine->editInstrument().voices[0];
        for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
            BreakpointCurve& amplitude = voice.layer(0, layer).harmonic.amplitude(0);
            for (int i = 1; i + 1 < amplitude.pointCount(); ++i) {
                amplitude.setValue(i, value);
            }
        }
        prepareVoice(voice);
    };
    // The largest magnitude over a few blocks of a new note; NaN when one was not finite.
    int key = 60;
    const auto playNote = [&engine, &key] {
        test::sendMidi(*engine, 0x90, key++, 100);
        float peak = 0.0f;
        for (const std::vector<float>& side : test::renderFrames(*engine, 8 * 512)) {
            for (float x : side) {
                if (!std::isfinite(x)) {
                    return NAN;
                }
                peak = std::fmax(peak, std::fabs(x));
            }
        }
        return peak;
    };
    const float normal = playNote();
    ASSERT_GT(normal, 0.01f);
    setAmplitudes(1e30f);
    EXPECT_EQ(playNote(), kOutputCeiling);
    setAmplitudes(NAN);
    EXPECT_EQ(playNote(), 0.0f) << "a block that is not finite goes out silent";
    ASSERT_TRUE(engine->loadVoice(0, test::steadyVoiceFile().c_str()));
    EXPECT_NEAR(playNote(), normal, 0.1f * normal) << "the good sound plays at once";
}

} // namespace tessarine
