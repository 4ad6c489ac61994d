#pragma once
// A text buffer handed to a plug-in with guard bytes behind its limit, the way a
// careful host finds plug-ins that write past the space they were given. The
// room within the limit starts zeroed (hosts do that, and a plug-in that has
// nothing to say may write nothing); the guard behind it holds a pattern that
// any write past the limit changes.

#include <array>
#include <cstddef>
#include <string>

namespace tessarine::host {

class GuardedText {
public:
    static constexpr std::size_t kGuardBytes = 512;
    static constexpr std::size_t kMaxLimit = 256;
    static constexpr unsigned char kPattern = 0xA5;

    // limit: the bytes the plug-in may use, terminator included (1..kMaxLimit).
    explicit GuardedText(std::size_t limit);

    char* data() { return bytes_.data(); }
    std::size_t limit() const { return limit_; }

    // Empty when the plug-in kept to the limit and terminated its text; else one
    // line saying what went wrong ("wrote 3 bytes past its 24-byte limit").
    std::string fault() const;
    // The text up to its terminator or the limit, whichever comes first.
    std::string text() const;

private:
    std::array<char, kMaxLimit + kGuardBytes> bytes_{};
    std::size_t limit_;
};

// Checks a guard area behind any record the plug-in fills (pin properties):
// returns how many guard bytes were changed, counting from the first.
std::size_t guardBytesChanged(const unsigned char* guard, std::size_t size, unsigned char pattern);

} // namespace tessarine::host
