#include "app/JackTransport.h"

#include <cmath>

namespace tessarine::app {

bool transportFromPosition(const jack_position_t& position, bool withBar, HostTransport& transport)
{
    if ((position.valid & JackPositionBBT) == 0) {
        return false;
    }
    const double beatsPerBar = position.beats_per_bar;
    const double beatType = position.beat_type;
    const double ticksPerBeat = position.ticks_per_beat;
    const double tempo = position.beats_per_minute;
    if (!(beatsPerBar > 0.0) || !(beatType > 0.0) || !(ticksPerBeat > 0.0) || !(tempo > 0.0)
        || !std::isfinite(beatsPerBar + beatType + ticksPerBeat + tempo) || position.bar < 1 || position.beat < 1) {
        return false;
    }
    // A beat of the signature lasts 4 / beatType quarter notes, and the
    // tempo counts those beats.
    const double quartersPerBeat = 4.0 / beatType;
    const double barStartBeats = static_cast<double>(position.bar - 1) * beatsPerBar;
    const double beats = barStartBeats + static_cast<double>(position.beat - 1)
        + static_cast<double>(position.tick) / ticksPerBeat;
    transport.tempo = tempo * quartersPerBeat;
    transport.ppqPosition = beats * quartersPerBeat;
    if (withBar) {
        transport.barStart = barStartBeats * quartersPerBeat;
    }
    return true;
}

} // namespace tessarine::app
