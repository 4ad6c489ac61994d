#pragma once
// `tessarine analyse`: analyses sound files with the plug-in's own analysis
// code into a voice file. One input fills one layer of a new voice (or of an
// existing one, --into); several inputs become the multisamples of a new
// voice, lowest fundamental first, analysed side by side on several threads
// into the same file a serial run writes.

#include "commands/Command.h"
#include <ostream>
#include <string>
#include <vector>

namespace tessarine::host {

struct AnalyseOptions {
    std::vector<std::string> inputs;
    std::string outputPath;
    std::string intoPath;   // empty: a new voice
    int multisample = 0;    // 0..7, for one input
    int layer = 1;          // 0..1; a single-layer voice keeps its sound in layer 1
    int rootNote = -1;      // 0..127 overrides header, file name and estimate
    std::string name;       // the voice's name; empty: from the file name
    int jobs = 0;           // sounds analysed at once; 0: one per processor core
};

// Prints one summary line per input to out and returns 0; or one line to err
// and returns 1, having written nothing. Progress goes to stderr.
int runAnalyse(const AnalyseOptions& options, std::ostream& out, std::ostream& err);

extern const Command kAnalyseCommand;

} // namespace tessarine::host
