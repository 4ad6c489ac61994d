#pragma once
// Runs a shell line or the built command-line host and collects what it says.

#include <array>
#include <cstdio>
#include <string>

namespace tessarine::test {

struct CommandResult {
    int status;
    std::string output;
};

// A shell command line's exit status and what it printed on its stdout.
inline CommandResult runShell(const std::string& line)
{
    CommandResult result{-1, {}};
    FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) {
        result.output += chunk.data();
    }
    result.status = pclose(pipe);
    return result;
}

// streams: the shell redirections after the arguments (stderr joined by default).
inline CommandResult runCli(const std::string& arguments, const char* streams = " 2>&1")
{
    return runShell(std::string(TESSARINE_CLI_PATH) + " " + arguments + streams);
}

} // namespace tessarine::test
