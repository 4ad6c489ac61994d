#pragma once
// `tessarine instrument-info`: reads an instrument file with the plug-in's own
// reader and summarises it (name, version, the parameters that differ from
// their start values with the editor's text for each, the four slots' voices,
// and the point count of every instrument curve), or says in one line why it
// cannot be read.

#include "commands/Command.h"
#include <ostream>
#include <string>

namespace tessarine::host {

// Prints the summary to out and returns 0, or prints one line to err and
// returns 1.
int runInstrumentInfo(const std::string& path, bool json, std::ostream& out, std::ostream& err);

extern const Command kInstrumentInfoCommand;

} // namespace tessarine::host
