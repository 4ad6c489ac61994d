#pragma once
// A JACK server of the test's own (the dummy backend, 48 kHz, periods of 512)
// under a name no other test uses, and the programs the tests start on it.
// The name reaches every program through JACK_DEFAULT_SERVER, which the
// server set-up puts into this test process's environment.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace apptest {

// A program started in the background, ended (SIGKILL) if still running when it goes.
class ChildProcess {
public:
    ChildProcess() = default;
    // outputPath: where its stdout and stderr go ("" for /dev/null).
    ChildProcess(const std::vector<std::string>& arguments, const std::string& outputPath)
    {
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const char* output = outputPath.empty() ? "/dev/null" : outputPath.c_str();
        posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ChildProcess(ChildProcess&& other) noexcept : pid_(other.pid_) { other.pid_ = -1; }
    ChildProcess& operator=(ChildProcess&& other) noexcept
    {
        std::swap(pid_, other.pid_);
        return *this;
    }

    bool started() const { return pid_ > 0; }
    bool running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }
    void signal(int number) const
    {
        if (pid_ > 0) {
            ::kill(pid_, number);
        }
    }
    // The exit status (as waitpid gives it), or -1 when it did not end in time
    // (it is then killed).
    int waitForExit(std::chrono::seconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (pid_ > 0) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return status;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
};

struct CommandOutput {
    int status = -1;
    std::string text;
};

// Runs a shell command line and collects its output (stderr joined).
inline CommandOutput runCommand(const std::string& command)
{
    CommandOutput result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) {
        result.text += chunk.data();
    }
    result.status = ::pclose(pipe);
    return result;
}

// Waits until jack_lsp lists every port named.
inline bool waitForPorts(const std::vector<std::string>& ports, std::chrono::seconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string listed = runCommand("jack_lsp").text;
        bool all = true;
        for (const std::string& port : ports) {
            all = all && listed.find(port + "\n") != std::string::npos;
        }
        if (all) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

class PrivateJackServer {
public:
    // Starts the server and waits until it takes clients; a failure to start
    // fails the test with the server's own words (CI has jackd: no skipping).
    explicit PrivateJackServer(const std::string& logPath)
    {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        name_ = "tessarine-" + std::to_string(::getpid()) + "-" + test->name();
        ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        ::setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        server_ = ChildProcess({"jackd", "-n", name_, "--no-realtime", "-d", "dummy", "-r", "48000", "-p", "512"},
                               logPath);
        up_ = server_.started() && runCommand("jack_wait -w -t 20").status == 0;
        if (!up_) {
            ADD_FAILURE() << "the private JACK server \"" << name_ << "\" did not start; its log " << logPath << ":\n"
                          << runCommand("cat '" + logPath + "'").text;
        }
    }
    ~PrivateJackServer()
    {
        server_.signal(SIGTERM);
        server_.waitForExit(std::chrono::seconds(10));
    }

    bool up() const { return up_; }

private:
    std::string name_;
    ChildProcess server_;
    bool up_ = false;
};

} // namespace apptest
