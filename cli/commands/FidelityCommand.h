#pragma once
// `tessarine fidelity`: how faithfully a voice plays back the note it was
// analysed from. Each recording is analysed as `analyse` does it (its pitch
// estimated, the root withheld), played back through the plug-in on the
// analysed pitch with a neutral instrument (the voice in slot A alone, no
// filter, effect, modulation or envelope shape), and the two are compared
// (FidelityFigures) against a pitch reference the analysis never saw: a
// sidecar FILE.json ({"f0": Hz, "pitched": true|false, "content": "..."})
// written with the material, or the recording's own measured period.

#include "commands/Command.h"
#include <ostream>
#include <string>
#include <vector>

namespace tessarine::host {

struct FidelityOptions {
    std::vector<std::string> inputs;
    std::string pluginPath;
    std::string jsonPath; // empty: no JSON report
    bool trustRoot = false; // analyse at the reference pitch instead of estimating it
    int jobs = 0;           // recordings at once; 0: one per processor core
};

// Prints the table and summary to out and returns 0; or one line to err and
// returns 1 (an unreadable recording or sidecar, no plug-in, a failed render).
int runFidelity(const FidelityOptions& options, std::ostream& out, std::ostream& err);

extern const Command kFidelityCommand;

} // namespace tessarine::host
