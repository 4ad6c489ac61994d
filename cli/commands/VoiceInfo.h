#pragma once
// `tessarine voice-info`: reads a voice file with the plug-in's own reader and
// summarises it (name, version, loop, counts, cutoff, and per used layer its
// base pitch and frame counts), or says in one line why it cannot be read.

#include "commands/Command.h"
#include <ostream>
#include <string>

namespace tessarine::host {

// Prints the summary to out and returns 0, or prints one line to err and
// returns 1.
int runVoiceInfo(const std::string& path, bool json, std::ostream& out, std::ostream& err);

extern const Command kVoiceInfoCommand;

} // namespace tessarine::host
