// The instrument as a record in memory (the host's state chunk), written and
// loaded while the audio thread renders, as hosts save and reopen projects.

#include "engine/EngineTestVoice.h"
#include "engine/SynthEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <span>
#include <thread>
#include <vector>

namespace tessarine {
namespace {

// Run under ThreadSanitizer in CI: the host's saving thread writes records and
// loads them back while the audio thread plays notes and automates values.
TEST(InstrumentRecord, ConcurrentWritesAndLoadsWhileRendering)
{
    auto engine = std::make_unique<SynthEngine>();
    engine->setSampleRate(48000.0f);
    engine->setParameter(kStretch, 0.5f, true);
    ASSERT_TRUE(engine->loadVoice(0, test::steadyVoiceFile().c_str()));
    ASSERT_TRUE(engine->loadVoice(2, test::steadyVoiceFile().c_str()));

    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<float> left(256), right(256);
        for (int block = 0; !done || block < 40; ++block) {
            const std::uint8_t on[3] = {0x90, static_cast<std::uint8_t>(48 + block % 24), 100};
            const std::uint8_t off[3] = {0x80, static_cast<std::uint8_t>(48 + (block + 12) % 24), 0};
            engine->midiIn(on, block % 256);
            engine->midiIn(off, 10);
            engine->setParameter(kMorphHarmX, static_cast<float>(block % 10) / 10.0f, true);
            engine->render(left.data(), right.data(), 256);
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
}

} // namespace
} // namespace tessarine
