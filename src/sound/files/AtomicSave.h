#pragma once
// Replacing a file so that no failed or killed save destroys it. The content
// goes to a temporary file beside the target, named "<target>.tmp-<pid>-<n>"
// and on the same file system, which takes the target's place by rename only
// once every byte reached the disk: afterwards the target is the complete old
// file or the complete new one. Temporaries left by killed processes are
// removed by the next save of the same target.
//
// Only regular files are replaced. A symbolic link is written through to the
// file it names, as editors do; a FIFO, device node or folder is refused, and
// so is a file that nobody may write (even a process that could). The new
// file keeps the mode, owner and group of the one it replaces.

#include <string>

namespace tessarine {

class AtomicSave {
public:
    AtomicSave() = default;
    ~AtomicSave(); // an unfinished save is discarded
    AtomicSave(const AtomicSave&) = delete;
    AtomicSave& operator=(const AtomicSave&) = delete;

    // Creates the temporary file. False, with error() set (an errno value,
    // kNotRegularFile or kReadOnlyFile), when the target cannot be replaced.
    bool begin(const std::string& path);
    // The temporary file's descriptor, open for writing (and seeking).
    int descriptor() const { return fd_; }
    // Puts the temporary in the target's place once its bytes are on the disk.
    // False, with error() set, when anything failed; the target is untouched.
    bool commit();
    // Removes the temporary; the target is untouched.
    void discard();

    bool active() const { return fd_ >= 0; }
    int error() const { return error_; }
    // The file that will be replaced, symbolic links followed.
    const std::string& target() const { return target_; }

    // Whether a save to path could begin: 0, or the reason it would be refused.
    static int checkTarget(const std::string& path);
    // Removes the temporaries of every unfinished save of this process. Only
    // async-signal-safe calls, so a fatal signal's handler may call it.
    static void removeTemporariesNow();

private:
    void withdrawRegistration();

    int fd_ = -1;
    int error_ = 0;
    std::string target_;
    std::string temporary_;
    int registration_ = -1;
};

} // namespace tessarine
