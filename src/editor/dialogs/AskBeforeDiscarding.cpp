#include "editor/dialogs/AskBeforeDiscarding.h"

#include "editor/dialogs/RecentFolders.h"
#include "editor/dialogs/TypedPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarine {

std::string AskBeforeDiscarding::defaultFile()
{
    return folderOf(RecentFolders::defaultFile()) + "/ask-before-discarding";
}

void AskBeforeDiscarding::load()
{
    enabled_ = false;
    if (file_.empty()) {
        return;
    }
    // Never waits on a FIFO or device put in the file's place.
    const int fd = open(file_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    char text[4] = {};
    ssize_t got = -1;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= static_cast<off_t>(sizeof(text))) {
        do {
            got = read(fd, text, sizeof(text));
        } while (got < 0 && errno == EINTR);
    }
    close(fd);
    enabled_ = got >= 1 && text[0] == '1';
}

bool AskBeforeDiscarding::set(bool enabled)
{
    enabled_ = enabled;
    if (file_.empty()) {
        return true;
    }
    const std::string ours = folderOf(file_);
    mkdir(folderOf(ours).c_str(), 0700);
    mkdir(ours.c_str(), 0700);
    const std::string temporary = file_ + ".tmp" + std::to_string(getpid());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const char* text = enabled ? "1\n" : "0\n";
    ssize_t wrote = -1;
    do {
        wrote = write(fd, text, 2);
    } while (wrote < 0 && errno == EINTR);
    const bool closed = close(fd) == 0;
    if (wrote != 2 || !closed || rename(temporary.c_str(), file_.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace tessarine
