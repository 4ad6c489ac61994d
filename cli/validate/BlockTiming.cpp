#include "validate/BlockTiming.h"

#include <algorithm>

namespace tessarine::host {

void BlockTiming::add(int frames, std::int64_t nanoseconds)
{
    if (frames <= 0 || sampleRate_ <= 0.0) {
        return;
    }
    const double duration = frames / sampleRate_;
    const double spent = static_cast<double>(nanoseconds) * 1e-9;
    audioSeconds_ += duration;
    processSeconds_ += spent;
    worst_ = std::max(worst_, spent / duration);
}

double BlockTiming::realTimeFactor() const
{
    return processSeconds_ > 0.0 ? audioSeconds_ / processSeconds_ : 0.0;
}

} // namespace tessarine::host
