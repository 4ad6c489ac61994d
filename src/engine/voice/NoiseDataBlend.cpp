#include "engine/voice/NoiseDataBlend.h"

#include "engine/voice/NoiseBandLookup.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessarine {

namespace {

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

float usableWeight(float w)
{
    return std::isfinite(w) ? w : 0.0f;
}

// The first frame of data after time.
int firstAfter(const NoiseData& data, float time)
{
    int i = 0;
    while (i < data.frameCount() && !(data.frameTime(i) > time)) {
        ++i;
    }
    return i;
}

} // namespace

void NoiseDataBlend::start(NoiseData& out, const Voice& voice, const SlotBlend& blend, std::uint64_t editCount)
{
    out_ = &out;
    out.setFrameCount(0);
    const int low = std::clamp(blend.low, 0, kMaxMultisamples - 1);
    const int high = std::clamp(blend.high, 0, kMaxMultisamples - 1);
    solo_ = nullptr;
    if (blend.solo) {
        solo_ = &voice.layer(low, std::clamp(blend.soloLayer, 0, kLayersPerMultisample - 1)).noise;
        out.renderValue = solo_->renderValue;
        out.setFullBand(solo_->fullBand());
    } else {
        corners_ = {&voice.layer(low, 0).noise, &voice.layer(high, 0).noise, &voice.layer(low, 1).noise,
                    &voice.layer(high, 1).noise};
        weights_ = {usableWeight(blend.weight(false, 0)), usableWeight(blend.weight(true, 0)),
                    usableWeight(blend.weight(false, 1)), usableWeight(blend.weight(true, 1))};
        // Each corner adds its own bands; the blend plays as wide as the widest
        // corner that takes part.
        bool full = false;
        for (int c = 0; c < kCorners; ++c) {
            full = full || (weights_[static_cast<std::size_t>(c)] != 0.0f &&
                            corners_[static_cast<std::size_t>(c)]->fullBand());
        }
        out.setFullBand(full);
    }
    next_.fill(0);
    made_ = 0;
    soloNext_ = 0;
    lastTime_ = 0.0f;
    sinceTaken_ = 0;
    done_ = false;
    editCount_ = editCount;
}

void NoiseDataBlend::resync()
{
    if (made_ == 0) {
        return;
    }
    const float reached = out_->frameTime(made_ - 1);
    if (solo_ != nullptr) {
        soloNext_ = firstAfter(*solo_, reached);
        return;
    }
    for (int c = 0; c < kCorners; ++c) {
        next_[static_cast<std::size_t>(c)] = firstAfter(*corners_[static_cast<std::size_t>(c)], reached);
    }
}

bool NoiseDataBlend::makeFrame()
{
    if (made_ >= kMaxNoiseFrames) {
        return false;
    }
    if (solo_ != nullptr) {
        if (soloNext_ >= solo_->frameCount()) {
            return false;
        }
        writeFrame(*out_, made_, solo_->frameTime(soloNext_), solo_->frame(soloNext_).bands);
        ++soloNext_;
        out_->setFrameCount(++made_);
        return true;
    }
    for (;;) {
        bool found = false;
        float t = 0.0f;
        for (int c = 0; c < kCorners; ++c) {
            const NoiseData& data = *corners_[static_cast<std::size_t>(c)];
            const int i = next_[static_cast<std::size_t>(c)];
            if (i < data.frameCount() && (!found || data.frameTime(i) < t)) {
                t = data.frameTime(i);
                found = true;
            }
        }
        if (!found) {
            return false;
        }
        int unread = 0;
        for (int c = 0; c < kCorners; ++c) {
            const NoiseData& data = *corners_[static_cast<std::size_t>(c)];
            int& i = next_[static_cast<std::size_t>(c)];
            if (i < data.frameCount() && !(data.frameTime(i) > t)) {
                ++i;
            }
            unread += data.frameCount() - i;
        }

        // A frame at time 0 (the silent start preparation puts there) does not
        // hold back the first real frame.
        const float gap = t + kAttackGap > kAttackEnd ? kSustainGap : kAttackGap;
        if (made_ > 0 && lastTime_ > 0.0f && !(t > lastTime_ + gap)) {
            continue;
        }
        const int remaining = kMaxNoiseFrames - made_;
        ++sinceTaken_;
        if (remaining < kThinningStart && sinceTaken_ < unread / remaining + 1) {
            continue;
        }
        sinceTaken_ = 0;

        std::array<float, kNoiseBandCount> bands{};
        for (int c = 0; c < kCorners; ++c) {
            const float w = weights_[static_cast<std::size_t>(c)];
            if (w != 0.0f) {
                addNoiseBandsAt(*corners_[static_cast<std::size_t>(c)], t, w, bands.data());
            }
        }
        writeFrame(*out_, made_, t, bands);
        lastTime_ = t;
        out_->setFrameCount(++made_);
        return true;
    }
}

void NoiseDataBlend::blendUntil(float time, bool readable, std::uint64_t editCount)
{
    if (done_ || !readable) {
        return;
    }
    if (editCount != editCount_) {
        editCount_ = editCount;
        resync();
    }
    while (made_ == 0 || out_->frameTime(made_ - 1) < time) {
        if (!makeFrame()) {
            done_ = true;
            return;
        }
    }
}

void blendNoiseData(NoiseData& out, const Voice& voice, const SlotBlend& blend)
{
    NoiseDataBlend walk;
    walk.start(out, voice, blend, 0);
    walk.blendUntil(std::numeric_limits<float>::infinity(), true, 0);
}

} // namespace tessarine
