#include "lv2/Lv2EventSequence.h"

#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

namespace tessarine::host {

Lv2EventSequence::Lv2EventSequence(Lv2UridMap& uris, std::size_t capacity)
    : uris_(uris), midiEvent_(uris.map(LV2_MIDI__MidiEvent)), storage_((capacity + 7) / 8 + 2)
{
    lv2_atom_forge_init(&forge_, uris.feature());
    clear();
}

void Lv2EventSequence::clear()
{
    lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<std::uint8_t*>(storage_.data()),
                              storage_.size() * sizeof(std::uint64_t));
    lv2_atom_forge_sequence_head(&forge_, &frame_, 0);
    claimedSize_ = -1;
}

bool Lv2EventSequence::raw(std::int64_t frame, std::uint32_t type, std::uint32_t claimedSize,
                           const std::vector<std::uint8_t>& body)
{
    if (lv2_atom_forge_frame_time(&forge_, frame) == 0 || lv2_atom_forge_atom(&forge_, claimedSize, type) == 0) {
        return false;
    }
    // An empty body writes nothing, and the forge must not be handed its null data.
    return body.empty() || lv2_atom_forge_write(&forge_, body.data(), static_cast<std::uint32_t>(body.size())) != 0;
}

bool Lv2EventSequence::midi(std::int64_t frame, const std::vector<std::uint8_t>& bytes)
{
    return raw(frame, midiEvent_, static_cast<std::uint32_t>(bytes.size()), bytes);
}

bool Lv2EventSequence::position(std::int64_t frame, const Lv2Position& p)
{
    if (lv2_atom_forge_frame_time(&forge_, frame) == 0) {
        return false;
    }
    LV2_Atom_Forge_Frame object;
    if (lv2_atom_forge_object(&forge_, &object, 0, uris_.map(LV2_TIME__Position)) == 0) {
        return false;
    }
    bool written = true;
    auto put = [&](const char* uri, bool present, auto write) {
        if (present && written) {
            written = lv2_atom_forge_key(&forge_, uris_.map(uri)) != 0 && write() != 0;
        }
    };
    put(LV2_TIME__beatsPerMinute, p.bpm.has_value(), [&] { return lv2_atom_forge_float(&forge_, *p.bpm); });
    put(LV2_TIME__beat, p.beat.has_value(), [&] { return lv2_atom_forge_double(&forge_, *p.beat); });
    put(LV2_TIME__barBeat, p.barBeat.has_value(), [&] { return lv2_atom_forge_float(&forge_, *p.barBeat); });
    put(LV2_TIME__bar, p.bar.has_value(), [&] { return lv2_atom_forge_long(&forge_, *p.bar); });
    put(LV2_TIME__beatsPerBar, p.beatsPerBar.has_value(), [&] { return lv2_atom_forge_float(&forge_, *p.beatsPerBar); });
    put(LV2_TIME__beatUnit, p.beatUnit.has_value(), [&] { return lv2_atom_forge_int(&forge_, *p.beatUnit); });
    put(LV2_TIME__speed, p.speed.has_value(), [&] { return lv2_atom_forge_float(&forge_, *p.speed); });
    lv2_atom_forge_pop(&forge_, &object);
    return written;
}

LV2_Atom_Sequence* Lv2EventSequence::atom()
{
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(storage_.data());
    if (claimedSize_ >= 0) {
        sequence->atom.size = static_cast<std::uint32_t>(claimedSize_);
    }
    return sequence;
}

} // namespace tessarine::host
