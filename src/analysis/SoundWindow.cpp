#include "analysis/SoundWindow.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace tessarine {

bool SoundWindow::add(const float* samples, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const float x = samples[i];
        const std::uint64_t index = seen_++;
        if (index == 0) {
            first_ = x;
        } else if (!started_ && x != first_) {
            started_ = true;
            start_ = index;
        }
        if (!started_) {
            continue;
        }
        peak_ = std::fmax(peak_, std::fabs(x));
        if (kept_.size() < limit_) {
            if (kept_.size() == kept_.capacity()) {
                // Grow by doubling, but never past the limit: a long file then
                // holds exactly the samples kept.
                const std::size_t wanted = std::min(limit_, std::max<std::size_t>(4096, 2 * kept_.capacity()));
                try {
                    kept_.reserve(wanted);
                } catch (const std::bad_alloc&) {
                    return false;
                }
            }
            kept_.push_back(x);
        } else {
            if (pastLimit_ % kBlock == 0) {
                try {
                    blockPeaks_.push_back(0.0f);
                } catch (const std::bad_alloc&) {
                    return false;
                }
            }
            ++pastLimit_;
            blockPeaks_.back() = std::fmax(blockPeaks_.back(), std::fabs(x));
        }
    }
    return true;
}

std::int64_t SoundWindow::lastBeyond(float level) const
{
    for (std::size_t b = blockPeaks_.size(); b-- > 0;) {
        if (blockPeaks_[b] > level) {
            const std::uint64_t end = std::min<std::uint64_t>(pastLimit_, (b + 1) * kBlock);
            return static_cast<std::int64_t>(start_ + kept_.size() + end - 1);
        }
    }
    if (started_) {
        for (std::size_t i = kept_.size(); i-- > 0;) {
            if (kept_[i] > level || kept_[i] < -level) {
                return static_cast<std::int64_t>(start_ + i);
            }
        }
    }
    if (seen_ > 0 && (first_ > level || first_ < -level)) {
        return static_cast<std::int64_t>(started_ ? start_ - 1 : seen_ - 1);
    }
    return -1;
}

// A raised-cosine fade, so the voice's last harmonic keyframes fall smoothly.
void SoundWindow::fadeOut(std::vector<float>& samples) const
{
    const std::size_t n = std::min(fade_, samples.size());
    const std::size_t first = samples.size() - n;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i + 1) / static_cast<double>(n);
        samples[first + i] *= static_cast<float>(0.5 * (1.0 + std::cos(3.14159265358979323846 * x)));
    }
}

bool SoundWindow::finish(std::vector<float>& out)
{
    out.clear();
    float peak = peak_;
    if (!started_) {
        // Every sample equals the first: the whole sound stays, up to the limit.
        try {
            out.assign(static_cast<std::size_t>(std::min<std::uint64_t>(seen_, limit_)), first_);
        } catch (const std::bad_alloc&) {
            return false;
        }
        peak = std::fabs(first_);
    } else {
        // Quiet against the loudest sample of the file, the leading run included.
        const std::int64_t lastLoud = lastBeyond(threshold_ * std::fmax(peak_, std::fabs(first_)));
        const std::uint64_t end = lastLoud >= 0 ? static_cast<std::uint64_t>(lastLoud) : seen_ - 1;
        if (end >= start_) {
            const std::uint64_t length = end - start_ + 1;
            kept_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kept_.size(), length)));
            out.swap(kept_);
            if (length > out.size()) {
                cutFrom_ = length;
                fadeOut(out);
            }
        }
    }
    kept_ = std::vector<float>();
    blockPeaks_ = std::vector<float>();
    if (peak != 0.0f) {
        const float scale = 1.0f / peak;
        for (float& v : out) {
            v *= scale;
        }
    }
    return true;
}

} // namespace tessarine
