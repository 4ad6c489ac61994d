#include "sound/files/RegularFile.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarine {

RegularFile::~RegularFile() { close(); }

void RegularFile::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool RegularFile::open(const std::string& path)
{
    close();
    size_ = 0;
    error_ = 0;
    // The type is looked at before anything is opened: opening a device node
    // alone can have effects (a tape rewinds, a terminal becomes ours).
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error_ = errno;
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error_ = S_ISDIR(info.st_mode) ? EISDIR : kNotRegularFile;
        return false;
    }
    // Without blocking, in case the path became a FIFO since the look; the
    // descriptor's own type is what counts.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        error_ = S_ISDIR(info.st_mode) ? EISDIR : kNotRegularFile;
        close();
        return false;
    }
    size_ = static_cast<long long>(info.st_size);
    return true;
}

bool RegularFile::readAll(void* buffer, std::size_t capacity, std::size_t& got)
{
    got = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (got < capacity) {
        const ssize_t done = ::pread(fd_, bytes + got, capacity - got, static_cast<off_t>(got));
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done < 0) {
            error_ = errno;
            return false;
        }
        if (done == 0) {
            break;
        }
        got += static_cast<std::size_t>(done);
    }
    return true;
}

std::string describeFileError(int error)
{
    switch (error) {
    case 0: return "no error";
    case kNotRegularFile: return "not a regular file";
    case kReadOnlyFile: return "read-only";
    case ENOENT: return "no such file";
    case EISDIR: return "a folder";
    default: break;
    }
    std::string text = std::strerror(error);
    if (!text.empty()) {
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    }
    return text;
}

} // namespace tessarine
