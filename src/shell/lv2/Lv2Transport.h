#pragma once
// The host's transport as LV2 hosts send it: time:Position objects in the
// event sequence, at the frame where something changed (many hosts send one
// only then). Between objects the play position moves on at the last tempo and
// speed, so tempo-synced effects keep their phase. Audio thread only.

#include "core/CoreHost.h"

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstdint>

namespace tessarine::lv2 {

class Lv2Transport {
public:
    // Maps the URIs it reads; main thread, at instantiation.
    void mapUris(const LV2_URID_Map& map);

    // Reads one object's body of size bytes (bounded: a property that does not
    // fit ends the walk). Objects of another type are ignored. frameOffset is
    // where in the coming block the object stands; the position is taken back
    // to the block's start.
    void read(const LV2_Atom_Object_Body& body, std::uint32_t size, int frameOffset, double sampleRate);
    // The block of frames has played.
    void advance(int frames, double sampleRate);

    // False until a host sent a tempo or a position.
    bool known() const { return known_; }
    // Tempo in quarter notes per minute, positions in quarter notes.
    void fill(HostTransport& transport, bool withBar) const;

private:
    double quartersPerBeat() const { return 4.0 / beatUnit_; }

    struct Uris {
        LV2_URID position = 0, bar = 0, barBeat = 0, beat = 0, beatUnit = 0, beatsPerBar = 0, beatsPerMinute = 0,
                 speed = 0, atomFloat = 0, atomDouble = 0, atomInt = 0, atomLong = 0;
    } uris_;
    bool known_ = false;
    bool barKnown_ = false;
    double tempo_ = 120.0;   // beats per minute, in the host's beat unit
    double beat_ = 0.0;      // beats since the song's start, at the block's start
    double barBeat_ = 0.0;   // beats since the current bar's start
    double beatsPerBar_ = 4.0;
    double beatUnit_ = 4.0;
    double speed_ = 0.0;     // 1 while playing, 0 while stopped
};

} // namespace tessarine::lv2
