// What a player's hands do beyond the keys: the sustain pedal and the mod
// wheel on an instrument whose rows leave them alone, the same controllers
// when a row takes them, and the panic messages that end every note.

#include "support/EngineTestVoice.h"
#include "engine/SynthEngine.h"
#include "params/NoteFrequencyTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace tessarine {
namespace {

constexpr int kBlock = 480; // 10 ms at 48 kHz

class PerformanceControls : public testing::Test {
protected:
    void SetUp() override
    {
        engine = test::steadySynth(48000.0f);
        engine->setParameter(kLoopSync1, 1.0f, true);
        engine->setParameter(kRelease, 0.0f, true); // 6 ms: a released note is gone within a block
    }
    void midi(int status, int data1, int data2) { test::sendMidi(*engine, status, data1, data2); }
    // Renders blocks and answers the loudest sample of the last one.
    float play(int blocks)
    {
        float peak = 0.0f;
        for (int b = 0; b < blocks; ++b) {
            engine->render(left.data(), right.data(), kBlock);
            peak = 0.0f;
            for (float s : left) {
                peak = std::max(peak, std::fabs(s));
            }
        }
        return peak;
    }
    int sounding()
    {
        int count = 0;
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            count += engine->voices().voice(i).sounding() ? 1 : 0;
        }
        return count;
    }

    std::unique_ptr<SynthEngine> engine;
    std::vector<float> left = std::vector<float>(kBlock), right = std::vector<float>(kBlock);
};

TEST_F(PerformanceControls, ThePedalHoldsUnlessARowTakesIt)
{
    struct Row {
        const char* what;
        float source; // of modulation row 1
        bool holds;
    };
    for (const Row& row : {Row{"no row", 0.0f, true}, Row{"a row of controller 64", 8.0f + 64.0f, false}}) {
        SetUp();
        engine->setParameter(kModSource1, row.source, true);
        midi(0xB0, 64, 127);
        midi(0x90, 60, 100);
        play(10);
        midi(0x80, 60, 0);
        EXPECT_EQ(play(20) > 0.01f, row.holds) << row.what << ": 0.2 s after the key is let go";
        EXPECT_EQ(engine->getParameter(kSustainOn, true), 0.0f) << row.what << ": the pedal is not stored";
        midi(0xB0, 64, 0);
        EXPECT_LT(play(5), 1e-6f) << row.what << ": the pedal let go releases the note";
    }
}

TEST_F(PerformanceControls, TheWheelAddsVibratoUnlessARowTakesItAndAResetCentresWheelAndBend)
{
    // The note's pitch half a vibrato period in, with the wheel at its top.
    auto pitchWithWheel = [&](float source, bool thenReset = false, bool bent = false) {
        SetUp();
        engine->setParameter(kModSource1, source, true);
        midi(0xB0, 1, bent ? 0 : 127);
        if (bent) {
            midi(0xE0, 0, 127);
        }
        if (thenReset) {
            midi(0xB0, 121, 0);
        }
        midi(0x90, 69, 100);
        play(1);
        const NoteVoice* voice = nullptr;
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            if (engine->voices().voice(i).key() == 69) {
                voice = &engine->voices().voice(i);
            }
        }
        VoiceRenderContext context;
        return voice != nullptr ? voice->fundamentalAt(0.25f / kWheelVibratoRate, context) : 0.0f;
    };
    const float still = noteFrequencyTable().frequency(69);
    EXPECT_NEAR(1200.0f * std::log2(pitchWithWheel(0.0f) / still), kWheelVibratoCents, 0.5f) << "no row";
    EXPECT_FLOAT_EQ(pitchWithWheel(8.0f + 1.0f), still) << "a row of controller 1";
    EXPECT_FLOAT_EQ(pitchWithWheel(0.0f, true), still) << "reset controllers";
    EXPECT_GT(pitchWithWheel(0.0f, false, true), still * 1.05f) << "the bend up";
    EXPECT_FLOAT_EQ(pitchWithWheel(0.0f, true, true), still) << "reset controllers centre the bend";
}

TEST_F(PerformanceControls, ChannelModeMessagesEndEveryNoteSustainedOnesToo)
{
    struct Row {
        const char* what;
        int controller;
        float release; // the Release knob
        bool cut;      // silent at once, whatever the release
    };
    const Row rows[] = {
        {"all sound off", 120, 1.0f, true},
        {"all notes off", 123, 0.0f, false},
        {"omni off", 124, 0.0f, false},
        {"poly on", 127, 0.0f, false},
    };
    for (const Row& row : rows) {
        SetUp();
        engine->setParameter(kRelease, row.release, true);
        engine->setParameter(kReverbOn, 1.0f, true);
        engine->setParameter(kSustainOn, 1.0f, true);
        midi(0x90, 60, 100);
        midi(0x90, 64, 100);
        play(10);
        midi(0x80, 60, 0); // held by the pedal
        midi(0xB0, row.controller, 0);
        play(2);
        EXPECT_EQ(sounding(), 0) << row.what;
        EXPECT_FALSE(engine->keyHeld(64)) << row.what;
        if (row.cut) {
            EXPECT_EQ(play(1), 0.0f) << row.what << ": the reverb's tail goes too";
        }
    }
    SetUp();
    midi(0x90, 60, 100);
    midi(0xB0, 121, 0);
    play(2);
    EXPECT_EQ(sounding(), 1) << "other controllers above 119 leave the notes alone";
}

} // namespace
} // namespace tessarine
