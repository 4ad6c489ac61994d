#pragma once
// `tessarine make-instrument`: turns an instrument recipe, a short text that
// names the voices of slots A to D and the parameter values by name, into an
// instrument file (.t9i) with the plug-in's own writer. The factory library's
// instruments are built this way, so what they hold is reviewable text.
//
// Recipe lines (blank lines and lines starting with # are ignored):
//   A = Strings/Cello              voice of a slot: VOICES/Strings/Cello.t9v
//   A loop = 0.4 1.2               the slot's loop start and end in seconds
//   A cutoff = 0.6                 the slot's brightness cutoff, 0..1
//   Stretch = 0.5                  a parameter by its name (or index), 0..1;
//                                  ModSource/ModTarget rows take whole numbers
//   curve harmonic-x = 0:0.2 2:0.8 a curve as time:value points: harmonic-x,
//                                  harmonic-y, noise-x, noise-y, amplitude-x,
//                                  amplitude-y, mod-envelope, spectral-shape
// Parameters not named keep their start values. Every slot needs a voice.

#include "commands/Command.h"
#include <ostream>
#include <string>

namespace tessarine::host {

struct MakeInstrumentOptions {
    std::string recipePath;
    std::string voicesFolder; // voice names in the recipe are relative to it
    std::string outputPath;
};

// Returns 0 with the file written, or 1 with one line on err naming the recipe
// line at fault; nothing is written then (an existing file stays as it was).
int runMakeInstrument(const MakeInstrumentOptions& options, std::ostream& err);

extern const Command kMakeInstrumentCommand;

} // namespace tessarine::host
