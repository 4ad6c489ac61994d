#pragma once
// A JACK server of the test's own (the dummy backend, 48 kHz, periods of 512)
// under a name no other test uses, and the programs a test starts on it. The
// name reaches every program through JACK_DEFAULT_SERVER in this process's environment.

#include "support/RunCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace apptest {

// A program in the background, its stdout and stderr in outputPath; killed if still running when it goes.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& arguments, const std::string& outputPath)
    {
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess()
    {
        signal(SIGKILL);
        waitForExit(std::chrono::seconds(10));
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    void signal(int number) const
    {
        if (pid_ > 0) {
            ::kill(pid_, number);
        }
    }
    // The exit status as waitpid gives it, or -1 when it did not end in time.
    int waitForExit(std::chrono::seconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (int status = 0; pid_ > 0 && std::chrono::steady_clock::now() < deadline;) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
};

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
