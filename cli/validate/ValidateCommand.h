#pragma once
// tessarine validate: runs the validator's checks on any VST 2, CLAP or LV2
// instrument and reports one line per check, the speed figures and a summary.

#include "commands/Command.h"
#include <cstdint>
#include <ostream>
#include <string>

namespace tessarine::host {

struct ValidateOptions {
    std::string pluginPath;
    // "vst", "clap", "lv2" or "auto": CLAP for a file named *.clap, LV2 for a
    // folder named *.lv2, VST 2 otherwise.
    std::string format = "auto";
    // The plug-in of an LV2 bundle that holds several.
    std::string uri;
    int level = 2;
    std::uint32_t seed = 1;
    bool json = false;
    // The interface's text limits and no allocation on the audio thread, for
    // any plug-in; always so for Tessarine itself.
    bool strict = false;
    // Run every check group in this process instead of one child each (for debuggers).
    bool inProcess = false;
};

// Exit status: 0 when every check passed or was skipped, 1 otherwise.
int runValidate(const ValidateOptions& options, std::ostream& out, std::ostream& err);

extern const Command kValidateCommand;

} // namespace tessarine::host
