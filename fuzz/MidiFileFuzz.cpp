// Fuzz target for the command-line host's MIDI file reader: any bytes must be
// refused with a message or give channel messages in time order at finite,
// non-negative times, with a tempo map that starts at 0 s. Built as a
// libFuzzer target with clang, and replayed over its seed corpus by the test
// suite.

#include "FuzzOutcome.h"
#include "commands/MidiFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tessarine::host::MidiSequence sequence;
    std::string error;
    const bool parsed = tessarine::host::parseMidiFile(data, size, sequence, error);
    tessarine::fuzz::noteLoaded(parsed);
    if (!parsed) {
        if (error.empty()) {
            std::abort(); // every refusal says why
        }
        return 0;
    }
    if (sequence.tempos.empty() || sequence.tempos.front().seconds != 0.0) {
        std::abort();
    }
    for (const auto& tempo : sequence.tempos) {
        if (!(tempo.bpm > 0.0) || !std::isfinite(tempo.bpm) || !std::isfinite(tempo.seconds)) {
            std::abort();
        }
    }
    double seconds = 0.0;
    double quarters = 0.0;
    for (const auto& event : sequence.events) {
        if (!std::isfinite(event.seconds) || event.seconds < seconds || !std::isfinite(event.quarterNotes) ||
            event.quarterNotes < quarters || event.bytes[0] < 0x80 || event.bytes[0] >= 0xF0 ||
            event.bytes[1] > 0x7F || event.bytes[2] > 0x7F) {
            std::abort();
        }
        seconds = event.seconds;
        quarters = event.quarterNotes;
    }
    if (!std::isfinite(tessarine::host::tempoAt(sequence, seconds))) {
        std::abort();
    }
    return 0;
}
