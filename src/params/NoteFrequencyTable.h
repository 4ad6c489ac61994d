#pragma once
// The 128 MIDI key frequencies and their names, shared by the engine, the
// analysis (which snaps a found pitch to a key) and the editor's keyboard.

#include <array>

namespace tessarine {

inline constexpr int kKeyCount = 128;

class NoteFrequencyTable {
public:
    NoteFrequencyTable();

    // Frequency of key 0..127 in Hz; keys outside are clamped to the table's ends.
    float frequency(int key) const;
    // Three characters: note, sharp or blank, octave ("C 4" for key 60, "A#N" below octave 0).
    const char* name(int key) const;

    const std::array<float, kKeyCount>& frequencies() const { return frequencies_; }

private:
    std::array<float, kKeyCount> frequencies_{};
    std::array<std::array<char, 4>, kKeyCount> names_{};
};

// One table for the whole process; built on first use, read-only afterwards.
const NoteFrequencyTable& noteFrequencyTable();

} // namespace tessarine
