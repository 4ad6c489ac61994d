#include "engine/Chorus.h"

#include "engine/UnitValue.h"
#include "sound/SharedTables.h"

#include <algorithm>
#include <cstring>

namespace tessarine {

namespace {
constexpr float kMaxDelaySeconds = 0.03f;
constexpr float kMaxDepthSeconds = 0.005f;
constexpr float kTableSteps = 200.0f;       // one sine period in the shared table
constexpr float kQuarterPeriod = 50.0f;     // the right tap's phase lead
// The near neighbour of the interpolated tap sits one sample closer than the
// read index; two spare samples keep it behind the write index even when the
// fixed delay D is shorter than a sample.
constexpr int kSpareSamples = 2;
} // namespace

void Chorus::setSampleRate(float rate)
{
    if (!usableSampleRate(rate)) {
        return;
    }
    sampleRate_ = rate;
    auto capacity = static_cast<std::size_t>((kMaxDelaySeconds + kMaxDepthSeconds) * rate + 0.5f) + kSpareSamples;
    ring_.assign(capacity, 0.0f);
    reset();
}

void Chorus::setMix(float chorusMix) { mix_ = 0.5f * unitValue(chorusMix, 0.0f); }

void Chorus::setRate(float chorusRate) { rateHz_ = 3.0f * unitValue(chorusRate, 0.0f); }

void Chorus::setTimes(float chorusDelay, float chorusDepth)
{
    delaySeconds_ = kMaxDelaySeconds * unitValue(chorusDelay, 0.0f);
    depthSeconds_ = kMaxDepthSeconds * unitValue(chorusDepth, 0.0f);
    reset();
}

void Chorus::reset()
{
    std::fill(ring_.begin(), ring_.end(), 0.0f);
    phase_ = 0.0f;
    write_ = 0;
    if (ring_.empty()) {
        length_ = 1;
        read_ = 0;
        return;
    }
    const int capacity = static_cast<int>(ring_.size());
    read_ = static_cast<int>(depthSeconds_ * sampleRate_ + 0.5f);
    int length = static_cast<int>((delaySeconds_ + depthSeconds_) * sampleRate_ + 0.5f);
    length_ = std::clamp(std::max(length, read_ + kSpareSamples), 1, capacity);
    read_ = std::min(read_, length_ - 1);
}

// One tap at LFO phase: the sweep m runs 0..W x R samples behind the read index.
float Chorus::tap(float phase) const
{
    const auto& table = sineTable();
    int step = static_cast<int>(phase);
    float frac = phase - static_cast<float>(step);
    float s = table[static_cast<std::size_t>(step)] +
              frac * (table[static_cast<std::size_t>(step + 1)] - table[static_cast<std::size_t>(step)]);
    float m = (s + 1.0f) * 0.5f * depthSeconds_ * sampleRate_;
    int whole = std::min(static_cast<int>(m), length_);
    float e = m - static_cast<float>(whole);
    int j = read_ - whole;
    if (j < 0) {
        j += length_;
    }
    int next = j + 1 == length_ ? 0 : j + 1;
    return e * ring_[static_cast<std::size_t>(j)] + (1.0f - e) * ring_[static_cast<std::size_t>(next)];
}

void Chorus::process(float* inOut0, float* out1, int frames)
{
    if (frames <= 0) {
        return;
    }
    if (ring_.empty()) {
        std::memcpy(out1, inOut0, sizeof(float) * static_cast<std::size_t>(frames));
        return;
    }
    const float increment = rateHz_ * kTableSteps / sampleRate_;
    const float mix = mix_;
    for (int i = 0; i < frames; ++i) {
        phase_ += increment;
        if (phase_ >= kTableSteps) {
            phase_ -= kTableSteps;
        }
        float phaseB = phase_ + kQuarterPeriod;
        if (phaseB >= kTableSteps) {
            phaseB -= kTableSteps;
        }
        float tapA = tap(phase_);
        float tapB = tap(phaseB);
        float x = inOut0[i];
        ring_[static_cast<std::size_t>(write_)] = x;
        float dry = x * (1.0f - mix);
        inOut0[i] = tapA * mix + dry;
        out1[i] = tapB * mix + dry;
        if (++write_ == length_) {
            write_ = 0;
        }
        if (++read_ == length_) {
            read_ = 0;
        }
    }
}

} // namespace tessarine
