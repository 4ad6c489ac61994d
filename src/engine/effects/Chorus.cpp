#include "engine/effects/Chorus.h"

#include "engine/effects/UnitValue.h"
#include "sound/model/SharedTables.h"

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

void Chorus::process(float* inOut0, float* out1, int frames)
{
    if (frames <= 0) {
        return;
    }
    if (ring_.empty()) {
        std::memcpy(out1, inOut0, sizeof(float) * static_cast<std::size_t>(frames));
        return;
    }
    // Everything the loop touches lives in locals: the output buffers are
    // floats too, and stores to them would otherwise force members to be reloaded.
    const float* table = sineTable().data();
    float* ring = ring_.data();
    const float increment = rateHz_ * kTableSteps / sampleRate_;
    const float sweep = 0.5f * depthSeconds_ * sampleRate_;
    const float mix = mix_;
    const int length = length_;
    float phase = phase_;
    int write = write_;
    int read = read_;

    // One tap at an LFO phase: the sweep m runs 0..W x R samples behind the read index.
    auto tap = [&](float at) {
        int step = static_cast<int>(at);
        float frac = at - static_cast<float>(step);
        float s = table[step] + frac * (table[step + 1] - table[step]);
        float m = (s + 1.0f) * sweep;
        int whole = std::min(static_cast<int>(m), length);
        float e = m - static_cast<float>(whole);
        int j = read - whole;
        if (j < 0) {
            j += length;
        }
        int next = j + 1 == length ? 0 : j + 1;
        return e * ring[j] + (1.0f - e) * ring[next];
    };

    for (int i = 0; i < frames; ++i) {
        phase += increment;
        if (phase >= kTableSteps) {
            phase -= kTableSteps;
        }
        float phaseB = phase + kQuarterPeriod;
        if (phaseB >= kTableSteps) {
            phaseB -= kTableSteps;
        }
        float tapA = tap(phase);
        float tapB = tap(phaseB);
        float x = inOut0[i];
        ring[write] = x;
        float dry = x * (1.0f - mix);
        inOut0[i] = tapA * mix + dry;
        out1[i] = tapB * mix + dry;
        if (++write == length) {
            write = 0;
        }
        if (++read == length) {
            read = 0;
        }
    }
    phase_ = phase;
    write_ = write;
    read_ = read;
}

} // namespace tessarine
