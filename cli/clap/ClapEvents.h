#pragma once
// The events a CLAP host hands a plug-in, filled the one way every caller
// needs: the validator's scenarios and the tests alike.

#include <clap/events.h>

#include <cstdint>

namespace tessarine::host {

inline clap_event_note_t clapNoteEvent(std::uint16_t type, std::uint32_t time, int key, double velocity,
                                       int channel = 0, int noteId = -1)
{
    clap_event_note_t event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    event.note_id = noteId;
    event.port_index = 0;
    event.channel = static_cast<std::int16_t>(channel);
    event.key = static_cast<std::int16_t>(key);
    event.velocity = velocity;
    return event;
}

// A value for every note, port, channel and key of the parameter.
inline clap_event_param_value_t clapValueEvent(std::uint32_t time, clap_id id, double value, void* cookie = nullptr)
{
    clap_event_param_value_t event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = id;
    event.cookie = cookie;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    return event;
}

inline clap_event_midi_t clapMidiEvent(std::uint32_t time, std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    clap_event_midi_t event{};
    event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
    event.port_index = 0;
    event.data[0] = status;
    event.data[1] = data1;
    event.data[2] = data2;
    return event;
}

} // namespace tessarine::host
