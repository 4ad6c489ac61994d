#pragma once
// A small generator with the range 0..32767 that the random instrument and the
// noise synthesis draw from. Each owner has its own instance: it never locks and
// never shares state, so the audio thread can use one while the editor uses another.

#include <cstdint>

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

} // namespace tessarine
