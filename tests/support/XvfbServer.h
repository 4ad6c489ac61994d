#pragma once
// A private X server for tests that need a display: Xvfb picks a free display
// number itself (-displayfd), so tests running side by side never share one.
// The test process's DISPLAY points at it while it lives.

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tessarine::test {

class XvfbServer {
public:
    // screen: width x height x depth; larger ones hold the editor at 200 %.
    explicit XvfbServer(const char* screen = "1024x768x24")
    {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (spawned != 0) {
            pid_ = 0;
            close(fds[0]);
            return;
        }
        // The server writes its display number once it accepts connections.
        std::string number;
        pollfd wait{fds[0], POLLIN, 0};
        char c = 0;
        while (::poll(&wait, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            return;
        }
        display_ = ":" + number;
        const char* previous = std::getenv("DISPLAY");
        previousDisplay_ = previous != nullptr ? previous : "";
        hadDisplay_ = previous != nullptr;
        setenv("DISPLAY", display_.c_str(), 1);
    }

    ~XvfbServer()
    {
        if (hadDisplay_) {
            setenv("DISPLAY", previousDisplay_.c_str(), 1);
        } else {
            unsetenv("DISPLAY");
        }
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }

    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return !display_.empty(); }
    // ":N", or empty when the server did not start (Xvfb missing).
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = 0;
    std::string display_;
    std::string previousDisplay_;
    bool hadDisplay_ = false;
};

} // namespace tessarine::test
