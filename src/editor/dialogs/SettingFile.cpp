#include "editor/dialogs/SettingFile.h"

#include "editor/dialogs/RecentFolders.h"
#include "editor/dialogs/TypedPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarine {

std::string settingFilePath(const char* name) { return folderOf(RecentFolders::defaultFile()) + "/" + name; }

bool readSettingFile(const std::string& path, char* text, std::size_t capacity)
{
    if (capacity == 0) {
        return false;
    }
    text[0] = 0;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    ssize_t got = -1;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size < static_cast<off_t>(capacity)) {
        do {
            got = read(fd, text, capacity - 1);
        } while (got < 0 && errno == EINTR);
    }
    close(fd);
    text[got > 0 ? got : 0] = 0;
    return got >= 0;
}

bool writeSettingFile(const std::string& path, std::string_view text)
{
    const std::string ours = folderOf(path);
    mkdir(folderOf(ours).c_str(), 0700);
    mkdir(ours.c_str(), 0700);
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    ssize_t wrote = -1;
    do {
        wrote = write(fd, text.data(), text.size());
    } while (wrote < 0 && errno == EINTR);
    const bool closed = close(fd) == 0;
    if (wrote != static_cast<ssize_t>(text.size()) || !closed || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace tessarine
