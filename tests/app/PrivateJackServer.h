#pragma once
// A JACK server of the test's own (the dummy backend, 48 kHz, periods of 512)
// under a name no other test uses, and the programs a test starts on it. The
// name reaches every program through JACK_DEFAULT_SERVER in this process's environment.

#include "support/ChildProcess.h"
#include "support/RunCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace apptest {

using tessarine::test::ChildProcess;

// A shell command line's exit status and its output, stderr joined.
inline tessarine::test::CommandResult runCommand(const std::string& command)
{
    return tessarine::test::runShell(command + " 2>&1");
}

// Waits until jack_lsp lists every port named.
inline bool waitForPorts(const std::vector<std::string>& ports)
{
    for (int attempt = 0; attempt < 300; ++attempt) {
        const std::string listed = runCommand("jack_lsp").output;
        if (std::all_of(ports.begin(), ports.end(),
                        [&](const std::string& port) { return listed.find(port + "\n") != std::string::npos; })) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

class PrivateJackServer {
public:
    // A server that does not start fails the test with its own words: CI has jackd, nothing is skipped.
    explicit PrivateJackServer(const std::string& logPath)
        : name_("tessarine-" + std::to_string(::getpid()) + "-"
                + testing::UnitTest::GetInstance()->current_test_info()->name()),
          server_(serverCommand(name_), logPath)
    {
        up_ = server_.started() && runCommand("jack_wait -w -t 20").status == 0;
        if (!up_) {
            ADD_FAILURE() << "the private JACK server " << name_ << " did not start:\n"
                          << runCommand("cat '" + logPath + "'").output;
        }
    }
    ~PrivateJackServer()
    {
        server_.signal(SIGTERM);
        server_.waitForExit(std::chrono::seconds(10));
    }

    bool up() const { return up_; }

private:
    static std::vector<std::string> serverCommand(const std::string& name)
    {
        ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        return {"jackd", "-n", name, "--no-realtime", "-d", "dummy", "-r", "48000", "-p", "512"};
    }

    std::string name_;
    ChildProcess server_;
    bool up_ = false;
};

} // namespace apptest
