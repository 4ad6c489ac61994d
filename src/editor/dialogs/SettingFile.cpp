#include "editor/dialogs/SettingFile.h"

#include "editor/dialogs/RecentFolders.h"
#include "editor/dialogs/TypedPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarine {

std::string settingFilePath(const char* name) { return folderOf(RecentFolders::defaultFile()) + "/" + name; }

namespace {

// At most limit bytes of a regular file no longer than that; -1 when it is
// missing, not regular or longer.
ssize_t readBounded(const std::string& path, char* into, std::size_t limit)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    ssize_t total = -1;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) <= limit) {
        total = 0;
        while (static_cast<std::size_t>(total) < limit) {
            const ssize_t got = read(fd, into + total, limit - static_cast<std::size_t>(total));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                total = -1;
            }
            if (got <= 0) {
                break;
            }
            total += got;
        }
    }
    close(fd);
    return total;
}

} // namespace

bool readSettingFile(const std::string& path, char* text, std::size_t capacity)
{
    if (capacity == 0) {
        return false;
    }
    const ssize_t got = readBounded(path, text, capacity - 1);
    text[got > 0 ? got : 0] = 0;
    return got >= 0;
}

bool readSettingFile(const std::string& path, std::string& text, std::size_t maxBytes)
{
    text.resize(maxBytes);
    const ssize_t got = readBounded(path, text.data(), maxBytes);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
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
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    // On disk before the rename, so a crash never leaves an empty setting in the old one's place.
    const bool written = done == text.size() && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace tessarine
