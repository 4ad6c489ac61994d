#include "engine/PartialRenderer.h"

#include "sound/SharedTables.h"

#include <cmath>

namespace tessarine {

namespace {

// Ramps smaller than this are rounding noise; keeping them would only add drift.
float flushTiny(float x) { return std::fabs(x) < 1e-11f ? 0.0f : x; }

struct Ramp {
    float increment;
    float incrementStep;
    float amplitudeStep;
};

// Frequencies are kept within 0..Nyquist and phases within one period, whatever
// the data: the table index is computed from them, so a stray value must never
// be able to reach past the table.
float safeFrequency(float f, float sampleRate)
{
    return f > 0.0f ? (f < 0.5f * sampleRate ? f : 0.5f * sampleRate) : 0.0f;
}

float safePhase(float phase) { return phase >= 0.0f && phase < kSineTableUnits ? phase : 0.0f; }

Ramp rampFor(float f0, float f1, float a0, float a1, float sampleRate, int n)
{
    f0 = safeFrequency(f0, sampleRate);
    f1 = safeFrequency(f1, sampleRate);
    const float k = kSineTableUnits / sampleRate;
    const float increment = f0 * k;
    const float inverseLength = 1.0f / static_cast<float>(n);
    return {flushTiny(increment), flushTiny((f1 * k - increment) * inverseLength),
            flushTiny((a1 - a0) * inverseLength)};
}

__attribute__((target_clones("avx2", "default"))) void renderLanes(float* __restrict phase,
                                                                    float* __restrict increment,
                                                                    const float* __restrict incrementStep,
                                                                    float* __restrict amplitude,
                                                                    const float* __restrict amplitudeStep,
                                                                    const float* __restrict table, float* out, int n)
{
    constexpr int L = PartialBatch::kLanes;
    float ph[L], inc[L], dinc[L], amp[L], damp[L];
    for (int l = 0; l < L; ++l) {
        ph[l] = phase[l];
        inc[l] = increment[l];
        dinc[l] = incrementStep[l];
        amp[l] = amplitude[l];
        damp[l] = amplitudeStep[l];
    }
    for (int s = 0; s < n; ++s) {
        float value[L];
        for (int l = 0; l < L; ++l) {
            float p = ph[l] + inc[l];
            p = p >= kSineTableUnits ? p - kSineTableUnits : p;
            ph[l] = p;
            inc[l] += dinc[l];
            amp[l] += damp[l];
            const int j = static_cast<int>(p);
            const float t0 = table[j];
            const float t1 = table[j + 1];
            value[l] = amp[l] * (t0 + (t1 - t0) * (p - static_cast<float>(j)));
        }
        float sum = 0.0f;
        for (int l = 0; l < L; ++l) {
            sum += value[l];
        }
        out[s] += sum;
    }
    for (int l = 0; l < L; ++l) {
        phase[l] = ph[l];
    }
}

} // namespace

void renderPartial(float& phase, float f0, float f1, float a0, float a1, float sampleRate, float* out, int n)
{
    if (n <= 0 || !(sampleRate > 0.0f)) {
        return;
    }
    const std::array<float, 201>& table = sineTable();
    const Ramp ramp = rampFor(f0, f1, a0, a1, sampleRate, n);
    float p = safePhase(phase);
    float increment = ramp.increment;
    float amplitude = a0;
    for (int s = 0; s < n; ++s) {
        p += increment;
        if (p >= kSineTableUnits) {
            p -= kSineTableUnits;
        }
        increment += ramp.incrementStep;
        amplitude += ramp.amplitudeStep;
        const int j = static_cast<int>(p);
        out[s] += amplitude * (table[static_cast<std::size_t>(j)] +
                               (table[static_cast<std::size_t>(j + 1)] - table[static_cast<std::size_t>(j)]) *
                                   (p - static_cast<float>(j)));
    }
    phase = p;
}

bool PartialBatch::add(float* phase, float f0, float f1, float a0, float a1, float sampleRate, int n)
{
    if (count_ >= kLanes || n <= 0 || !(sampleRate > 0.0f)) {
        return false;
    }
    const Ramp ramp = rampFor(f0, f1, a0, a1, sampleRate, n);
    const auto lane = static_cast<std::size_t>(count_);
    phase_[lane] = safePhase(*phase);
    increment_[lane] = ramp.increment;
    incrementStep_[lane] = ramp.incrementStep;
    amplitude_[lane] = a0;
    amplitudeStep_[lane] = ramp.amplitudeStep;
    phaseOut_[lane] = phase;
    ++count_;
    return true;
}

void PartialBatch::render(float* out, int n)
{
    if (count_ == 0 || n <= 0) {
        count_ = 0;
        return;
    }
    // Unused lanes stay silent: zero amplitude at phase 0.
    for (int l = count_; l < kLanes; ++l) {
        const auto lane = static_cast<std::size_t>(l);
        phase_[lane] = increment_[lane] = incrementStep_[lane] = amplitude_[lane] = amplitudeStep_[lane] = 0.0f;
    }
    renderLanes(phase_.data(), increment_.data(), incrementStep_.data(), amplitude_.data(), amplitudeStep_.data(),
                sineTable().data(), out, n);
    for (int l = 0; l < count_; ++l) {
        *phaseOut_[static_cast<std::size_t>(l)] = phase_[static_cast<std::size_t>(l)];
    }
    count_ = 0;
}

} // namespace tessarine
