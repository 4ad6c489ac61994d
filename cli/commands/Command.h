#pragma once
// One command of the tessarine tool, as its own file declares it: the name
// typed, the line the help shows, and how it sets up its options. setUp adds
// the options to the command's own parser and returns what runs the command
// once the line is parsed, with its exit status.

#include <functional>
#include <string>

namespace CLI {
class App;
}

namespace tessarine::host {

struct Command {
    using Run = std::function<int()>;
    const char* name;
    const char* usage;
    // defaultPlugin: the plug-in built and installed beside the tool.
    Run (*setUp)(CLI::App& command, const std::string& defaultPlugin);
};

} // namespace tessarine::host
