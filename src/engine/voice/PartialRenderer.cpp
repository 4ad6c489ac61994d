#include "engine/voice/PartialRenderer.h"

#include "sound/model/SharedTables.h"

#include <cmath>
#include <iterator>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

// The portable path: the lanes one after another, in the reference's arithmetic.
void renderLanesPortable(float* __restrict phase, const float* __restrict increment,
                         const float* __restrict incrementStep, const float* __restrict amplitude,
                         const float* __restrict amplitudeStep, const float* __restrict table, float* out, int n)
{
    constexpr int L = PartialBatch::kLanes;
    float ph[L], inc[L], amp[L];
    for (int l = 0; l < L; ++l) {
        ph[l] = phase[l];
        inc[l] = increment[l];
        amp[l] = amplitude[l];
    }
    for (int s = 0; s < n; ++s) {
        float sum = 0.0f;
        for (int l = 0; l < L; ++l) {
            float p = ph[l] + inc[l];
            p = p >= kSineTableUnits ? p - kSineTableUnits : p;
            ph[l] = p;
            inc[l] += incrementStep[l];
            amp[l] += amplitudeStep[l];
            const int j = static_cast<int>(p);
            const float t0 = table[j];
            sum += amp[l] * (t0 + (table[j + 1] - t0) * (p - static_cast<float>(j)));
        }
        out[s] += sum;
    }
    for (int l = 0; l < L; ++l) {
        phase[l] = ph[l];
    }
}

#if defined(__x86_64__)
// The sine table as (value, step to the next value) pairs, so one 64-bit
// gather brings both numbers the interpolation needs: half the gathered
// elements of reading the table twice, with the same arithmetic.
struct SinePair {
    float value;
    float step;
};

const std::array<SinePair, 200>& sinePairs()
{
    static const std::array<SinePair, 200> pairs = [] {
        const std::array<float, 201>& table = sineTable();
        std::array<SinePair, 200> p{};
        for (std::size_t j = 0; j < p.size(); ++j) {
            p[j] = {table[j], table[j + 1] - table[j]};
        }
        return p;
    }();
    return pairs;
}

// GCC 12's own gather intrinsics trip its uninitialised-value warning; the
// warning is about the header, not this code.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// Sixteen partials in two AVX2 registers: the same operations lane for lane.
// Two independent registers keep the processor busy while each one waits on
// its phase wrap.
__attribute__((target("avx2"))) void renderLanesAvx2(float* __restrict phase, const float* __restrict increment,
                                                     const float* __restrict incrementStep,
                                                     const float* __restrict amplitude,
                                                     const float* __restrict amplitudeStep, const float*, float* out,
                                                     int n)
{
    const double* pairs = reinterpret_cast<const double*>(sinePairs().data());
    const __m256 period = _mm256_set1_ps(kSineTableUnits);
    // The gathered pairs come back as lanes 0 1 4 5 | 2 3 6 7 of each half;
    // asking for the indices in that order puts the values back in lane order.
    const __m256i gatherOrder = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
    __m256 ph[2], inc[2], dinc[2], amp[2], damp[2];
    for (int r = 0; r < 2; ++r) {
        ph[r] = _mm256_loadu_ps(phase + 8 * r);
        inc[r] = _mm256_loadu_ps(increment + 8 * r);
        dinc[r] = _mm256_loadu_ps(incrementStep + 8 * r);
        amp[r] = _mm256_loadu_ps(amplitude + 8 * r);
        damp[r] = _mm256_loadu_ps(amplitudeStep + 8 * r);
    }
    for (int s = 0; s < n; ++s) {
        __m256 v[2];
        for (int r = 0; r < 2; ++r) {
            ph[r] = _mm256_add_ps(ph[r], inc[r]);
            ph[r] = _mm256_sub_ps(ph[r], _mm256_and_ps(_mm256_cmp_ps(ph[r], period, _CMP_GE_OQ), period));
            inc[r] = _mm256_add_ps(inc[r], dinc[r]);
            amp[r] = _mm256_add_ps(amp[r], damp[r]);
            const __m256i j = _mm256_cvttps_epi32(ph[r]);
            const __m256i ordered = _mm256_permutevar8x32_epi32(j, gatherOrder);
            const __m256 low = _mm256_castpd_ps(_mm256_i32gather_pd(pairs, _mm256_castsi256_si128(ordered), 8));
            const __m256 high = _mm256_castpd_ps(_mm256_i32gather_pd(pairs, _mm256_extracti128_si256(ordered, 1), 8));
            const __m256 t0 = _mm256_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0));
            const __m256 step = _mm256_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1));
            const __m256 frac = _mm256_sub_ps(ph[r], _mm256_cvtepi32_ps(j));
            v[r] = _mm256_mul_ps(amp[r], _mm256_add_ps(t0, _mm256_mul_ps(step, frac)));
        }
        const __m256 both = _mm256_add_ps(v[0], v[1]);
        __m128 sum = _mm_add_ps(_mm256_castps256_ps128(both), _mm256_extractf128_ps(both, 1));
        sum = _mm_add_ps(sum, _mm_movehl_ps(sum, sum));
        sum = _mm_add_ss(sum, _mm_shuffle_ps(sum, sum, 1));
        out[s] += _mm_cvtss_f32(sum);
    }
    for (int r = 0; r < 2; ++r) {
        _mm256_storeu_ps(phase + 8 * r, ph[r]);
    }
}
#pragma GCC diagnostic pop
#endif

using LaneRenderer = void (*)(float*, const float*, const float*, const float*, const float*, const float*, float*,
                              int);

#if defined(__x86_64__)
bool processorHasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

LaneRenderer laneRenderer(LaneKernel kernel)
{
#if defined(__x86_64__)
    if (processorHasAvx2() && (kernel == LaneKernel::Automatic || kernel == LaneKernel::Avx2)) {
        return renderLanesAvx2;
    }
#endif
    (void)kernel;
    return renderLanesPortable;
}

} // namespace

std::span<const LaneKernel> availableLaneKernels()
{
    static constexpr LaneKernel kAll[] = {
        LaneKernel::Portable,
#if defined(__x86_64__)
        LaneKernel::Avx2,
#endif
    };
#if defined(__x86_64__)
    return std::span(kAll, processorHasAvx2() ? std::size(kAll) : 1);
#else
    return std::span(kAll);
#endif
}

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

void PartialBatch::render(float* out, int n, LaneKernel kernel)
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
    laneRenderer(kernel)(phase_.data(), increment_.data(), incrementStep_.data(), amplitude_.data(),
                   amplitudeStep_.data(), sineTable().data(), out, n);
    for (int l = 0; l < count_; ++l) {
        *phaseOut_[static_cast<std::size_t>(l)] = phase_[static_cast<std::size_t>(l)];
    }
    count_ = 0;
}

} // namespace tessarine
