#pragma once
// The two axes of the curve views. Time axes show a window of viewLength
// seconds from viewStart; frequency axes are warped through three points
// (20 Hz at the left, 5 kHz at three quarters, 22 kHz at the right) so the
// musically busy range gets most of the width.

namespace tessarine {

inline constexpr float kWarpLowHz = 20.0f;
inline constexpr float kWarpKneeHz = 5000.0f;
inline constexpr float kWarpHighHz = 22000.0f;
inline constexpr float kWarpKnee = 0.75f;

// Position 0..1 across the plot for a frequency; 0 at or below 20 Hz.
inline float warpPosition(float hz)
{
    if (!(hz > kWarpLowHz)) {
        return 0.0f;
    }
    if (hz <= kWarpKneeHz) {
        return kWarpKnee * (hz - kWarpLowHz) / (kWarpKneeHz - kWarpLowHz);
    }
    return kWarpKnee + (1.0f - kWarpKnee) * (hz - kWarpKneeHz) / (kWarpHighHz - kWarpKneeHz);
}

// The frequency at a position across the plot; 20 Hz left of the plot.
inline float warpFrequency(float position)
{
    if (!(position > 0.0f)) {
        return kWarpLowHz;
    }
    if (position <= kWarpKnee) {
        return kWarpLowHz + position / kWarpKnee * (kWarpKneeHz - kWarpLowHz);
    }
    return kWarpKneeHz + (position - kWarpKnee) / (1.0f - kWarpKnee) * (kWarpHighHz - kWarpKneeHz);
}

} // namespace tessarine
