#include "editor/FavouriteList.h"

#include "editor/dialogs/RecentFolders.h"
#include "editor/dialogs/TypedPath.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarine {

namespace {

// A key is one line of printable text: a newline or a control character in
// one would make a second, different key at the next load.
bool isUsableKey(const std::string& key)
{
    return !key.empty() && key.size() < 4096
        && std::none_of(key.begin(), key.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

} // namespace

std::string FavouriteList::defaultFile() { return folderOf(RecentFolders::defaultFile()) + "/favourites"; }

void FavouriteList::load()
{
    keys_.clear();
    if (file_.empty()) {
        return;
    }
    // Never waits on a FIFO or device put in the file's place.
    const int fd = open(file_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return;
    }
    struct stat info {};
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
    if (text.find('\0') != std::string::npos) {
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        if (isUsableKey(line)) {
            keys_.insert(std::move(line));
        }
        start = end + 1;
    }
}

bool FavouriteList::set(const std::string& key, bool favourite)
{
    if (!isUsableKey(key)) {
        return false;
    }
    if (favourite) {
        keys_.insert(key);
    } else {
        keys_.erase(key);
    }
    return save();
}

bool FavouriteList::save() const
{
    if (file_.empty()) {
        return true;
    }
    const std::string ours = folderOf(file_);
    mkdir(folderOf(ours).c_str(), 0700);
    mkdir(ours.c_str(), 0700);
    std::string text;
    for (const std::string& key : keys_) {
        text += key + "\n";
    }
    const std::string temporary = file_ + ".tmp" + std::to_string(getpid());
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
    const bool written = done == text.size() && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temporary.c_str(), file_.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace tessarine
