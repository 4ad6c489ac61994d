#pragma once
// A program the test starts in the background and signals or waits for.

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace tessarine::test {

// A program in the background, its stdout and stderr in outputPath. If still
// running when it goes, it is asked to stop and killed only if it will not: a
// JACK client killed outright holds its server up for a whole client timeout.
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
        // Whatever the test inherited, the program starts with every signal's default action.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigfillset(&defaults);
        sigdelset(&defaults, SIGKILL);
        sigdelset(&defaults, SIGSTOP);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        if (posix_spawnp(&pid_, argv[0], &actions, &attributes, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess()
    {
        signal(SIGTERM);
        if (waitForExit(std::chrono::seconds(10)) == -1) {
            signal(SIGKILL);
            waitForExit(std::chrono::seconds(10));
        }
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

} // namespace tessarine::test
