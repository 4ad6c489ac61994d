#include "analysis/SampleBuffer.h"

#include <cmath>

namespace tessarine {

void trimSilence(SampleBuffer& buffer, float threshold)
{
    std::vector<float>& x = buffer.samples;
    const std::size_t count = x.size();
    if (count == 0) {
        return;
    }
    std::size_t start = 0;
    for (std::size_t i = 1; i < count; ++i) {
        if (x[i] != x[0]) {
            start = i;
            break;
        }
    }
    std::size_t end = count - 1;
    for (std::size_t i = count; i-- > 0;) {
        if (x[i] > threshold || x[i] < -threshold) {
            end = i;
            break;
        }
    }
    // A loud sample only before start (a loud constant run) leaves nothing.
    if (end < start) {
        x.clear();
        return;
    }
    x.erase(x.begin() + static_cast<std::ptrdiff_t>(end + 1), x.end());
    x.erase(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(start));
}

void normalisePeak(SampleBuffer& buffer, float target)
{
    float peak = 0.0f;
    for (float v : buffer.samples) {
        peak = std::fmax(peak, std::fabs(v));
    }
    if (peak == 0.0f) {
        return;
    }
    const float scale = target / peak;
    for (float& v : buffer.samples) {
        v *= scale;
    }
}

void limitDuration(SampleBuffer& buffer, double seconds)
{
    const double rate = buffer.sampleRate;
    if (!(rate > 0.0) || static_cast<double>(buffer.count()) / rate <= seconds) {
        return;
    }
    buffer.samples.resize(static_cast<std::size_t>(seconds * rate));
}

} // namespace tessarine
