#pragma once
// A small generator with the range 0..32767 that the random instrument and the
// noise synthesis draw from. Each owner has its own instance: it never locks and
// never shares state, so the audio thread can use one while the editor uses another.

#include <atomic>
#include <cstdint>
#include <ctime>

namespace tessarine {

class RandomGenerator {
public:
    static constexpr int kMax = 32767;

    explicit RandomGenerator(std::uint32_t seed = 1) : state_(seed) {}

    void seed(std::uint32_t seed) { state_ = seed; }

    // Next value in 0..kMax (the classic 31-bit linear congruential step).
    int next()
    {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<int>((state_ >> 16) & 0x7fffu);
    }

private:
    std::uint32_t state_;
};

// A seed from the time for a new owner. Hosts create many instances at once
// (a project opening): the nanoseconds and a count of the seeds handed out
// keep two instances of one second from drawing the same values, which for
// the noise would sum coherently across instances instead of as noise.
inline std::uint32_t timeSeed()
{
    static std::atomic<std::uint32_t> handedOut{0};
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::uint64_t mixed = static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'007ull
                          + static_cast<std::uint64_t>(now.tv_nsec)
                          + 0x9E3779B97F4A7C15ull * handedOut.fetch_add(1, std::memory_order_relaxed);
    mixed ^= mixed >> 31;
    mixed *= 0xBF58476D1CE4E5B9ull;
    mixed ^= mixed >> 29;
    return static_cast<std::uint32_t>(mixed);
}

} // namespace tessarine
