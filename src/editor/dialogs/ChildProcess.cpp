#include "editor/dialogs/ChildProcess.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tessarine {

ChildResult runChildProcess(const std::vector<std::string>& argv, std::size_t outputLimit)
{
    ChildResult result;
    if (argv.empty()) {
        return result;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);

    // Close-on-exec, so no other child of the host inherits our end.
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return result;
    }
    result.started = true;

    // Read to the end even past the limit, so the child never blocks on a full pipe.
    char chunk[4096];
    for (;;) {
        ssize_t got = read(pipeFds[0], chunk, sizeof(chunk));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        std::size_t room = outputLimit - result.output.size();
        std::size_t take = static_cast<std::size_t>(got) < room ? static_cast<std::size_t>(got) : room;
        result.output.append(chunk, take);
        result.truncated = result.truncated || take < static_cast<std::size_t>(got);
    }
    close(pipeFds[0]);

    int status = 0;
    pid_t waited = 0;
    do {
        waited = waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited == pid && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    return result;
}

std::string findInPath(const char* program)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr || program == nullptr || *program == '\0') {
        return {};
    }
    std::string_view rest(path);
    while (true) {
        std::size_t colon = rest.find(':');
        std::string_view folder = rest.substr(0, colon);
        if (!folder.empty()) {
            std::string candidate = std::string(folder) + "/" + program;
            if (access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        if (colon == std::string_view::npos) {
            return {};
        }
        rest.remove_prefix(colon + 1);
    }
}

} // namespace tessarine
