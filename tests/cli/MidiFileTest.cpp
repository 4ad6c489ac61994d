// Standard MIDI File reading: timing through the tempo map, track merging,
// running status, and clean refusal of every malformed file.

#include "commands/MidiFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using tessarine::host::MidiSequence;
using tessarine::host::parseMidiFile;
using Bytes = std::vector<std::uint8_t>;

void append(Bytes& out, std::initializer_list<int> bytes)
{
    for (int b : bytes) {
        out.push_back(static_cast<std::uint8_t>(b));
    }
}

void appendChunk(Bytes& out, const char* tag, const Bytes& body)
{
    append(out, {tag[0], tag[1], tag[2], tag[3]});
    auto n = static_cast<std::uint32_t>(body.size());
    append(out, {int(n >> 24), int((n >> 16) & 0xFF), int((n >> 8) & 0xFF), int(n & 0xFF)});
    out.insert(out.end(), body.begin(), body.end());
}

Bytes smf(int format, const std::vector<Bytes>& tracks, int division = 480)
{
    Bytes out;
    appendChunk(out, "MThd",
                Bytes{0, static_cast<std::uint8_t>(format), 0, static_cast<std::uint8_t>(tracks.size()),
                      static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division & 0xFF)});
    for (const Bytes& track : tracks) {
        appendChunk(out, "MTrk", track);
    }
    return out;
}

// Track 0: 120 bpm, note on at 0, tempo to 60 bpm at beat 1, note off (running
// status, velocity 0) at beat 2.
Bytes tempoTrack()
{
    Bytes t;
    append(t, {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}); // 500000 us per quarter
    append(t, {0x00, 0x90, 60, 100});
    append(t, {0x83, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}); // 480 ticks later: 1000000 us
    append(t, {0x83, 0x60, 60, 0});                              // running status
    append(t, {0x00, 0xFF, 0x2F, 0x00});
    return t;
}

TEST(MidiFile, TempoMapGivesSecondsAndBeatsAndTracksOfFormatOneAreMerged)
{
    Bytes file = smf(0, {tempoTrack()});
    MidiSequence sequence;
    std::string error;
    ASSERT_TRUE(parseMidiFile(file.data(), file.size(), sequence, error)) << error;
    ASSERT_EQ(sequence.events.size(), 2u);
    EXPECT_DOUBLE_EQ(sequence.events[0].seconds, 0.0);
    EXPECT_DOUBLE_EQ(sequence.events[1].seconds, 0.5 + 1.0) << "one beat at 120, one at 60";
    EXPECT_DOUBLE_EQ(sequence.events[1].quarterNotes, 2.0);
    EXPECT_EQ(sequence.events[1].bytes[0], 0x90);
    EXPECT_EQ(sequence.events[1].bytes[2], 0);
    EXPECT_DOUBLE_EQ(tessarine::host::tempoAt(sequence, 0.2), 120.0);
    EXPECT_DOUBLE_EQ(tessarine::host::tempoAt(sequence, 0.7), 60.0);

    const Bytes second = {0x81, 0x70, 0xC0, 5,          // program change at tick 240 (one data byte)
                          0x00, 0xF0, 0x02, 0x43, 0xF7, // system exclusive is skipped
                          0x00, 0xB1, 7, 90, 0x00, 0xFF, 0x2F, 0x00};
    file = smf(1, {tempoTrack(), second});
    ASSERT_TRUE(parseMidiFile(file.data(), file.size(), sequence, error)) << error;
    ASSERT_EQ(sequence.events.size(), 4u);
    EXPECT_EQ(sequence.events[1].bytes[0], 0xC0);
    EXPECT_DOUBLE_EQ(sequence.events[1].seconds, 0.25);
    EXPECT_EQ(sequence.events[2].bytes[0], 0xB1);
    EXPECT_EQ(sequence.events[3].bytes[0], 0x90);
}

TEST(MidiFile, RefusesMalformedFilesCleanly)
{
    struct Case { Bytes file; const char* reason; };
    std::vector<Case> cases = {
        {Bytes{'R', 'I', 'F', 'F'}, "not a Standard MIDI File"},
        {smf(2, {tempoTrack()}), "format 2"},
        {smf(0, {tempoTrack()}, 0), "division of 0"},
        {smf(0, {{0x00, 60, 100}}), "without a status"},
        {smf(0, {{0xFF, 0xFF, 0xFF, 0xFF, 0x7F}}), "bad delta time"},
    };
    // Every truncation and random corruption reads or fails, never beyond the
    // data; what reads is what a player can send, and every refusal says why.
    const Bytes whole = smf(1, {tempoTrack(), tempoTrack()});
    for (std::size_t length = 0; length < whole.size(); ++length) {
        cases.push_back({Bytes(whole.begin(), whole.begin() + static_cast<long>(length)), ""});
    }
    for (const Case& c : cases) {
        MidiSequence sequence;
        std::string error;
        EXPECT_FALSE(parseMidiFile(c.file.data(), c.file.size(), sequence, error)) << c.file.size() << " bytes";
        EXPECT_FALSE(error.empty()) << c.file.size() << " bytes";
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    std::mt19937 random(7);
    int accepted = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        Bytes flipped = whole;
        for (int flips = 0; flips < 3; ++flips) {
            flipped[random() % flipped.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        }
        MidiSequence sequence;
        std::string error;
        if (!parseMidiFile(flipped.data(), flipped.size(), sequence, error)) {
            ASSERT_FALSE(error.empty()) << "trial " << trial;
            continue;
        }
        ++accepted;
        ASSERT_FALSE(sequence.tempos.empty()) << "trial " << trial;
        EXPECT_EQ(sequence.tempos[0].seconds, 0.0) << "trial " << trial;
        for (std::size_t i = 0; i < sequence.events.size(); ++i) {
            const auto& e = sequence.events[i];
            ASSERT_TRUE(e.bytes[0] >= 0x80 && e.bytes[0] < 0xF0) << "a channel message, trial " << trial;
            ASSERT_TRUE(e.bytes[1] < 0x80 && e.bytes[2] < 0x80) << "data bytes, trial " << trial;
            if (i > 0) {
                ASSERT_GE(e.seconds, sequence.events[i - 1].seconds) << "in time order, trial " << trial;
                ASSERT_GE(e.quarterNotes, sequence.events[i - 1].quarterNotes) << "trial " << trial;
            }
        }
    }
    EXPECT_GT(accepted, 200) << "about one in six: flips in note data and delta times still read";
}

} // namespace
