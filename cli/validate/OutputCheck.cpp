#include "validate/OutputCheck.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

namespace tessarine::host {

OutputCheck::OutputCheck(double sampleRate, float bound)
    : bound_(bound), silenceFrames_(static_cast<long long>(std::ceil(sampleRate * kSilenceSeconds)))
{
}

void OutputCheck::scan(const PluginHost& instance, int frames, long long position)
{
    const float* channels[PluginHost::kMaxChannels];
    const int count = instance.outputChannels();
    for (int c = 0; c < count; ++c) {
        channels[c] = instance.output(c);
    }
    scan(channels, count, frames, position);
}

void OutputCheck::scan(const float* const* channels, int channelCount, int frames, long long position)
{
    for (int i = 0; i < frames; ++i) {
        float loudest = 0.0f;
        for (int c = 0; c < channelCount; ++c) {
            const float x = channels[c][i];
            const float size = std::fabs(x);
            if (fault_.empty()) {
                const std::string where =
                    " at sample " + std::to_string(position + i) + " of output " + std::to_string(c);
                if (!std::isfinite(x)) {
                    fault_ = std::string(std::isnan(x) ? "NaN" : "infinity") + where;
                } else if (size > bound_) {
                    char level[64];
                    std::snprintf(level, sizeof level, "level %.1f (%+.0f dBFS) above %+.0f dBFS", x,
                                  20.0 * std::log10(size), 20.0 * std::log10(bound_));
                    fault_ = level + where;
                } else if (x != 0.0f && size < FLT_MIN) {
                    fault_ = "denormal number " + std::to_string(static_cast<double>(x)) + where;
                }
            }
            if (size > loudest || !std::isfinite(x)) {
                loudest = std::isfinite(x) ? size : INFINITY;
            }
        }
        peak_ = std::fmax(peak_, loudest);
        quietFrames_ = loudest < kSilenceLevel ? quietFrames_ + 1 : 0;
    }
}

} // namespace tessarine::host
