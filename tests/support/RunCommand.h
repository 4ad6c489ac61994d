#pragma once
// Runs the built command-line host with arguments and collects what it says.

#include <array>
#include <cstdio>
#include <string>

namespace tessarine::test {

struct CommandResult {
    int status;
    std::string output;
};

// streams: the shell redirections after the arguments (stderr joined by default).
inline CommandResult runCli(const std::string& arguments, const char* streams = " 2>&1")
{
    CommandResult result{-1, {}};
    FILE* pipe = popen((std::string(TESSARINE_CLI_PATH) + " " + arguments + streams).c_str(), "r");
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

} // namespace tessarine::test
