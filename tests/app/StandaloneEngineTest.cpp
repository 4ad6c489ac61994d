// The application's engine as the JACK process callback drives it, without a
// server: real-time safety, the bounds on what the server hands over,
// repeatable renders and re-preparing while audio runs.

#include "app/StandaloneEngine.h"

#include "AppTestSupport.h"
#include "support/AllocationCounter.h"
#include "support/EngineTestVoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

using tessarine::MidiMessage;
using tessarine::app::StandaloneEngine;

constexpr int kPeriod = 512;

// An engine with the steady test tone (C4 at 261.63 Hz) in its first slot.
std::unique_ptr<StandaloneEngine> steadyEngine(float rate)
{
    auto engine = std::make_unique<StandaloneEngine>("");
    EXPECT_TRUE(engine->core().loadVoiceFile(0, tessarine::test::steadyVoiceFile().c_str()));
    engine->seedRandom(1);
    engine->prepare(rate, kPeriod);
    return engine;
}

// Plays events in the first period, then renders seconds more; the left channel.
std::vector<float> play(StandaloneEngine& engine, std::vector<MidiMessage> events, float seconds, float rate,
                        int period = kPeriod)
{
    std::vector<float> left(static_cast<std::size_t>(seconds * rate)), right(left.size());
    for (std::size_t start = 0; start + static_cast<std::size_t>(period) <= left.size(); start += period) {
        float* outputs[2] = {left.data() + start, right.data() + start};
        engine.process(start == 0 ? std::span<const MidiMessage>(events) : std::span<const MidiMessage>(), outputs,
                       period);
    }
    return left;
}

MidiMessage noteOn(int key, int offset = 0)
{
    return MidiMessage{{0x90, static_cast<std::uint8_t>(key), 110}, offset};
}

TEST(StandaloneEngine, NeverAllocatesWhileProcessing)
{
    const std::size_t atStart = testsupport::allocationCount();
    auto engine = steadyEngine(48000.0f);
    ASSERT_GT(testsupport::allocationCount(), atStart) << "the counter must see the engine's allocations";
    std::vector<float> left(kPeriod), right(kPeriod);
    float* outputs[2] = {left.data(), right.data()};
    std::vector<MidiMessage> events(4);
    play(*engine, {noteOn(48)}, 0.1f, 48000.0f); // first-use work happens before counting

    const std::size_t before = testsupport::allocationCount();
    for (int period = 0; period < 400; ++period) {
        const auto byte = [&](int base, int range) { return static_cast<std::uint8_t>(base + period % range); };
        const std::uint8_t messages[4][3] = {{0x90, byte(40, 40), 100}, {0x80, byte(60, 20), 0},
                                             {0xE0, 0, byte(0, 128)}, {0xB0, 1, byte(0, 128)}};
        std::size_t count = 0;
        for (const auto& bytes : messages) {
            count += StandaloneEngine::admit(bytes, 3, static_cast<std::uint32_t>(period * 37 % 700), kPeriod,
                                             events[count]) ? 1 : 0;
        }
        engine->process(std::span<const MidiMessage>(events.data(), count), outputs, kPeriod);
    }
    EXPECT_EQ(testsupport::allocationCount(), before);
}

TEST(StandaloneEngine, AdmitsOnlyMessagesOfOneToThreeBytesInsideThePeriod)
{
    const std::uint8_t bytes[6] = {0x90, 64, 100, 0xF7, 1, 2};
    struct Case { std::size_t size; std::uint32_t time; int frames; bool admitted; MidiMessage expected; };
    const Case cases[] = {
        {0, 0, 64, false, {}}, {4, 0, 64, false, {}}, {6, 10, 64, false, {}}, {3, 0, 0, false, {}},
        {1, 5, 64, true, {{0x90, 0, 0}, 5}}, {2, 5, 64, true, {{0x90, 64, 0}, 5}},
        {3, 63, 64, true, {{0x90, 64, 100}, 63}}, {3, 64, 64, true, {{0x90, 64, 100}, 63}},
        {3, 0xFFFFFFFFu, 64, true, {{0x90, 64, 100}, 63}},
    };
    for (const Case& c : cases) {
        MidiMessage message{{0xAA, 0xAA, 0xAA}, -7};
        EXPECT_EQ(StandaloneEngine::admit(bytes, c.size, c.time, c.frames, message), c.admitted)
            << c.size << " bytes at " << c.time;
        const MidiMessage expected = c.admitted ? c.expected : MidiMessage{{0xAA, 0xAA, 0xAA}, -7};
        EXPECT_EQ(std::vector<std::uint8_t>(message.bytes, message.bytes + 3),
                  std::vector<std::uint8_t>(expected.bytes, expected.bytes + 3));
        EXPECT_EQ(message.frameOffset, expected.frameOffset);
    }
    MidiMessage untouched{};
    EXPECT_FALSE(StandaloneEngine::admit(nullptr, 3, 0, 64, untouched));
}

