// The render loop's timing: events land at their sample, in their order, and
// a voice file replaces a slot while the audio thread keeps rendering.

#include "support/EngineTestVoice.h"
#include "support/SignalMeasure.h"
#include "engine/SynthEngine.h"
#include "support/TestVoices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace tessarine {
namespace {

// A voice file of one multisample with random content.
std::string randomVoiceFile(const std::string& name, std::uint32_t seed, int layers)
{
    auto voice = std::make_unique<Voice>();
    test::fillRandomVoice(*voice, seed, 1, layers, 6);
    const std::string path = test::tempPath(name);
    test::writeFile(path, test::voiceBytes(*voice));
    return path;
}

class RenderLoop : public testing::Test {
protected:
    void SetUp() override
    {
        engine = test::steadySynth(48000.0f);
        engine->setParameter(kLoopSync1, 1.0f, true); // twelve voices
        left.assign(512, 0.0f);
        right.assign(512, 0.0f);
    }
    void noteOn(int offset, int key) { test::sendMidi(*engine, 0x90, key, 100, offset); }
    const NoteVoice* voiceWithKey(int key)
    {
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            if (engine->voices().voice(i).sounding() && engine->voices().voice(i).key() == key) {
                return &engine->voices().voice(i);
            }
        }
        return nullptr;
    }

    std::unique_ptr<SynthEngine> engine;
    std::vector<float> left, right;
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
    engine->render(left.data(), right.data(), 512);
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
    struct Case {
        int index;
        float value;
        int switchOn; // an effect that must be on for the value to be heard, or -1
    };
    for (const Case c : {Case{kVolume, 0.9f, -1}, Case{kStereoWidth, 0.0f, kChorusOn}}) {
        SCOPED_TRACE(c.index);
        auto play = [&](bool withEvent) {
            SetUp();
            engine->seedNoise(5);
            if (c.switchOn >= 0) {
                engine->setParameter(c.switchOn, 1.0f, true);
            }
            noteOn(0, 60);
            test::renderFrames(*engine, 8 * 512);
            if (withEvent) {
                engine->queueParameter(256, c.index, c.value, false);
            }
            engine->render(left.data(), right.data(), 512);
            std::vector<float> both = left;
            both.insert(both.end(), right.begin(), right.end());
            return both;
        };
        const std::vector<float> plain = play(false);
        const std::vector<float> changed = play(true);
        for (int channel = 0; channel < 2; ++channel) {
            const auto first = plain.begin() + 512 * channel;
            EXPECT_TRUE(std::equal(first, first + 256, changed.begin() + 512 * channel)) << "as before up to sample 256";
            double difference = 0.0;
            for (int s = 256; s < 264; ++s) {
                difference = std::max(difference, std::fabs(double(plain[512 * channel + s]) - changed[512 * channel + s]));
            }
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
        test::sendMidi(*engine, 0x80, 43, 0);
    }
    engine->render(left.data(), right.data(), 512);
    noteOn(0, 60);
    engine->render(left.data(), right.data(), 512);
    engine->render(left.data(), right.data(), 512);
    ASSERT_NE(voiceWithKey(60), nullptr) << "the note found no voice";
    EXPECT_GT(*std::max_element(left.begin(), left.end()), 0.01f);
}

TEST_F(RenderLoop, ResumeReappliesSavedValues)
{
    engine->setParameter(kVolume, 0.9f, false); // a modulated value, not saved
    engine->resetRunningState();
    engine->render(left.data(), right.data(), 64);
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
    auto loudest = [&] {
        engine->render(left.data(), right.data(), 512);
        float peak = 0.0f;
        for (float s : left) {
            peak = std::max(peak, std::fabs(s));
        }
        return peak;
    };
    noteOn(0, 60);
    loudest();
    {
        ScopedVoiceEdit edit(engine->handover());
        noteOn(10, 64);
        noteOn(20, 67);
        test::sendMidi(*engine, 0x80, 67, 0, 30);
        EXPECT_GT(loudest(), 0.01f) << "the sounding note plays on";
        EXPECT_EQ(voiceWithKey(64), nullptr) << "a new note cannot start yet";
    }
    EXPECT_GT(loudest(), 0.01f);
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
    const std::string files[2] = {randomVoiceFile("concurrent-0.t9v", 30, 2),
                                  randomVoiceFile("concurrent-1.t9v", 31, 2)};
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
        engine->render(left.data(), right.data(), 512);
        for (std::size_t s = 0; s < left.size(); ++s) {
            finite = finite && std::isfinite(left[s]) && std::isfinite(right[s]);
        }
    };
    int block = 0;
    while (!done || block < 50) {
        noteOn(block % 512, 48 + block % 24);
        test::sendMidi(*engine, 0x80, 48 + (block + 12) % 24, 0, 10);
        render();
        ++block;
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

// After two seconds of quiet the effects stop: a reverb tail is cut off on
// the right channel and the effect states freeze until sound returns.
TEST_F(RenderLoop, SilenceGateStopsTheEffectTails)
{
    engine->setParameter(kReverbOn, 1.0f, true);
    engine->setParameter(kRelease, 0.0f, true);
    noteOn(0, 60);
    test::renderFrames(*engine, 40 * 512);
    test::sendMidi(*engine, 0x80, 60, 0);
    test::renderFrames(*engine, 512);
    auto block = [&] { engine->render(left.data(), right.data(), 512); };
    block();
    float tail = 0.0f;
    for (float s : right) {
        tail = std::max(tail, std::fabs(s));
    }
    EXPECT_GT(tail, 0.0f) << "the reverb rings on after the note";
    for (int i = 0; i < 700; ++i) { // eight seconds: the tail fades, then two quiet seconds
        block();
    }
    for (float s : right) {
        ASSERT_EQ(s, 0.0f) << "the gate has closed";
    }
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
        for (int index : {kFilterOn, kDistortionOn, kChorusOn, kDelayOn, kReverbOn}) {
            engine->setParameter(index, 1.0f, true);
        }
        EXPECT_TRUE(engine->loadVoice(0, before.c_str()));
        std::vector<float> left(512), right(512), out;
        const auto note = [&](int status, int blocks) {
            test::sendMidi(*engine, status, 60, 100);
            for (int i = 0; i < blocks; ++i) {
                engine->render(left.data(), right.data(), 512);
                out.insert(out.end(), left.begin(), left.end());
            }
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
    const std::vector<float> reloaded = play(true);
    const std::vector<float> fresh = play(false);
    ASSERT_EQ(reloaded.size(), fresh.size());
    float peak = 0.0f;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        peak = std::max(peak, std::fabs(fresh[i]));
        ASSERT_EQ(reloaded[i], fresh[i]) << "sample " << i;
    }
    EXPECT_GT(peak, 1e-4f) << "the note sounds";
}

} // namespace
} // namespace tessarine
