#pragma once
// Opening a file that is to be read whole. The open of a FIFO waits for a
// writer, the read of a device may never end, and a folder reads as nothing:
// a reader on a host's user-interface thread would freeze the host. So only
// regular files are opened, and nothing else is ever waited for.

#include <cstddef>
#include <string>

namespace tessarine {

// Reasons beside the system's errno values, for a path that exists but cannot
// be read or replaced as a file.
inline constexpr int kNotRegularFile = -1; // a FIFO, device node or socket
inline constexpr int kReadOnlyFile = -2;   // a save target nobody may write

class RegularFile {
public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // Opens for reading (a symbolic link to a regular file is followed). False,
    // with error() set, for a missing or unreadable path, a folder (EISDIR) or
    // anything else that is not a regular file (kNotRegularFile).
    bool open(const std::string& path);
    void close();
    // Reads up to capacity bytes from the start, or to the end of a file that
    // shrank since it was opened; got says how many. False, with error() set,
    // when the disk refused.
    bool readAll(void* buffer, std::size_t capacity, std::size_t& got);

    int descriptor() const { return fd_; }
    // The size when opened.
    long long size() const { return size_; }
    int error() const { return error_; }

private:
    int fd_ = -1;
    long long size_ = 0;
    int error_ = 0;
};

// A short lower-case reason for a failed open or save: "no such file",
// "a folder", "not a regular file", "read-only", or the system's text.
std::string describeFileError(int error);

} // namespace tessarine
