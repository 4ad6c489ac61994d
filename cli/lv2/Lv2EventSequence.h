#pragma once
// The atom:Sequence a host writes into a plug-in's event port for one block:
// MIDI messages and time:Position objects at their frames. The validator also
// writes broken ones on purpose (an event's size or the sequence's own size
// that lies), since hosts with bugs send them and a plug-in must survive them.

#include "lv2/Lv2UridMap.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace tessarine::host {

// A time:Position object's properties, each one optional.
struct Lv2Position {
    std::optional<float> bpm;
    std::optional<double> beat;
    std::optional<float> barBeat;
    std::optional<std::int64_t> bar;
    std::optional<float> beatsPerBar;
    std::optional<std::int32_t> beatUnit;
    std::optional<float> speed;
};

class Lv2EventSequence {
public:
    // capacity: bytes of events one block may hold.
    explicit Lv2EventSequence(Lv2UridMap& uris, std::size_t capacity = 65536);
    // The forge writes into this sequence's own storage.
    Lv2EventSequence(const Lv2EventSequence&) = delete;
    Lv2EventSequence& operator=(const Lv2EventSequence&) = delete;

    void clear();
    // False when the sequence is full and the event was left out.
    bool midi(std::int64_t frame, const std::vector<std::uint8_t>& bytes);
    bool position(std::int64_t frame, const Lv2Position& position);
    // One event header with a body size that may lie, and the bytes that follow.
    bool raw(std::int64_t frame, std::uint32_t type, std::uint32_t claimedSize, const std::vector<std::uint8_t>& body);
    // Overrides the sequence's own size (the host's word on how much follows).
    void claimSize(std::uint32_t size) { claimedSize_ = size; }
    LV2_Atom_Sequence* atom();

private:
    Lv2UridMap& uris_;
    LV2_URID midiEvent_;
    std::vector<std::uint64_t> storage_;
    LV2_Atom_Forge forge_{};
    LV2_Atom_Forge_Frame frame_{};
    std::int64_t claimedSize_ = -1;
};

} // namespace tessarine::host
