#include "sound/RecordStream.h"

#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarine {

namespace {

// Writes all bytes, continuing after partial writes and interruptions.
bool writeAll(int fd, const std::byte* data, std::size_t count)
{
    while (count > 0) {
        ssize_t done = ::write(fd, data, count);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += done;
        count -= static_cast<std::size_t>(done);
    }
    return true;
}

// A save killed part-way leaves its temporary file behind. Every temporary
// names the process that made it ("<target>.tmp-<pid>-<n>"); before the next
// save of the same target, those of processes that no longer run are removed,
// so leftovers never pile up. A running process's temporary is left alone.
void removeStaleTemporaries(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp-";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) {
            continue;
        }
        const char* digits = name + prefix.size();
        const std::size_t pidLength = std::strspn(digits, "0123456789");
        if (pidLength == 0 || pidLength > 9 || digits[pidLength] != '-') {
            continue;
        }
        const char* counter = digits + pidLength + 1;
        if (*counter == '\0' || std::strspn(counter, "0123456789") != std::strlen(counter)) {
            continue;
        }
        const auto pid = static_cast<pid_t>(std::strtol(digits, nullptr, 10));
        if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) {
            continue;
        }
        ::unlinkat(::dirfd(dir), name, 0);
    }
    ::closedir(dir);
}

} // namespace

RecordStream::~RecordStream() { discardTemporary(); }

void RecordStream::reset(Mode mode)
{
    discardTemporary();
    readData_ = nullptr;
    writeData_ = nullptr;
    capacity_ = 0;
    size_ = 0;
    position_ = 0;
    mode_ = mode;
    status_ = Status::Ok;
    errorOffset_ = 0;
    errorField_ = "";
    errorValue_ = 0;
    systemError_ = 0;
}

bool RecordStream::ensureBuffer()
{
    if (!owned_) {
        owned_ = std::make_unique_for_overwrite<std::byte[]>(kBufferSize);
    }
    return owned_ != nullptr;
}

void RecordStream::discardTemporary()
{
    if (temporaryFd_ >= 0) {
        ::close(temporaryFd_);
        temporaryFd_ = -1;
    }
    if (!temporaryPath_.empty()) {
        ::unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}

bool RecordStream::fail(Status status)
{
    if (status_ == Status::Ok) {
        status_ = status;
        errorOffset_ = position_;
    }
    return false;
}

bool RecordStream::refuse(Status status, const char* what, long long value)
{
    if (status_ == Status::Ok) {
        status_ = status;
        errorOffset_ = position_ >= 4 ? position_ - 4 : 0; // the int32 just read
        errorField_ = what;
        errorValue_ = value;
    }
    return false;
}

bool RecordStream::openFileRead(const std::string& path)
{
    reset(Mode::Closed);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        systemError_ = errno;
        return fail(Status::CannotOpen);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        systemError_ = S_ISDIR(info.st_mode) ? EISDIR : (errno != 0 ? errno : EINVAL);
        ::close(fd);
        return fail(Status::CannotOpen);
    }
    if (info.st_size <= 0) {
        ::close(fd);
        return fail(Status::Empty);
    }
    if (static_cast<unsigned long long>(info.st_size) >= kBufferSize) {
        ::close(fd);
        errorValue_ = static_cast<long long>(info.st_size);
        return fail(Status::TooLarge);
    }
    if (!ensureBuffer()) {
        ::close(fd);
        return fail(Status::CannotOpen);
    }
    auto wanted = static_cast<std::size_t>(info.st_size);
    std::size_t got = 0;
    while (got < wanted) {
        ssize_t done = ::read(fd, owned_.get() + got, wanted - got);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done < 0) {
            systemError_ = errno;
            ::close(fd);
            return fail(Status::CannotOpen);
        }
        if (done == 0) {
            break; // the file shrank since fstat: parse what is there
        }
        got += static_cast<std::size_t>(done);
    }
    ::close(fd);
    if (got == 0) {
        return fail(Status::Empty);
    }
    mode_ = Mode::FileRead;
    readData_ = owned_.get();
    size_ = got;
    return true;
}

