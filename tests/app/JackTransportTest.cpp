// JACK's bars, beats and ticks read as the instrument's quarter notes.

#include "app/JackTransport.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using tessarine::HostTransport;

jack_position_t bbt(int bar, int beat, int tick, float beatsPerBar, float beatType, double bpm)
{
    jack_position_t position{};
    position.valid = JackPositionBBT;
    position.bar = bar;
    position.beat = beat;
    position.tick = tick;
    position.beats_per_bar = beatsPerBar;
    position.beat_type = beatType;
    position.ticks_per_beat = 1920.0;
    position.beats_per_minute = bpm;
    return position;
}

TEST(JackTransport, CountsQuarterNotesFromZeroAndRefusesWhatNoTimebaseMeans)
{
    struct Case { jack_position_t position; double tempo, ppq, barStart; };
    const Case cases[] = {
        {bbt(1, 1, 0, 4, 4, 120), 120, 0.0, 0.0},
        {bbt(3, 2, 960, 4, 4, 90), 90, 9.5, 8.0},
        {bbt(2, 4, 0, 6, 8, 180), 90, 4.5, 3.0},  // 6/8: the tempo counts eighths
        {bbt(2, 1, 480, 3, 2, 60), 120, 6.5, 6.0}, // 3/2: and here halves
    };
    for (const Case& c : cases) {
        HostTransport transport;
        ASSERT_TRUE(tessarine::app::transportFromPosition(c.position, true, transport));
        EXPECT_DOUBLE_EQ(transport.tempo, c.tempo);
        EXPECT_DOUBLE_EQ(transport.ppqPosition, c.ppq);
        EXPECT_DOUBLE_EQ(transport.barStart, c.barStart);
    }

    jack_position_t timecodeOnly = bbt(2, 1, 0, 4, 4, 120);
    timecodeOnly.valid = JackPositionTimecode;
    jack_position_t noTicks = bbt(2, 1, 0, 4, 4, 120);
    noTicks.ticks_per_beat = 0.0;
    const jack_position_t refused[] = {
        timecodeOnly, noTicks, bbt(0, 1, 0, 4, 4, 120), bbt(1, 0, 0, 4, 4, 120), bbt(1, 1, 0, 0, 4, 120),
        bbt(1, 1, 0, 4, 0, 120), bbt(1, 1, 0, 4, 4, -60), bbt(1, 1, 0, 4, 4, std::numeric_limits<double>::infinity()),
        bbt(1, 1, 0, std::numeric_limits<float>::quiet_NaN(), 4, 120),
    };
    for (const jack_position_t& position : refused) {
        HostTransport transport;
        transport.tempo = 77.0;
        EXPECT_FALSE(tessarine::app::transportFromPosition(position, true, transport));
        EXPECT_EQ(transport.tempo, 77.0) << "a refused position leaves the transport as it was";
    }
}

} // namespace
