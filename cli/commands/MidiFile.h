#pragma once
// A Standard MIDI File reader for the command-line host: formats 0 and 1, the
// tempo map honoured, every track merged into one time-ordered list of channel
// messages. Every read is bounded by the file's size; a malformed file is
// refused with one line naming the fault and the byte where it was found.

#include <cstdint>
#include <string>
#include <vector>

namespace tessarine::host {

struct MidiFileEvent {
    double seconds;      // from the start of the file
    double quarterNotes; // position in beats, for the host's time record
    std::uint8_t bytes[3];
};

struct TempoChange {
    double seconds;
    double bpm;
};

struct MidiSequence {
    std::vector<MidiFileEvent> events; // channel messages only, in time order
    std::vector<TempoChange> tempos;   // at least one entry, at 0 s
};

// Parses data; on failure returns false and sets error.
bool parseMidiFile(const std::uint8_t* data, std::size_t size, MidiSequence& sequence, std::string& error);

// Reads and parses the file at path.
bool readMidiFile(const std::string& path, MidiSequence& sequence, std::string& error);

// The tempo in force at a time, in beats per minute.
double tempoAt(const MidiSequence& sequence, double seconds);

} // namespace tessarine::host