bool RecordStream::openFileWrite(const std::string& path)
{
    reset(Mode::Closed);
    if (!ensureBuffer()) {
        return fail(Status::CannotCreate);
    }
    removeStaleTemporaries(path);
    // The temporary file sits beside the target so the rename stays on one file system.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && temporaryFd_ < 0; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof(suffix), ".tmp-%ld-%u", static_cast<long>(::getpid()), counter.fetch_add(1));
        std::string candidate = path + suffix;
        temporaryFd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (temporaryFd_ >= 0) {
            temporaryPath_ = candidate;
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (temporaryFd_ < 0) {
        systemError_ = errno;
        return fail(Status::CannotCreate);
    }
    mode_ = Mode::FileWrite;
    targetPath_ = path;
    writeData_ = owned_.get();
    capacity_ = kBufferSize;
    return true;
}

void RecordStream::openMemoryRead(std::span<const std::byte> data)
{
    reset(Mode::MemoryRead);
    readData_ = data.data();
    size_ = data.size();
}

void RecordStream::openMemoryWrite(std::span<std::byte> buffer)
{
    reset(Mode::MemoryWrite);
    writeData_ = buffer.data();
    capacity_ = buffer.size();
}

bool RecordStream::close()
{
    const Mode mode = mode_;
    mode_ = Mode::Closed;
    if (mode != Mode::FileWrite) {
        return status_ == Status::Ok;
    }
    if (status_ != Status::Ok) {
        discardTemporary();
        return false;
    }
    bool written = writeAll(temporaryFd_, writeData_, position_) && ::fsync(temporaryFd_) == 0;
    if (!written) {
        systemError_ = errno;
    }
    written = (::close(temporaryFd_) == 0) && written;
    temporaryFd_ = -1;
    if (written && ::rename(temporaryPath_.c_str(), targetPath_.c_str()) == 0) {
        temporaryPath_.clear();
        return true;
    }
    if (systemError_ == 0) {
        systemError_ = errno;
    }
    discardTemporary();
    return fail(Status::WriteFailed);
}

bool RecordStream::read(void* out, std::size_t count)
{
    if (status_ != Status::Ok || readData_ == nullptr) {
        return fail(Status::Truncated);
    }
    if (count > size_ - position_) {
        return fail(Status::Truncated);
    }
    std::memcpy(out, readData_ + position_, count);
    position_ += count;
    return true;
}

bool RecordStream::write(const void* in, std::size_t count)
{
    if (status_ != Status::Ok || writeData_ == nullptr) {
        return fail(Status::Overflow);
    }
    if (count > capacity_ - position_) {
        return fail(Status::Overflow);
    }
    std::memcpy(writeData_ + position_, in, count);
    position_ += count;
    return true;
}

// Fields are little-endian on disk; so is every machine this builds for.
static_assert(std::endian::native == std::endian::little);

bool RecordStream::readInt32(std::int32_t& value) { return read(&value, sizeof(value)); }
bool RecordStream::readFloat(float& value) { return read(&value, sizeof(value)); }
bool RecordStream::writeInt32(std::int32_t value) { return write(&value, sizeof(value)); }
bool RecordStream::writeFloat(float value) { return write(&value, sizeof(value)); }

bool RecordStream::readString(char* text, std::size_t capacity)
{
    if (status_ != Status::Ok || readData_ == nullptr) {
        return fail(Status::Truncated);
    }
    const void* nul = std::memchr(readData_ + position_, 0, size_ - position_);
    if (nul == nullptr) {
        return fail(Status::Truncated);
    }
    auto length = static_cast<std::size_t>(static_cast<const std::byte*>(nul) - (readData_ + position_));
    if (capacity > 0) {
        std::size_t kept = length < capacity - 1 ? length : capacity - 1;
        std::memcpy(text, readData_ + position_, kept);
        text[kept] = '\0';
    }
    position_ += length + 1;
    return true;
}

bool RecordStream::writeString(const char* text) { return write(text, std::strlen(text) + 1); }

const char* describe(RecordStream::Status status)
{
    switch (status) {
    case RecordStream::Status::Ok: return "ok";
    case RecordStream::Status::CannotOpen: return "cannot open";
    case RecordStream::Status::Empty: return "empty";
    case RecordStream::Status::TooLarge: return "too large";
    case RecordStream::Status::Truncated: return "truncated";
    case RecordStream::Status::BadCount: return "bad count";
    case RecordStream::Status::BadValue: return "bad value";
    case RecordStream::Status::CannotCreate: return "cannot create";
    case RecordStream::Status::Overflow: return "too large to write";
    case RecordStream::Status::WriteFailed: return "write failed";
    }
    return "unknown";
}

} // namespace tessarine
