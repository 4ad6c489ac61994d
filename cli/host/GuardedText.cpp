#include "host/GuardedText.h"

#include <algorithm>
#include <cstring>

namespace tessarine::host {

GuardedText::GuardedText(std::size_t limit) : limit_(std::clamp<std::size_t>(limit, 1, kMaxLimit))
{
    std::memset(bytes_.data(), 0, limit_);
    std::memset(bytes_.data() + limit_, kPattern, bytes_.size() - limit_);
}

std::size_t guardBytesChanged(const unsigned char* guard, std::size_t size, unsigned char pattern)
{
    // The last changed byte tells how far the write reached.
    for (std::size_t i = size; i > 0; --i) {
        if (guard[i - 1] != pattern) {
            return i;
        }
    }
    return 0;
}

std::string GuardedText::fault() const
{
    const auto* guard = reinterpret_cast<const unsigned char*>(bytes_.data() + limit_);
    std::size_t past = guardBytesChanged(guard, bytes_.size() - limit_, kPattern);
    if (past > 0) {
        return "wrote " + std::to_string(past) + " byte" + (past == 1 ? "" : "s") + " past its " +
               std::to_string(limit_) + "-byte limit";
    }
    if (std::memchr(bytes_.data(), '\0', limit_) == nullptr) {
        return "left its text without a terminator within " + std::to_string(limit_) + " bytes";
    }
    return {};
}

std::string GuardedText::text() const { return std::string(bytes_.data(), strnlen(bytes_.data(), limit_)); }

} // namespace tessarine::host
