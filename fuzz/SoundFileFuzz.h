#pragma once
// Hands fuzz input to the sound import as a file without touching the disk:
// an anonymous memory file, opened again through its /proc path the way the
// import opens any path. One per process, rewritten for every input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace tessarine::fuzz {

// The path of a file that now holds exactly these bytes.
inline const std::string& soundFileOf(const std::uint8_t* data, std::size_t size)
{
    static const int fd = ::memfd_create("tessarine-sound-fuzz", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) {
        std::abort();
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t wrote = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (wrote <= 0) {
            std::abort();
        }
        done += static_cast<std::size_t>(wrote);
    }
    return path;
}

} // namespace tessarine::fuzz
