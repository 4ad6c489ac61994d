#include "params/NoteFrequencyTable.h"

#include <cstdio>

namespace tessarine {

namespace {
int clampKey(int key) { return key < 0 ? 0 : (key >= kKeyCount ? kKeyCount - 1 : key); }
} // namespace

NoteFrequencyTable::NoteFrequencyTable()
{
    // Repeated multiplication in double precision, exactly as stored sounds were tuned.
    double f = 8.175798915636872;
    for (int key = 0; key < kKeyCount; ++key) {
        frequencies_[static_cast<std::size_t>(key)] = static_cast<float>(f);
        f *= 1.059463094359;
    }
    static const char* const notes[12] = {"C ", "C#", "D ", "D#", "E ", "F ", "F#", "G ", "G#", "A ", "A#", "B "};
    for (int key = 0; key < kKeyCount; ++key) {
        auto& name = names_[static_cast<std::size_t>(key)];
        int octave = key / 12 - 1;
        if (octave < 0) {
            std::snprintf(name.data(), name.size(), "%sN", notes[key % 12]);
        } else {
            std::snprintf(name.data(), name.size(), "%s%d", notes[key % 12], octave);
        }
    }
}

float NoteFrequencyTable::frequency(int key) const { return frequencies_[static_cast<std::size_t>(clampKey(key))]; }

const char* NoteFrequencyTable::name(int key) const { return names_[static_cast<std::size_t>(clampKey(key))].data(); }

const NoteFrequencyTable& noteFrequencyTable()
{
    static const NoteFrequencyTable table;
    return table;
}

} // namespace tessarine
