// The hand-over between a loader and the audio thread, step by step on one
// thread: renders refuse the voices while any edit is held, and an edit waits
// for the render that was already reading when it began; and in the engine,
// a held edit keeps the instrument's curves out of the sound.

#include "support/EngineTestVoice.h"
#include "engine/SynthEngine.h"
#include "engine/VoiceHandover.h"
#include "params/ModulationLists.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace tessarine {
namespace {

TEST(VoiceHandover, RendersRefuseTheVoicesWhileAnyEditIsHeld)
{
    VoiceHandover handover;
    auto render = [&] {
        const bool readable = handover.enterRender();
        handover.leaveRender();
        return readable;
    };
    EXPECT_TRUE(render());
    handover.beginEdit();
    handover.beginEdit(); // a second loader
    EXPECT_TRUE(handover.editing());
    EXPECT_FALSE(render());
    handover.endEdit();
    EXPECT_FALSE(render()) << "one edit is still held";
    handover.endEdit();
    EXPECT_FALSE(handover.editing());
    EXPECT_TRUE(render());
}

TEST(VoiceHandover, AnEditWaitsForTheRenderAlreadyReading)
{
    struct AudioThread {
        VoiceHandover handover;
        int waits = 0;
        bool renderEnded = false;
    } audio;
    // The in-flight render ends during the third wait.
    audio.handover.setWaitHook(
        [](void* context) {
            auto& a = *static_cast<AudioThread*>(context);
            if (++a.waits == 3) {
                a.renderEnded = true;
                a.handover.leaveRender();
            }
        },
        &audio);

    ASSERT_TRUE(audio.handover.enterRender());
    audio.handover.beginEdit();
    EXPECT_TRUE(audio.renderEnded) << "the edit began while the render was reading";
    EXPECT_EQ(audio.waits, 3);
    EXPECT_FALSE(audio.handover.enterRender()) << "the next render sees the edit";
    audio.handover.leaveRender();
    audio.handover.beginEdit();
    EXPECT_EQ(audio.waits, 3) << "with no render reading, an edit begins at once";
    audio.handover.endEdit();
    audio.handover.endEdit();
    EXPECT_TRUE(audio.handover.enterRender());
    audio.handover.leaveRender();
}

// While an edit holds the instrument, render plays on with what the curves
// gave before, so a half-made curve is never heard; once the edit ends, the
// new curve is.
TEST(VoiceHandover, AHeldEditKeepsTheCurvesOutOfTheSound)
{
    auto play = [](bool editTheCurve) {
        const auto synth = test::steadySynth(44100.0f);
        SynthEngine& engine = *synth;
        engine.setParameter(kFilterOn, 1.0f, true);
        engine.setParameter(kModSource1, kSourceEnvelope, true);
        engine.setParameter(kModTarget1, 24, true); // the cutoff
        engine.setParameter(kModMin1, 0.0f, true);
        engine.setParameter(kModMax1, 1.0f, true);
        BreakpointCurve& envelope = engine.editInstrument().modEnvelopeCurve;
        envelope.clear();
        envelope.insertPoint(0.0f, 0.9f);
        envelope.insertPoint(10.0f, 0.9f);
        test::sendMidi(engine, 0x90, 60, 100);
        test::renderFrames(engine, 4 * 256, 256);
        engine.handover().beginEdit();
        if (editTheCurve) {
            envelope.setValue(0, 0.05f);
            envelope.setValue(1, 0.05f);
        }
        const std::vector<float> held = test::renderFrames(engine, 8 * 256, 256)[0];
        engine.handover().endEdit();
        return std::pair{held, test::renderFrames(engine, 8 * 256, 256)[0]};
    };
    const auto [heldPlain, afterPlain] = play(false);
    const auto [heldEdited, afterEdited] = play(true);
    EXPECT_EQ(heldEdited, heldPlain) << "the curve was read while the edit held it";
    EXPECT_NE(afterEdited, afterPlain) << "the finished edit is heard";
}

} // namespace
} // namespace tessarine
