#pragma once
// `tessarine make-preset`: writes a harmonic preset (.t9h) or a noise preset
// (.t9n), the kind chosen by the output's extension, with the plug-in's own
// preset writer. The record comes either from a layer of a voice file
// (--from) or is drawn from a named shape:
//   harmonic shapes: saw, square, triangle, odd (odd harmonics falling
//   gently, a hollow reed), pulse (a quarter-period pulse), organ (drawbar
//   partials 1, 2, 3, 4, 6 and 8);
//   noise shapes: white, breath (a soft band around 1.5 kHz), hiss (above
//   6 kHz), formant (peaks at the --formants frequencies, a whispered vowel).
// Drawn presets last --length seconds with a short attack and release.

#include "commands/Command.h"
#include <ostream>
#include <string>
#include <vector>

namespace tessarine::host {

struct MakePresetOptions {
    std::string outputPath;
    std::string voicePath; // --from
    int multisample = 0;
    int layer = 1;
    std::string shape;     // or a drawn shape
    std::vector<double> formants; // Hz, for the formant noise shape
    double length = 2.0;   // seconds, for drawn shapes
};

// Returns 0 with the file written, or 1 with one line on err; nothing is
// written then.
int runMakePreset(const MakePresetOptions& options, std::ostream& err);

extern const Command kMakePresetCommand;

} // namespace tessarine::host
