// The hand-over between a loader and the audio thread, step by step on one
// thread: renders refuse the voices while any edit is held, and an edit waits
// for the render that was already reading when it began; in the engine, a
// held edit keeps the instrument's curves out of the sound; and the instrument
// as a record in memory (the host's state chunk), written and loaded while the
// audio thread renders, as hosts save and reopen projects.

#include "EngineFixture.h"
#include "engine/VoiceHandover.h"
#include "params/ModulationLists.h"

#include <atomic>
#include <cstddef>
#include <span>
#include <thread>

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
        test::routeRowOne(engine, kSourceEnvelope, 24, 0.0f, 1.0f); // the cutoff
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

std::vector<std::byte> recordOf(SynthEngine& engine)
{
    std::vector<std::byte> buffer(4u << 20);
    RecordStream stream;
    stream.openMemoryWrite(buffer);
    EXPECT_TRUE(engine.writeInstrumentRecord(stream));
    buffer.resize(stream.position());
    return buffer;
}

// Every instrument curve edited away from its default, each differently, so a
// load that drops one or swaps two shows in the points; the values likewise.
TEST(InstrumentRecord, EveryCurveComesBackPointByPoint)
{
    auto saved = std::make_unique<SynthEngine>();
    ASSERT_TRUE(saved->loadVoice(1, test::steadyVoiceFile().c_str()));
    {
        ScopedVoiceEdit edit(saved->handover());
        Instrument& instrument = saved->editInstrument();
        for (int path = 0; path < kMorphPathCount; ++path) {
            BreakpointCurve& curve = instrument.morphPathCurves[static_cast<std::size_t>(path)];
            curve.clear();
            for (int k = 0; k <= path + 1; ++k) {
                curve.insertPoint(0.5f * static_cast<float>(k) + 0.01f * static_cast<float>(path),
                                  static_cast<float>((k * 7 + path * 3) % 10) / 10.0f);
            }
        }
        instrument.modEnvelopeCurve.clear();
        for (auto [t, v] : {std::pair{0.0f, 0.0f}, {0.2f, 1.0f}, {0.7f, 0.35f}, {2.5f, 0.6f}, {4.0f, 0.0f}}) {
            instrument.modEnvelopeCurve.insertPoint(t, v);
        }
        instrument.spectralShapeCurve.clear();
        for (auto [t, v] : {std::pair{0.0f, 0.0f}, {0.15f, 0.8f}, {0.4f, 0.25f}, {0.75f, 0.9f}, {1.0f, 0.0f}}) {
            instrument.spectralShapeCurve.insertPoint(t, v);
        }
    }
    // And every value off its start, the last one included.
    for (int i = 0; i < kParameterCount; ++i) saved->setParameter(i, static_cast<float>(i % 10) / 10.0f + 0.05f, true);
    ASSERT_NE(saved->getParameter(kParameterCount - 1, true), parameterTable()[kParameterCount - 1].start);
    const std::vector<std::byte> record = recordOf(*saved);

    auto loaded = std::make_unique<SynthEngine>();
    ASSERT_TRUE(loaded->loadInstrumentRecord(record));
    for (int i = 0; i < kParameterCount; ++i) {
        if (i != kSustainOn) { // a loaded instrument never starts with the pedal down
            EXPECT_EQ(loaded->getParameter(i, true), saved->getParameter(i, true)) << "value " << i;
        }
    }
    // Written again, every curve and voice shows in the bytes: one dropped or
    // two swapped in the load changes them.
    EXPECT_EQ(recordOf(*loaded), record);
}

// Run under ThreadSanitizer in CI: the host's saving thread writes records and
// loads them back while the audio thread plays notes and automates values.
TEST(InstrumentRecord, ConcurrentWritesAndLoadsWhileRendering)
{
    const auto engine = test::steadySynth(48000.0f);
    ASSERT_TRUE(engine->loadVoice(2, test::steadyVoiceFile().c_str()));

    std::atomic<bool> done{false};
    std::vector<float> left(256), right(256);
    bool finite = true;
    const auto render = [&] {
        engine->render(left.data(), right.data(), 256);
        for (std::size_t s = 0; s < left.size(); ++s) {
            finite = finite && std::isfinite(left[s]) && std::isfinite(right[s]);
        }
    };
    int blocks = 0;
    std::thread audio([&] {
        // One more block once the loads are done, so its automation comes after them.
        for (bool last = false; !last; ++blocks) {
            last = done && blocks >= 40;
            test::sendMidi(*engine, 0x90, 48 + blocks % 24, 100, blocks % 256);
            test::sendMidi(*engine, 0x80, 48 + (blocks + 12) % 24, 0, 10);
            engine->setParameter(kMorphHarmX, static_cast<float>(blocks % 10) / 10.0f, true);
            render();
        }
    });

    std::vector<std::byte> buffer(4u << 20);
    int loaded = 0;
    for (int round = 0; round < 8; ++round) {
        engine->setParameter(kFilterCutoff, static_cast<float>(round) / 8.0f, true);
        RecordStream stream;
        stream.openMemoryWrite(buffer);
        ASSERT_TRUE(engine->writeInstrumentRecord(stream));
        const std::span record = std::span(buffer).first(stream.position());
        loaded += engine->loadInstrumentRecord(record) ? 1 : 0;
        EXPECT_FLOAT_EQ(engine->getParameter(kFilterCutoff, true), static_cast<float>(round) / 8.0f);
    }
    done = true;
    audio.join();
    EXPECT_EQ(loaded, 8);
    EXPECT_GT(engine->instrument().voices[2].layer(0, 1).harmonic.duration, 4.0f) << "the voices came back";
    EXPECT_FLOAT_EQ(engine->getParameter(kMorphHarmX, true), static_cast<float>((blocks - 1) % 10) / 10.0f)
        << "the audio thread's last automation outlives the loads";
    // A fresh note on the instrument as the last load left it sounds on both sides.
    test::sendMidi(*engine, 0x90, 60, 100);
    const auto peak = test::stereoPeak(16, render, left, right);
    EXPECT_TRUE(finite);
    EXPECT_GT(peak[0], 0.01f) << "left";
    EXPECT_GT(peak[1], 0.01f) << "right";
}

} // namespace
} // namespace tessarine
