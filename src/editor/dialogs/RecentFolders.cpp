#include "editor/dialogs/RecentFolders.h"

#include "editor/dialogs/TypedPath.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarine {

namespace {

bool isUsableFolder(const std::string& line)
{
    return !line.empty() && line.front() == '/' && line.size() < PATH_MAX
        && std::none_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

} // namespace

std::string RecentFolders::defaultFile()
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
        return std::string(config) + "/tessarine/recent-folders";
    }
    return homeFolder() + "/.config/tessarine/recent-folders";
}

void RecentFolders::load()
{
    folders_.clear();
    if (file_.empty()) {
        return;
    }
    // Never waits on a FIFO or device put in the file's place.
    const int fd = open(file_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return;
    }
    struct stat info{};
    std::string text;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) <= kMaxFileBytes) {
        text.resize(kMaxFileBytes + 1);
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = read(fd, text.data() + got, text.size() - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        text.resize(got > kMaxFileBytes ? 0 : got);
    }
    close(fd);
    // Binary content is no list of ours: all of it is dropped, not the lines that happen to look right.
    if (text.find('\0') != std::string::npos) {
        return;
    }
    std::size_t start = 0;
    while (start < text.size() && folders_.size() < kMaxFolders) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (isUsableFolder(line) && std::find(folders_.begin(), folders_.end(), line) == folders_.end()) {
            folders_.push_back(std::move(line));
        }
        start = end + 1;
    }
}

bool RecentFolders::add(const std::string& folder)
{
    if (!isUsableFolder(folder)) {
        return false;
    }
    std::erase(folders_, folder);
    folders_.insert(folders_.begin(), folder);
    if (folders_.size() > kMaxFolders) {
        folders_.resize(kMaxFolders);
    }
    return save();
}

bool RecentFolders::save() const
{
    if (file_.empty()) {
        return true;
    }
    // The configuration folder and ours inside it; the user's own folders above are never made.
    const std::string ours = folderOf(file_);
    mkdir(folderOf(ours).c_str(), 0700);
    mkdir(ours.c_str(), 0700);
    std::string text;
    for (const std::string& folder : folders_) {
        text += folder + "\n";
    }
    const std::string temporary = file_ + ".tmp" + std::to_string(getpid());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written = writeAll(fd, text) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temporary.c_str(), file_.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace tessarine
