#pragma once
// `tessarine random-instrument`: asks the plug-in, through its library
// request, for a random instrument of a category (random voices from the
// library, then the category's parameter draws) and saves it.

#include "commands/Command.h"
#include <ostream>
#include <string>

namespace tessarine::host {

struct RandomInstrumentOptions {
    std::string pluginPath;
    std::string category;
    std::string root;      // empty: the library beside the plug-in
    long long seed = -1;   // below 0: the plug-in's own seeding
    std::string outputPath;
};

// Prints which voice went into each slot and returns 0, or one line on err and 1.
int runRandomInstrument(const RandomInstrumentOptions& options, std::ostream& out, std::ostream& err);

extern const Command kRandomInstrumentCommand;

} // namespace tessarine::host
