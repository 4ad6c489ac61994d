#include "sound/files/AtomicSave.h"

#include "sound/files/RegularFile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarine {

namespace {

// The temporaries of unfinished saves, for a fatal signal's handler: plain
// pointers into the saves' own strings, published and withdrawn atomically.
constexpr int kRegisteredSaves = 16;
std::array<std::atomic<const char*>, kRegisteredSaves> registeredTemporaries{};
static_assert(std::atomic<const char*>::is_always_lock_free);

int registerTemporary(const char* path)
{
    for (int i = 0; i < kRegisteredSaves; ++i) {
        const char* expected = nullptr;
        if (registeredTemporaries[static_cast<std::size_t>(i)].compare_exchange_strong(expected, path)) {
            return i;
        }
    }
    return -1; // more saves at once than slots: only the next save's sweep removes this one after a kill
}

// The file a path names once symbolic links are followed, so that a save
// replaces the file and keeps the link. A link to nothing names the file the
// save creates. 0, or the errno of a link that cannot be followed.
int followLinks(const std::string& path, std::string& target)
{
    target = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return 0;
        }
        char link[PATH_MAX];
        const ssize_t length = ::readlink(target.c_str(), link, sizeof(link));
        if (length < 0) {
            return errno;
        }
        if (static_cast<std::size_t>(length) >= sizeof(link)) {
            return ENAMETOOLONG;
        }
        std::string next(link, static_cast<std::size_t>(length));
        if (next.empty() || next[0] != '/') {
            const std::size_t slash = target.rfind('/');
            next = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + next;
        }
        target = next;
    }
    return ELOOP;
}

// 0 when target (links followed) may be replaced or created; info holds its
// status when exists is set.
int checkResolved(const std::string& target, struct stat& info, bool& exists)
{
    exists = false;
    if (::stat(target.c_str(), &info) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    exists = true;
    if (!S_ISREG(info.st_mode)) {
        return S_ISDIR(info.st_mode) ? EISDIR : kNotRegularFile;
    }
    // A process that may write anything (root) could replace a file that no one
    // may write; it is read-only for a reason, so it is refused all the same.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return kReadOnlyFile;
    }
    if (::access(target.c_str(), W_OK) != 0) {
        return errno == EACCES ? kReadOnlyFile : errno;
    }
    return 0;
}

// A save killed part-way leaves its temporary file behind. Every temporary
// names the process that made it ("<target>.tmp-<pid>-<n>", or "<target>.tmp-<pid>"
// from earlier versions); before the next save of the same target, those of
// processes that no longer run are removed, so leftovers never pile up. A
// running process's temporary is left alone.
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
        if (pidLength == 0 || pidLength > 9 || (digits[pidLength] != '-' && digits[pidLength] != '\0')) {
            continue;
        }
        if (digits[pidLength] == '-') {
            const char* counter = digits + pidLength + 1;
            if (*counter == '\0' || std::strspn(counter, "0123456789") != std::strlen(counter)) {
                continue;
            }
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

AtomicSave::~AtomicSave() { discard(); }

int AtomicSave::checkTarget(const std::string& path)
{
    std::string target;
    if (const int error = followLinks(path, target); error != 0) {
        return error;
    }
    struct stat info {};
    bool exists = false;
    return checkResolved(target, info, exists);
}

bool AtomicSave::begin(const std::string& path)
{
    discard();
    error_ = followLinks(path, target_);
    struct stat info {};
    bool exists = false;
    if (error_ == 0) {
        error_ = checkResolved(target_, info, exists);
    }
    if (error_ != 0) {
        return false;
    }
    removeStaleTemporaries(target_);
    static std::atomic<unsigned> counter{0};
    // The name is published before the file exists: a signal that lands
    // between the two (a busy machine can stop the process there for a whole
    // time slice) would otherwise leave the file behind. Removing a name that
    // does not exist yet is harmless, and any file of that name carries this
    // process's id, so it is a leftover of ours.
    int failure = 0;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof(suffix), ".tmp-%ld-%u", static_cast<long>(::getpid()), counter.fetch_add(1));
        temporary_ = target_ + suffix;
        registration_ = registerTemporary(temporary_.c_str());
        fd_ = ::open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            failure = errno;
            withdrawRegistration();
            temporary_.clear();
            if (failure != EEXIST) {
                break;
            }
        }
    }
    if (fd_ < 0) {
        error_ = failure;
        return false;
    }
    if (exists) {
        // Owner first: a change of owner clears the set-id bits a mode sets.
        // Only a privileged process may give a file away; others keep their own.
        if (info.st_uid != ::geteuid() || info.st_gid != ::getegid()) {
            [[maybe_unused]] const int given = ::fchown(fd_, info.st_uid, info.st_gid);
        }
        ::fchmod(fd_, info.st_mode & 0777);
    }
    return true;
}

bool AtomicSave::commit()
{
    if (fd_ < 0) {
        if (error_ == 0) {
            error_ = EBADF;
        }
        return false;
    }
    bool written = ::fsync(fd_) == 0;
    if (!written) {
        error_ = errno;
    }
    if (::close(fd_) != 0 && written) {
        error_ = errno;
        written = false;
    }
    fd_ = -1;
    if (written && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error_ = errno;
        written = false;
    }
    if (!written) {
        discard();
        return false;
    }
    withdrawRegistration();
    temporary_.clear();
    return true;
}

void AtomicSave::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
    // Withdrawn after the unlink: a signal in between only repeats it.
    withdrawRegistration();
    temporary_.clear();
}

void AtomicSave::withdrawRegistration()
{
    if (registration_ >= 0) {
        registeredTemporaries[static_cast<std::size_t>(registration_)].store(nullptr);
        registration_ = -1;
    }
}

void AtomicSave::removeTemporariesNow()
{
    for (auto& slot : registeredTemporaries) {
        if (const char* path = slot.load(); path != nullptr) {
            ::unlink(path);
        }
    }
}

} // namespace tessarine
