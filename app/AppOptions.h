#pragma once
// What the musician asks of the application on its command line.

#include <cstdint>
#include <optional>
#include <string>

namespace tessarine::app {

struct AppOptions {
    bool headless = false;
    bool connect = false;
    std::string instrument; // "" for the last session or the library's start instrument
    std::optional<std::uint32_t> seed;
};

// Parses argv. Returns an exit code when the application should end at once
// (0 after --help, 1 after a one-line error on stderr), nothing to run on.
std::optional<int> parseOptions(int argc, char** argv, AppOptions& options);

} // namespace tessarine::app
