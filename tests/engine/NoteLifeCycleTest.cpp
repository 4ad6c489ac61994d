// Notes from MIDI to silence: velocity, release, repeated keys, the voice
// limit, the pedal, glide, pitch bend and the choice of multisamples; and what
// a player's hands do beyond the keys, heard from the engine: the sustain
// pedal and the mod wheel on an instrument whose rows leave them alone, the
// same controllers when a row takes them, and the panic messages that end
// every note.

#include "EngineFixture.h"
#include "engine/voice/VoiceManager.h"
#include "params/NoteFrequencyTable.h"

namespace tessarine {
namespace {

class NoteLifeCycle : public testing::Test {
protected:
    NoteLifeCycle()
        : instrument(std::make_unique<Instrument>()),
          tables(std::make_unique<std::array<VoiceRenderTables, kVoiceSlotCount>>())
    {
        Voice& a = instrument->voices[0];
        a.multisampleCount = 1;
        a.layerCount = 2;
        test::addSteadyTone(a, 0, 261.63f);
        prepareVoice(a);
        (*tables)[0].build(a, 0);
        for (int i = 0; i < kParameterCount; ++i) {
            values.store(i, parameterTable()[static_cast<std::size_t>(i)].start, true);
        }
        values.store(kLoopSync1, 1.0f, true); // twelve voices
        values.store(kStretch, 0.5f, true);   // sounds play at their own speed
        manager = std::make_unique<VoiceManager>(values, *instrument, *tables, modulation);
    }

    void midi(int status, int data1, int data2)
    {
        manager->handleMidi(static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                            static_cast<std::uint8_t>(data2));
    }
    int sounding()
    {
        int count = 0;
        for (int i = 0; i < kNoteVoiceCount; ++i) count += manager->isSounding(i) ? 1 : 0;
        return count;
    }
    int voiceWithKey(int key)
    {
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            if (manager->isSounding(i) && manager->voice(i).key() == key && !manager->voice(i).isCut()) return i;
        }
        return -1;
    }
    void advanceAll(float seconds)
    {
        for (int i = 0; i < kNoteVoiceCount; ++i) {
            if (manager->isSounding(i)) manager->voice(i).advance(seconds);
        }
    }
    float peak(int voiceIndex)
    {
        BreakpointCurve& envelope = manager->voice(voiceIndex).envelope();
        float top = 0.0f;
        for (int p = 0; p < envelope.pointCount(); ++p) top = std::max(top, envelope.value(p));
        return top;
    }

