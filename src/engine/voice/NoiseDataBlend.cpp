#include "engine/voice/NoiseDataBlend.h"

#include "engine/voice/NoiseBandLookup.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tessarine {

namespace {

constexpr int kCorners = 4;
constexpr float kAttackGap = 0.005f;  // seconds between kept frames early in a sound
constexpr float kSustainGap = 0.03f;  // ... and once the attack is over
constexpr float kAttackEnd = 0.1f;
constexpr int kThinningStart = 16;    // frames still allowed when thinning begins

void writeFrame(NoiseData& out, int index, float time, const std::array<float, kNoiseBandCount>& bands)
{
    NoiseFrame& frame = out.frame(index);
    frame.bands = bands;
    frame.silent = std::none_of(bands.begin(), bands.end(), [](float b) { return b > 0.0f; });
    out.setFrameTime(index, time);
}

void copyFrames(NoiseData& out, const NoiseData& source)
{
    const int count = source.frameCount();
    for (int i = 0; i < count; ++i) {
        writeFrame(out, i, source.frameTime(i), source.frame(i).bands);
    }
    out.setFrameCount(count);
    out.renderValue = source.renderValue;
}

float usableWeight(float w)
{
    return std::isfinite(w) ? w : 0.0f;
}

} // namespace

void blendNoiseData(NoiseData& out, const Voice& voice, const SlotBlend& blend)
{
    const int low = std::clamp(blend.low, 0, kMaxMultisamples - 1);
    const int high = std::clamp(blend.high, 0, kMaxMultisamples - 1);
    if (blend.solo) {
        copyFrames(out, voice.layer(low, std::clamp(blend.soloLayer, 0, kLayersPerMultisample - 1)).noise);
        return;
    }

    const std::array<const NoiseData*, kCorners> corners = {
        &voice.layer(low, 0).noise, &voice.layer(high, 0).noise, &voice.layer(low, 1).noise,
        &voice.layer(high, 1).noise};
    const std::array<float, kCorners> weights = {
        usableWeight(blend.weight(false, 0)), usableWeight(blend.weight(true, 0)),
        usableWeight(blend.weight(false, 1)), usableWeight(blend.weight(true, 1))};

    std::array<int, kCorners> next{};
    std::array<float, kNoiseBandCount> bands{};
    int made = 0;
    float lastTime = 0.0f;
    int sinceTaken = 0;
    while (made < kMaxNoiseFrames) {
        bool found = false;
        float t = 0.0f;
        for (int c = 0; c < kCorners; ++c) {
            const NoiseData& data = *corners[static_cast<std::size_t>(c)];
            const int i = next[static_cast<std::size_t>(c)];
            if (i < data.frameCount() && (!found || data.frameTime(i) < t)) {
                t = data.frameTime(i);
                found = true;
            }
        }
        if (!found) {
            break;
        }
        int unread = 0;
        for (int c = 0; c < kCorners; ++c) {
            const NoiseData& data = *corners[static_cast<std::size_t>(c)];
            int& i = next[static_cast<std::size_t>(c)];
            if (i < data.frameCount() && !(data.frameTime(i) > t)) {
                ++i;
            }
            unread += data.frameCount() - i;
        }

        // A frame at time 0 (the silent start preparation puts there) does not
        // hold back the first real frame.
        const float gap = t + kAttackGap > kAttackEnd ? kSustainGap : kAttackGap;
        if (made > 0 && lastTime > 0.0f && !(t > lastTime + gap)) {
            continue;
        }
        const int remaining = kMaxNoiseFrames - made;
        ++sinceTaken;
        if (remaining < kThinningStart && sinceTaken < unread / remaining + 1) {
            continue;
        }
        sinceTaken = 0;

        bands.fill(0.0f);
        for (int c = 0; c < kCorners; ++c) {
            const float w = weights[static_cast<std::size_t>(c)];
            if (w != 0.0f) {
                addNoiseBandsAt(*corners[static_cast<std::size_t>(c)], t, w, bands.data());
            }
        }
        writeFrame(out, made, t, bands);
        lastTime = t;
        ++made;
    }
    out.setFrameCount(made);
}

} // namespace tessarine
