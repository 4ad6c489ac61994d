#pragma once
// The speed of a run: total audio time over total processing time (how many
// times faster than real time), and the slowest single block as a fraction of
// its own duration (above 1, a host would have heard a dropout).

#include <cstdint>

namespace tessarine::host {

class BlockTiming {
public:
    explicit BlockTiming(double sampleRate) : sampleRate_(sampleRate) {}

    void add(int frames, std::int64_t nanoseconds);

    double realTimeFactor() const;
    double worstBlockFraction() const { return worst_; }

private:
    double sampleRate_;
    double audioSeconds_ = 0.0;
    double processSeconds_ = 0.0;
    double worst_ = 0.0;
};

} // namespace tessarine::host