    ParameterValues values;
    ModulationMatrix modulation{values};
    std::unique_ptr<Instrument> instrument;
    std::unique_ptr<std::array<VoiceRenderTables, kVoiceSlotCount>> tables;
    std::unique_ptr<VoiceManager> manager;
};

TEST_F(NoteLifeCycle, VelocityShapesThePeak)
{
    struct Case { float sensitivity; int velocity; float expectedPeak; };
    const Case cases[] = {{0.0f, 1, 1.0f}, {0.0f, 127, 1.0f}, {1.0f, 64, 0.254f}, {1.0f, 127, 1.0f}, {0.5f, 0, 0.0f}};
    for (const Case& c : cases) {
        values.store(kVelocitySens, c.sensitivity, true);
        midi(0x90, 60, c.velocity);
        int v = voiceWithKey(60);
        if (c.velocity == 0) {
            EXPECT_EQ(v, -1) << "velocity 0 is a note off";
            continue;
        }
        ASSERT_GE(v, 0);
        EXPECT_NEAR(peak(v), c.expectedPeak, 0.001f) << c.sensitivity << "/" << c.velocity;
        midi(0x80, 60, 0);
        advanceAll(5.0f);
        EXPECT_EQ(sounding(), 0);
    }
}

TEST_F(NoteLifeCycle, ReleaseFadesOverTheReleaseTime)
{
    values.store(kRelease, 0.5f, true); // 0.006 + 2.994 / 2 = 1.503 s
    midi(0x90, 60, 100);
    const int v = voiceWithKey(60);
    manager->voice(v).advance(0.5f);
    midi(0x80, 60, 0);
    EXPECT_FALSE(manager->voice(v).keyHeld());
    NoteVoice& voice = manager->voice(v);
    const float e = voice.envelopeGain();
    voice.advance(0.0499999f * 1.503f);
    EXPECT_NEAR(voice.envelopeGain(), 0.8f * e, 1e-3f);
    voice.advance(1.503f);
    EXPECT_FLOAT_EQ(voice.envelopeGain(), 0.0f);
    EXPECT_FALSE(manager->isSounding(v)) << "past its last envelope point the voice is free";
    EXPECT_EQ(voice.key(), -1);
}

TEST_F(NoteLifeCycle, RepeatedKeyCutsTheOldVoice)
{
    midi(0x90, 60, 100);
    const int first = voiceWithKey(60);
    manager->voice(first).advance(0.2f);
    midi(0x90, 60, 100);
    const int second = voiceWithKey(60);
    EXPECT_NE(first, second);
    EXPECT_TRUE(manager->voice(first).isCut());
    manager->voice(first).advance(0.0011f);
    EXPECT_FALSE(manager->isSounding(first)) << "a 1 ms fade";
    EXPECT_TRUE(manager->isSounding(second));
}

TEST_F(NoteLifeCycle, VoiceLimitStealsTheOldestNote)
{
    values.store(kLoopSync1, 0.0f, true); // one voice
    midi(0x90, 60, 100);
    advanceAll(0.3f);
    midi(0x90, 64, 100);
    EXPECT_EQ(voiceWithKey(60), -1) << "the first note is cut";
    EXPECT_GE(voiceWithKey(64), 0);

    values.store(kLoopSync1, 2.0f / 12.0f, true); // three voices
    for (int key : {70, 71, 72}) {
        advanceAll(0.1f);
        midi(0x90, key, 100);
    }
    EXPECT_EQ(voiceWithKey(64), -1) << "the longest playing note goes first";
    for (int key : {70, 71, 72}) EXPECT_GE(voiceWithKey(key), 0) << key;
    // Twelve notes sound; a chord at one sample steals three of them, though
    // every steal leaves a voice fading.
    values.store(kLoopSync1, 1.0f, true);
    for (int key = 40; key < 52; ++key) {
        advanceAll(0.01f);
        midi(0x90, key, 100);
    }
    for (int key : {80, 84, 87}) {
        midi(0x90, key, 100);
        EXPECT_GE(voiceWithKey(key), 0) << key;
    }
    EXPECT_EQ(voiceWithKey(42), -1);
    EXPECT_GE(voiceWithKey(43), 0) << "three stolen, the oldest first";

    // Thirteen notes at one sample: the last twelve sound, whatever their voice's place.
    for (int key = 60; key < 73; ++key) midi(0x90, key, 100);
    EXPECT_EQ(voiceWithKey(60), -1);
    for (int key = 61; key < 73; ++key) EXPECT_GE(voiceWithKey(key), 0) << key;
}

TEST_F(NoteLifeCycle, GlideIsLegatoAndEndsWithTheLastKey)
{
    values.store(kPortamentoRate, 0.5f, true);
    midi(0x90, 60, 100);
    const int v = voiceWithKey(60);
    advanceAll(0.1f);
    midi(0x90, 72, 100);
    EXPECT_EQ(sounding(), 1) << "legato: no second voice";
    NoteVoice& voice = manager->voice(v);
    const float from = voice.baseFrequency();
    voice.advance(0.25f);
    EXPECT_NEAR(voice.glideFrequency(true), from * std::sqrt(2.0f), 0.5f) << "half way in cents";
    voice.advance(0.5f);
    EXPECT_NEAR(voice.glideFrequency(true), 2.0f * from, 0.5f);

    midi(0x80, 60, 0); // not the last key: nothing happens
    EXPECT_TRUE(voice.keyHeld());
    midi(0x80, 72, 0);
    EXPECT_FALSE(voice.keyHeld());
}

TEST_F(NoteLifeCycle, PitchBendRange)
{
    struct Case { float range; int lsb, msb; float cents; };
    const Case cases[] = {{0.0f, 0, 0, -100.0f}, {0.0f, 0, 64, 0.0f}, {1.0f, 0, 0, -2400.0f},
                          {1.0f, 127, 127, 2400.0f * 8191.0f / 8192.0f}};
    for (const Case& c : cases) {
        values.store(kPitchbendRange, c.range, true);
        midi(0xE0, c.lsb, c.msb);
        for (int i = 0; i < kNoteVoiceCount; ++i) EXPECT_NEAR(manager->voice(i).pitchBend(), c.cents, 0.01f);
    }
}

TEST(MultisampleChoice, WeightsByPitchAndVelocity)
{
    auto voice = std::make_unique<Voice>();
    voice->multisampleCount = 3;
    const float pitches[] = {220.0f, 440.0f, 880.0f};
    for (int m = 0; m < 3; ++m) voice->layer(m, 0).harmonic.basePitch = pitches[m];
    struct Case { float frequency; float velocity; int low, high; float k, v; };
    const Case cases[] = {
        {330.0f, 1.0f, 0, 1, 0.585f, 1.0f},  // between the first two
        {100.0f, 1.0f, 0, 0, 0.0f, 1.0f},    // below every pitch
        {1000.0f, 0.2f, 2, 2, 0.0f, 0.0f},   // above every pitch; soft
        {440.0f, 0.62598f, 1, 2, 0.0f, 0.5f} // on a pitch; half way to loud
    };
    for (const Case& c : cases) {
        SlotBlend blend = chooseMultisamples(*voice, NoteSettings::Slot{}, c.frequency, c.velocity);
        EXPECT_EQ(blend.low, c.low) << c.frequency;
        EXPECT_EQ(blend.high, c.high) << c.frequency;
        EXPECT_NEAR(blend.pitchWeight, c.k, 0.001f) << c.frequency;
        EXPECT_NEAR(blend.velocityWeight, c.v, 0.001f) << c.velocity;
        float total = blend.weight(false, 0) + blend.weight(true, 0) + blend.weight(false, 1) + blend.weight(true, 1);
        EXPECT_NEAR(total, 1.0f, 1e-5f);
    }
    NoteSettings::Slot solo{true, 5, true, false};
    SlotBlend blend = chooseMultisamples(*voice, solo, 330.0f, 0.1f);
    EXPECT_EQ(blend.low, 5);
    EXPECT_FLOAT_EQ(blend.weight(false, 1), 1.0f);
}

constexpr int kBlock = 480; // 10 ms at 48 kHz

class PerformanceControls : public test::EngineFixture {
protected:
    // A released note is gone within a block at the shortest release.
    void SetUp() override { start(48000.0f, {{kRelease, 0.0f}}); }
    // Renders blocks and answers the loudest sample of the last one.
    float play(int blocks)
    {
        float peak = 0.0f;
        for (int b = 0; b < blocks; ++b) peak = block(kBlock);
        return peak;
    }
};

TEST_F(PerformanceControls, ThePedalHoldsUnlessARowTakesIt)
{
    struct Row { const char* what; float source; bool holds; }; // the source of modulation row 1
    for (const Row& row : {Row{"no row", 0.0f, true}, Row{"a row of controller 64", 8.0f + 64.0f, false}}) {
        SetUp();
        engine->setParameter(kModSource1, row.source, true);
        midi(0xB0, 64, 127);
        midi(0x90, 60, 100);
        play(10);
        midi(0x80, 60, 0);
        EXPECT_EQ(play(20) > 0.01f, row.holds) << row.what << ": 0.2 s after the key is let go";
        EXPECT_EQ(engine->getParameter(kSustainOn, true), 0.0f) << row.what << ": the pedal is not stored";
        midi(0x90, 64, 100);
        midi(0xB0, 64, 0);
        play(5);
        EXPECT_EQ(voiceWithKey(60), nullptr) << row.what << ": the pedal let go releases the note";
        EXPECT_NE(voiceWithKey(64), nullptr) << row.what << ": a key still down keeps sounding";
    }
}

TEST_F(PerformanceControls, TheWheelAddsVibratoUnlessARowTakesItAndAResetCentresWheelAndBend)
{
    // The note's pitch half a vibrato period in, with the wheel at its top.
    auto pitchWithWheel = [&](float source, bool thenReset = false, bool bent = false) {
        SetUp();
        engine->setParameter(kModSource1, source, true);
        midi(0xB0, 1, bent ? 0 : 127);
        if (bent) midi(0xE0, 0, 127);
        if (thenReset) midi(0xB0, 121, 0);
        midi(0x90, 69, 100);
        play(1);
        const NoteVoice* voice = voiceWithKey(69);
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
