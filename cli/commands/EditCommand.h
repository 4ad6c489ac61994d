#pragma once
// `tessarine edit`: the real plug-in's editor in a window of its own, driven
// as a host drives it, to try the editor without a DAW. Audio stays off.

#include "commands/Command.h"
#include <iosfwd>
#include <string>

namespace tessarine::host {

struct EditOptions {
    std::string pluginPath;
    // Close by itself after this many seconds; 0 waits for the window's close or Ctrl-C.
    double seconds = 0;
    // Report how long opening took and how much of a core the idle editor uses.
    bool measure = false;
};

int runEdit(const EditOptions& options, std::ostream& out, std::ostream& err);

extern const Command kEditCommand;

} // namespace tessarine::host
