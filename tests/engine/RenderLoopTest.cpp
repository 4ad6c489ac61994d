// The queue that makes events land at their sample: order, capacity and the
// split between the voice and effects passes; the keyboard's way into the
// audio thread: order kept, a full ring refuses rather than overwrite.
// The render loop's timing: events land at their sample, in their order, and
// a voice file replaces a slot while the audio thread keeps rendering; the
// engine's two value arrays; and the last stages a listener hears, the gate
// that stops the effects after two seconds of quiet and the output's guard.

#include "EngineFixture.h"
#include "engine/EditorMidiIntake.h"
#include "engine/EventQueue.h"
#include "engine/SilenceGate.h"

#include <atomic>
#include <thread>

namespace tessarine {
namespace {

bool all(const QueuedEvent&) { return true; }
bool effects(const QueuedEvent& e) { return e.kind == QueuedEvent::kParameter && isEffectParameter(e.index); }

TEST(EventQueue, OrderedByOffsetThenArrival)
{
    EventQueue queue;
    ASSERT_TRUE(queue.queueParameter(100, 1, 0.1f, false));
    ASSERT_TRUE(queue.queueParameter(10, 2, 0.2f, false));
    ASSERT_TRUE(queue.queueMidi(100, 0x90, 60, 100));
    ASSERT_TRUE(queue.queueParameter(100, 3, 0.3f, false));
    ASSERT_TRUE(queue.queueParameter(0, 4, 0.4f, false));

    std::vector<int> order;
    while (const QueuedEvent* e = queue.take(all)) order.push_back(e->kind == QueuedEvent::kMidi ? -1 : e->index);
    EXPECT_EQ(order, (std::vector<int>{4, 2, 1, -1, 3}));
    EXPECT_EQ(queue.nextOffset(all), -1);
}

TEST(EventQueue, RefusesWhatItCannotHold)
{
    EventQueue queue;
    EXPECT_FALSE(queue.queueParameter(0, -1, 0.0f, false));
    EXPECT_FALSE(queue.queueParameter(0, 173, 0.0f, false)) << "editor slots are never queued";
    for (int i = 0; i < EventQueue::kCapacity; ++i) ASSERT_TRUE(queue.queueMidi(i % 512, 0x80, 60, 0)) << i;
    EXPECT_FALSE(queue.queueMidi(0, 0x90, 60, 1));
    EXPECT_FALSE(queue.queueParameter(0, 5, 1.0f, false));
    EXPECT_EQ(queue.size(), EventQueue::kCapacity);
    queue.clear();
    EXPECT_EQ(queue.size(), 0);
    EXPECT_TRUE(queue.queueMidi(0, 0x90, 60, 1));
}

TEST(EventQueue, EachPassSeesItsOwnEvents)
{
    EventQueue queue;
    queue.queueParameter(5, kVolume, 0.7f, false);     // effects pass
    queue.queueParameter(7, kFilterCutoff, 0.2f, false); // voice pass
    EXPECT_EQ(queue.nextOffset(effects), 5);
    EXPECT_EQ(queue.take(effects)->index, kVolume);
    EXPECT_EQ(queue.nextOffset(effects), -1);
    queue.rewind();
    EXPECT_EQ(queue.nextOffset(all), 5);
}


TEST(EditorMidiIntake, KeepsOrderAndRefusesWhenFull)
{
    EditorMidiIntake intake;
    std::vector<int> seen;
    auto take = [&](const std::uint8_t bytes[3]) { seen.push_back(bytes[1] | bytes[2] << 8); };
    for (int round = 0; round < 3; ++round) { // the ring wraps
        seen.clear();
        unsigned accepted = 0;
        for (unsigned i = 0; i < EditorMidiIntake::kCapacity + 5; ++i) {
            const std::uint8_t bytes[3] = {0x90, static_cast<std::uint8_t>(i & 0x7F), static_cast<std::uint8_t>(i >> 7)};
            accepted += intake.push(bytes) ? 1 : 0;
        }
        EXPECT_EQ(accepted, EditorMidiIntake::kCapacity);
        intake.drain(take);
        ASSERT_EQ(seen.size(), EditorMidiIntake::kCapacity);
        for (unsigned i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], static_cast<int>((i & 0x7F) | (i >> 7) << 8));
        seen.clear();
        intake.drain(take);
        EXPECT_TRUE(seen.empty()) << "drained messages are gone";
    }
}

// A voice file of one multisample with random content.
std::string randomVoiceFile(const std::string& name, std::uint32_t seed, int layers)
{
    auto voice = std::make_unique<Voice>();
    test::fillRandomVoice(*voice, seed, 1, layers, 6);
    const std::string path = test::tempPath(name);
    test::writeFile(path, test::voiceBytes(*voice));
    return path;
}

class RenderLoop : public test::EngineFixture {
protected:
    void SetUp() override { start(48000.0f); }
};

// A note starts at its sample, one timed past the block is not lost, and
// events at one offset apply in the order they came.
TEST_F(RenderLoop, EventsLandAtTheirSampleInArrivalOrder)
{
    engine->queueParameter(100, kFilterCutoff, 0.25f, false);
    noteOn(100, 60);
    noteOn(100, 62);
    engine->queueParameter(100, kFilterCutoff, 0.75f, false);
    noteOn(5000, 64);
    block();
    ASSERT_NE(voiceWithKey(60), nullptr);
    ASSERT_NE(voiceWithKey(62), nullptr);
    EXPECT_NE(voiceWithKey(64), nullptr);
    EXPECT_FLOAT_EQ(voiceWithKey(60)->noteTime(), 412.0f / 48000.0f);
    EXPECT_FLOAT_EQ(voiceWithKey(60)->settings().cutoff, 0.25f);
    EXPECT_FLOAT_EQ(voiceWithKey(62)->settings().cutoff, 0.25f);
    EXPECT_FLOAT_EQ(engine->getParameter(kFilterCutoff), 0.75f) << "the later change still lands";
}

// The effects run in their own pass over the block; an effect value queued
// inside the block must split that pass at its sample, not wait for the next block.
TEST_F(RenderLoop, EffectValuesChangeTheSoundAtTheirSample)
{
    struct Case { int index; float value; int switchOn; }; // an effect that must be on to hear it, or -1
    for (const Case c : {Case{kVolume, 0.9f, -1}, Case{kStereoWidth, 0.0f, kChorusOn}}) {
        SCOPED_TRACE(c.index);
        auto play = [&](bool withEvent) {
            start(48000.0f);
            engine->seedNoise(5);
            if (c.switchOn >= 0) engine->setParameter(c.switchOn, 1.0f, true);
            noteOn(0, 60);
            test::renderFrames(*engine, 8 * 512);
            if (withEvent) engine->queueParameter(256, c.index, c.value, false);
            block();
            return std::array{left, right};
        };
        const auto plain = play(false), changed = play(true);
        for (int channel = 0; channel < 2; ++channel) {
            const std::vector<float>& a = plain[channel];
            const std::vector<float>& b = changed[channel];
            EXPECT_TRUE(std::equal(a.begin(), a.begin() + 256, b.begin())) << "as before up to sample 256";
            double difference = 0.0;
            for (int s = 256; s < 264; ++s) difference = std::max(difference, std::fabs(double(a[s]) - b[s]));
            EXPECT_GT(difference, 1e-5) << "changed from sample 256 on, channel " << channel;
        }
    }
}

// A key repeated many times inside one block (a held-back burst, a drum
// roll) leaves its cut voices fading, not brought back to full release by the
// note-offs that follow: the next note finds a voice and sounds at once.
TEST_F(RenderLoop, ABurstOfRepeatsInOneBlockLeavesVoicesForTheNextNote)
{
    engine->setParameter(kRelease, 1.0f, true); // a 3 s release
    for (int i = 0; i < 20; ++i) {
        noteOn(0, 43);
        midi(0x80, 43, 0);
    }
    block();
    noteOn(0, 60);
    block();
    EXPECT_GT(block(), 0.01f);
    ASSERT_NE(voiceWithKey(60), nullptr) << "the note found no voice";
}

TEST_F(RenderLoop, ResumeReappliesSavedValues)
{
    engine->setParameter(kVolume, 0.9f, false); // a modulated value, not saved
    engine->resetRunningState();
    block(64);
    EXPECT_FLOAT_EQ(engine->getParameter(kVolume), 0.5f);
    EXPECT_FLOAT_EQ(engine->getParameter(kFormantFreq), 0.5f);
    EXPECT_FLOAT_EQ(engine->getParameter(kVoiceCutoffA), engine->instrument().voices[0].cutoff)
        << "the loaded voice's cutoff survives the reload";
}

TEST_F(RenderLoop, LoadFailureLeavesTheSlotAlone)
{
    const std::string name(engine->instrument().voices[0].nameView());
    EXPECT_FALSE(engine->loadVoice(0, "/no/such/voice.t9v"));
    EXPECT_FALSE(engine->loadVoice(4, test::steadyVoiceFile().c_str()));
    EXPECT_FALSE(engine->loadVoice(-1, test::steadyVoiceFile().c_str()));
    EXPECT_EQ(std::string(engine->instrument().voices[0].nameView()), name);
}

// An edit holds the sounds: sounding notes play on, new ones wait for the
// edit's end with the note offs that follow them, and none is lost.
TEST_F(RenderLoop, NotesSoundThroughAHeldEdit)
{
    noteOn(0, 60);
    block();
    {
        ScopedVoiceEdit edit(engine->handover());
        noteOn(10, 64);
        noteOn(20, 67);
        midi(0x80, 67, 0, 30);
        EXPECT_GT(block(), 0.01f) << "the sounding note plays on";
        EXPECT_EQ(voiceWithKey(64), nullptr) << "a new note cannot start yet";
    }
    EXPECT_GT(block(), 0.01f);
    ASSERT_NE(voiceWithKey(64), nullptr) << "it starts once the edit ends";
    ASSERT_NE(voiceWithKey(67), nullptr);
    EXPECT_FALSE(voiceWithKey(67)->keyHeld()) << "its note off came after it";
    EXPECT_TRUE(voiceWithKey(64)->keyHeld());
}

// Run under ThreadSanitizer in CI: loads and parameter writes from a second
// thread while the audio thread renders notes. The second pass over the slots
// loads another voice, so each slot must end with the one loaded last.
TEST_F(RenderLoop, ConcurrentLoadsWhileRendering)
{
    // Named "random 30" and "random 31".
    const std::string files[2] = {randomVoiceFile("concurrent-0.t9v", 30, 2), randomVoiceFile("concurrent-1.t9v", 31, 2)};
    std::atomic<bool> done{false};
    int loads = 0;
    std::thread loader([&] {
        for (int round = 0; round < 6; ++round) {
            loads += engine->loadVoice(round % kSlotCount, files[round / kSlotCount].c_str()) ? 1 : 0;
            for (int index = 0; index < kParameterCount; index += 3) {
                engine->setParameter(index, static_cast<float>(round) / 6.0f, true);
            }
            engine->setParameter(kSustainOn, round % 2 == 0 ? 1.0f : 0.0f, true);
        }
        done = true;
    });
    bool finite = true;
    const auto render = [&] {
        block();
        for (std::size_t s = 0; s < left.size(); ++s) finite = finite && std::isfinite(left[s]) && std::isfinite(right[s]);
    };
    for (int i = 0; !done || i < 50; ++i) {
        noteOn(i % 512, 48 + i % 24);
        midi(0x80, 48 + (i + 12) % 24, 0, 10);
        render();
    }
    loader.join();
    EXPECT_EQ(loads, 6);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EXPECT_EQ(engine->instrument().voices[static_cast<std::size_t>(slot)].nameView(),
                  slot < 6 - kSlotCount ? "random 31" : "random 30")
            << "slot " << slot << " holds the voice loaded last";
    }
    // A fresh note on the voices as they were left sounds on both sides. How
    // loud depends on how many notes the storm left sounding (the loader's
    // pace decides that), so the bar is "audible" (-60 dB), not a level.
    noteOn(0, 60);
    const auto peak = test::stereoPeak(8, render, left, right);
    EXPECT_TRUE(finite);
    EXPECT_GT(peak[0], 0.001f) << "left";
    EXPECT_GT(peak[1], 0.001f) << "right";
}