// Times that reach process outside the period (a caller that skipped admit)
// play at its edges, the same samples as a note placed there.
TEST(StandaloneEngine, PlaysRepeatablyWithEventTimesClampedIntoThePeriod)
{
    struct Case { int given, playedAt; };
    const Case cases[] = {{100000, 63}, {64, 63}, {-5, 0}};
    for (const Case& c : cases) {
        auto placed = steadyEngine(48000.0f);
        auto clamped = steadyEngine(48000.0f);
        const std::vector<float> expected = play(*placed, {noteOn(60, c.playedAt)}, 0.2f, 48000.0f, 64);
        const std::vector<float> heard = play(*clamped, {noteOn(60, c.given)}, 0.2f, 48000.0f, 64);
        EXPECT_EQ(heard, expected) << "note at " << c.given;
        EXPECT_GT(tessarine::test::rms(heard, 0, heard.size()), 0.001f);
    }
}

// The main thread re-prepares (a server's rate change) while the audio thread
// plays: every period is either rendered or silence, never a crash or garbage;
// then each rate it is prepared for plays its keys at their pitch.
TEST(StandaloneEngine, RePreparesWhileTheAudioThreadPlaysAndPlaysKeysAtTheirPitchAtEveryRate)
{
    StandaloneEngine unprepared("");
    std::vector<float> left(kPeriod, 1.0f), right(kPeriod, 1.0f);
    float* outputs[2] = {left.data(), right.data()};
    unprepared.process({}, outputs, kPeriod);
    EXPECT_EQ(left, std::vector<float>(kPeriod, 0.0f)) << "before prepare a period is silence";

    auto engine = steadyEngine(48000.0f);
    std::atomic<bool> stop{false};
    std::atomic<bool> allFinite{true};
    std::thread audio([&] {
        std::vector<float> l(kPeriod), r(kPeriod);
        float* outs[2] = {l.data(), r.data()};
        const MidiMessage on = noteOn(60);
        for (int period = 0; !stop.load(); ++period) {
            engine->process(period % 50 == 0 ? std::span<const MidiMessage>(&on, 1) : std::span<const MidiMessage>(),
                            outs, kPeriod);
            const auto finite = [](float v) { return std::isfinite(v); };
            if (!std::all_of(l.begin(), l.end(), finite) || !std::all_of(r.begin(), r.end(), finite)) {
                allFinite.store(false);
            }
        }
    });
    const float rates[] = {44100.0f, 96000.0f, 22050.0f, 48000.0f};
    for (int round = 0; round < 12; ++round) {
        engine->prepare(rates[round % 4], round % 2 == 0 ? 256 : 1024);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    stop.store(true);
    audio.join();
    EXPECT_TRUE(allFinite.load());
    EXPECT_EQ(engine->sampleRate(), 48000.0f);

    const struct { float rate; int key; float frequency; } cases[] = {
        {48000.0f, 60, 261.63f}, {44100.0f, 72, 523.25f}, {96000.0f, 57, 220.0f}, {22050.0f, 64, 329.63f}};
    for (const auto& c : cases) {
        engine->prepare(c.rate, kPeriod);
        // The note's fundamental stands well above the pitches a semitone either side.
        const std::vector<float> sound = play(*engine, {noteOn(c.key)}, 1.0f, c.rate);
        const auto at = [&](float seconds) { return static_cast<std::size_t>(seconds * c.rate); };
        EXPECT_GT(apptest::pitchContrast(sound, at(0.3f), at(0.5f), c.rate, c.frequency, 0.01f), 10.0f) << c.rate;
        play(*engine, {MidiMessage{{0x80, static_cast<std::uint8_t>(c.key), 0}, 0}}, 1.0f, c.rate);
    }
}

} // namespace
