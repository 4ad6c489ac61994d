#pragma once
// Where an imported sound's fundamental comes from: the note in the file's
// header, else a note written at the end of the file name (sample libraries
// name their files "violin_a_2x.wav"), else the pitch estimate.

#include "analysis/SampleBuffer.h"

#include <string_view>

namespace tessarine {

enum class PitchSource {
    Header,    // the header's base note
    FileName,  // the name's letter, separator and octave digit
    Estimate,  // estimatePitch on the samples
    Unpitched, // a header note outside 0..127: analysed as noise
};

struct Fundamental {
    double f0 = 0.0; // Hz; 0 when the sound is analysed as noise
    PitchSource source = PitchSource::Estimate;
};

// The f0 named by a path ending in letter, separator, digit and five more
// characters ("a_2x.wav" gives 110 Hz): a letter a..g in either case, a
// separator "_", "#" or " " (a "#" is a sharp: "a#3x.wav" is A#3) and an
// octave digit. 0 when the path does not end that way (so "a#3.wav", with
// no character between the digit and the extension, is not read).
double pitchFromFileName(std::string_view path);

// The fundamental of a trimmed, normalised and cut sound imported from path.
Fundamental chooseFundamental(const SampleBuffer& buffer, std::string_view path);

// Text for summaries: "header", "file name", "estimate", "none".
const char* describe(PitchSource source);

} // namespace tessarine