TEST_F(RenderLoop, HarmonicPresetMovesASoundBetweenSlots)
{
    using Kind = SynthEngine::PresetKind;
    const std::string preset = test::tempPath("steady.t9h");
    ASSERT_TRUE(engine->savePreset(Kind::Harmonic, 0, 0, 1, preset.c_str()));
    ASSERT_TRUE(engine->loadPresetIntoSlot(Kind::Harmonic, 2, preset.c_str()));
    const Voice& voice = engine->instrument().voices[2];
    EXPECT_EQ(voice.multisampleCount, 1);
    EXPECT_EQ(voice.layerCount, 1);
    EXPECT_EQ(std::string(voice.nameView()), "steady") << "a harmonic preset names the voice";
    EXPECT_GT(voice.layer(0, 0).harmonic.duration, 4.0f) << "prepared and playable";
    EXPECT_FALSE(engine->loadPresetIntoSlot(Kind::Noise, 2, "/no/such.t9n"));
    EXPECT_FALSE(engine->loadPreset(Kind::Noise, 2, 9, 0, preset.c_str()));
    EXPECT_GT(engine->instrument().voices[2].layer(0, 0).harmonic.duration, 4.0f) << "still playable after refusals";
}

TEST(SilenceGate, ClosesAfterTwoSecondsOfQuietAndReopensOnSound)
{
    SilenceGate gate;
    gate.setSampleRate(1000.0f); // two seconds = 2000 samples
    gate.reset();
    std::vector<float> quiet(500, 0.00002f), loud(500, 0.0f);
    int openBlocks = 0;
    for (int block = 0; block < 10; ++block) {
        openBlocks += gate.check(quiet.data(), 500) ? 1 : 0;
        gate.update(quiet.data(), 500);
    }
    EXPECT_EQ(openBlocks, 4) << "open until more than 2000 quiet samples have passed";
    loud.back() = 0.1f; // only the block's last sample is loud
    EXPECT_TRUE(gate.check(loud.data(), 500));
    gate.update(loud.data(), 500);
    EXPECT_TRUE(gate.check(quiet.data(), 500)) << "a loud block resets the count";
}

