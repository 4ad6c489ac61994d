#pragma once
// Runs a desktop tool (a file dialog) as a child process, without a shell, and
// collects what it prints. The caller's thread waits until the tool ends, as it
// would for a dialog of its own.

#include <cstddef>
#include <string>
#include <vector>

namespace tessarine {

struct ChildResult {
    bool started = false;
    // The exit code, or -1 when the tool did not exit normally.
    int exitCode = -1;
    std::string output;
    // More than the output limit was printed; output holds the first part only.
    bool truncated = false;
};

// argv[0] is looked up in PATH. The child reads nothing (stdin is /dev/null) and
// its messages go nowhere (stderr is /dev/null); stdout is kept up to outputLimit.
ChildResult runChildProcess(const std::vector<std::string>& argv, std::size_t outputLimit);

// The full path of an executable found in PATH, or empty.
std::string findInPath(const char* program);

} // namespace tessarine