// After two seconds of quiet the effects stop: a reverb tail is cut off on
// the right channel and the effect states freeze until sound returns.
TEST_F(RenderLoop, SilenceGateStopsTheEffectTails)
{
    start(48000.0f, {{kReverbOn, 1.0f}, {kRelease, 0.0f}});
    noteOn(0, 60);
    test::renderFrames(*engine, 40 * 512);
    midi(0x80, 60, 0);
    test::renderFrames(*engine, 512);
    block();
    EXPECT_TRUE(std::any_of(right.begin(), right.end(), [](float s) { return s != 0.0f; })) << "the reverb rings on";
    for (int i = 0; i < 700; ++i) block(); // eight seconds: the tail fades, then two quiet seconds
    for (float s : right) ASSERT_EQ(s, 0.0f) << "the gate has closed";
}

// Whatever a sound holds (a bug, a file from elsewhere), nothing beyond the
// ceiling and nothing that is not a number reaches the host, and a NaN leaves
// nothing behind: the next note on a good sound plays at once.
TEST_F(RenderLoop, OutputNeverBeyondTheCeilingNorNotANumber)
{
    engine = test::steadySynth(44100.0f);
    const auto setAmplitudes = [&](float value) {
        ScopedVoiceEdit edit(engine->handover());
        Voice& voice = engine->editInstrument().voices[0];
        for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
            BreakpointCurve& amplitude = voice.layer(0, layer).harmonic.amplitude(0);
            for (int i = 1; i + 1 < amplitude.pointCount(); ++i) amplitude.setValue(i, value);
        }
        prepareVoice(voice);
    };
    // The largest magnitude over a few blocks of a new note; NaN when one was not finite.
    int key = 60;
    const auto playNote = [&] {
        noteOn(0, key++);
        float peak = 0.0f;
        for (const std::vector<float>& side : test::renderFrames(*engine, 8 * 512)) {
            for (float x : side) {
                if (!std::isfinite(x)) return NAN;
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

// A voice loaded over one that had just been loaded plays its next note
// exactly as it does when loaded alone: nothing of the voice in between stays
// behind, with the filter and every effect on and a note played before (the
// same in both, so the effects' tails match).
TEST(VoiceReload, TheNextNoteIsBitExactWhateverTheSlotHeld)
{
    const std::string before = randomVoiceFile("reload-before.t9v", 21, 2);
    const std::string between = randomVoiceFile("reload-between.t9v", 23, 2);
    const std::string after = randomVoiceFile("reload-after.t9v", 22, 1);
    const auto play = [&](bool heldAnother) {
        auto engine = std::make_unique<SynthEngine>();
        engine->setSampleRate(44100.0f);
        engine->seedNoise(5); // the clock's seed could differ between the two engines
        for (int index : {kFilterOn, kDistortionOn, kChorusOn, kDelayOn, kReverbOn}) engine->setParameter(index, 1.0f, true);
        EXPECT_TRUE(engine->loadVoice(0, before.c_str()));
        std::vector<float> out;
        const auto note = [&](int status, int blocks) {
            test::sendMidi(*engine, status, 60, 100);
            const std::vector<float> left = test::renderFrames(*engine, blocks * 512)[0];
            out.insert(out.end(), left.begin(), left.end());
        };
        note(0x90, 20);
        note(0x80, 20);
        out.clear();
        if (heldAnother) {
            EXPECT_TRUE(engine->loadVoice(0, between.c_str()));
        }
        EXPECT_TRUE(engine->loadVoice(0, after.c_str()));
        note(0x90, 8);
        return out;
    };
    const std::vector<float> reloaded = play(true), fresh = play(false);
    EXPECT_EQ(reloaded, fresh);
    float peak = 0.0f;
    for (float x : fresh) peak = std::max(peak, std::fabs(x));
    EXPECT_GT(peak, 1e-4f) << "the note sounds";
}

TEST(SynthEngineValues, CurrentSavedAndDerived)
{
    SynthEngine engine;
    for (int i = 0; i < kParameterCount; ++i) {
        const float start = parameterTable()[static_cast<std::size_t>(i)].start;
        EXPECT_EQ(engine.getParameter(i, false), start) << i;
        EXPECT_EQ(engine.getParameter(i, true), start) << i;
    }
    EXPECT_EQ(engine.getParameter(200), 0.0f);
    EXPECT_EQ(engine.filterMode(), 2);
    EXPECT_FLOAT_EQ(engine.compressAmount(), 0.3f);
    EXPECT_EQ(engine.multisampleCount(0), 1);

    engine.setParameter(kVolume, 0.8f, false); // a change the engine makes itself
    EXPECT_FLOAT_EQ(engine.getParameter(kVolume, false), 0.8f);
    EXPECT_FLOAT_EQ(engine.getParameter(kVolume, true), 0.5f);
    engine.setParameter(kVolume, 0.7f, true);
    EXPECT_FLOAT_EQ(engine.getParameter(kVolume, true), 0.7f);

    // Editor slots are stored and nothing else; outside the arrays reads are 0.
    engine.setParameter(254, 0.25f, true);
    EXPECT_FLOAT_EQ(engine.getParameter(254, true), 0.25f);
    for (int index : {-1, 255, 1 << 20}) {
        engine.setParameter(index, 0.9f, true);
        EXPECT_EQ(engine.getParameter(index, false), 0.0f);
        EXPECT_EQ(engine.getParameter(index, true), 0.0f);
    }

    // Writes reach the derived settings.
    engine.setParameter(kCompress, 1.0f, true);
    EXPECT_FLOAT_EQ(engine.compressAmount(), 0.99f);
    engine.setParameter(kFilterMode, 0.16f, true);
    EXPECT_EQ(engine.filterMode(), 0);
    engine.setParameter(kNumMultisamplesD, 1.0f, true);
    EXPECT_EQ(engine.multisampleCount(3), 8);
    EXPECT_EQ(engine.multisampleCount(0), 1);
    // The slot cutoffs live with the voices; the array keeps what was written too.
    engine.setParameter(kVoiceCutoffC, 0.4f, true);
    EXPECT_FLOAT_EQ(engine.getParameter(kVoiceCutoffC, true), 0.4f);
}

// Projects and files may carry any float for any parameter. Each one written
// alone at a non-finite or huge value is held to its parameter's range, what
// the host reads back is the value the engine uses, and a playing note stays
// below +24 dBFS.
TEST(SynthEngineValues, ExtremeValuesOfEveryParameterKeepTheOutputFinite)
{
    std::vector<float> left(512), right(512);
    for (float written : {std::nanf(""), INFINITY, 127.0f, -3e38f}) {
        for (int index = 0; index < kParameterCount; ++index) {
            const auto engine = test::steadySynth(48000.0f);
            engine->setParameter(index, written, true);
            const float held = engine->getParameter(index, true);
            const ParameterRange range = parameterRange(index);
            ASSERT_TRUE(held >= range.low && held <= range.high) << "parameter " << index << " holds " << held;
            test::sendMidi(*engine, 0x90, 60, 100);
            for (int block = 0; block < 6; ++block) {
                engine->render(left.data(), right.data(), 512);
                for (int i = 0; i < 512; ++i) {
                    ASSERT_TRUE(std::isfinite(left[i]) && std::fabs(left[i]) <= 16.0f && std::isfinite(right[i]) &&
                                std::fabs(right[i]) <= 16.0f)
                        << "parameter " << index << " written as " << written;
                }
            }
        }
    }
}

} // namespace
} // namespace tessarine
