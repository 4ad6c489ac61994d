#include "engine/voice/PartialRenderer.h"

#include "sound/model/SharedTables.h"

#include <atomic>
#include <cmath>
#include <iterator>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tessarine {

namespace {

// The kernels keep the phase a quarter period behind the partial's: the sine
// of the phase is then the cosine of the stored value, which is even, so its
// magnitude alone folds every phase onto one quarter period where the
// polynomial is fitted.
constexpr std::uint32_t kQuarterPeriod = 1u << 30;
constexpr double kFixedPeriod = 4294967296.0; // 2^32: one period in fixed point

// sin(2πz) ≈ z (c1 + c3 z² + c5 z⁴ + c7 z⁶) for |z| ≤ 1/4: equal-ripple
// coefficients, at most 5.9e-7 from the sine over the whole quarter.
constexpr float kSine1 = 6.283164044302505f;
constexpr float kSine3 = -41.337142371122624f;
constexpr float kSine5 = 81.34076888869937f;
constexpr float kSine7 = -70.99343328277975f;

// The sine of a stored (quarter-behind) phase, less its amplitude: z and the
// polynomial apart, as the vector kernel multiplies them.
struct SineFactors {
    float z;
    float polynomial;
};

inline SineFactors sineFactors(std::uint32_t stored)
{
    // |stored| as a signed fraction of a period lies in 0 .. 1/2; the cosine
    // there is sin(2π z) with z = 1/4 - |stored|.
    const float magnitude = std::fabs(static_cast<float>(static_cast<std::int32_t>(stored)));
    const float z = 0.25f - magnitude * 0x1p-32f;
    const float z2 = z * z;
    return {z, ((kSine7 * z2 + kSine5) * z2 + kSine3) * z2 + kSine1};
}

// Ramps smaller than this are rounding noise; keeping them would only add drift.
float flushTiny(float x) { return std::fabs(x) < 1e-11f ? 0.0f : x; }

// Frequencies are kept within 0..Nyquist and phases within one period, whatever
// the data: a stray value must never reach the table of the Table kernel nor
// wrap the fixed-point increment.
float safeFrequency(float f, float sampleRate)
{
    return f > 0.0f ? (f < 0.5f * sampleRate ? f : 0.5f * sampleRate) : 0.0f;
}

float safePhase(float phase) { return phase >= 0.0f && phase < kPhasePeriod ? phase : 0.0f; }

// Nearest integer of a value well inside the 64-bit range, as 32-bit modular
// fixed point: increments and steps wrap the way the phase does.
std::uint32_t fixedPoint(double x)
{
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(x < 0.0 ? x - 0.5 : x + 0.5));
}

struct FixedRamp {
    std::uint32_t phase; // stored, a quarter period behind
    std::uint32_t increment;
    std::uint32_t incrementStep;
    float amplitudeStep;
};

}

RampScale rampScaleFor(float sampleRate, int n)
{
    return {kFixedPeriod / static_cast<double>(sampleRate), 1.0 / static_cast<double>(n),
            1.0f / static_cast<float>(n)};
}

namespace {

// Once per partial and block: the double precision is paid here, never per
// sample, and the divisions once per block length and rate (RampScale).
FixedRamp fixedRampFor(float phase, float f0, float f1, float a0, float a1, float sampleRate, const RampScale& scale)
{
    const double increment0 = static_cast<double>(safeFrequency(f0, sampleRate)) * scale.perHz;
    const double increment1 = static_cast<double>(safeFrequency(f1, sampleRate)) * scale.perHz;
    return {fixedPoint(static_cast<double>(safePhase(phase)) * (kFixedPeriod / kPhasePeriod)) - kQuarterPeriod,
            fixedPoint(increment0), fixedPoint((increment1 - increment0) * scale.inverseLength),
            flushTiny((a1 - a0) * scale.inverseLengthFloat)};
}

// A stored phase back in the callers' unit.
float phaseUnitsOf(std::uint32_t stored)
{
    const float p = static_cast<float>(static_cast<double>(stored + kQuarterPeriod) * (kPhasePeriod / kFixedPeriod));
    return p < kPhasePeriod ? p : 0.0f; // the last fraction of a period can round up to a whole one
}

// The portable path: the lanes one after another, in the reference's arithmetic.
void renderLanesPortable(std::uint32_t* __restrict phase, const std::uint32_t* __restrict increment,
                         const std::uint32_t* __restrict incrementStep, const float* __restrict amplitude,
                         const float* __restrict amplitudeStep, float* out, int n)
{
    constexpr int L = PartialBatch::kLanes;
    std::uint32_t ph[L], inc[L];
    float amp[L];
    for (int l = 0; l < L; ++l) {
        ph[l] = phase[l];
        inc[l] = increment[l];
        amp[l] = amplitude[l];
    }
    for (int s = 0; s < n; ++s) {
        float sum = 0.0f;
        for (int l = 0; l < L; ++l) {
            ph[l] += inc[l];
            inc[l] += incrementStep[l];
            amp[l] += amplitudeStep[l];
            const SineFactors f = sineFactors(ph[l]);
            sum += amp[l] * f.z * f.polynomial;
        }
        out[s] += sum;
    }
    for (int l = 0; l < L; ++l) {
        phase[l] = ph[l];
    }
}

#if defined(__x86_64__)
// One sample of sixteen lanes in two registers, summed down to one register.
__attribute__((target("avx2,fma"), always_inline)) inline __m256 sixteenLanes(__m256i* ph, __m256i* inc,
                                                                             const __m256i* dinc, __m256* amp,
                                                                             const __m256* damp)
{
    const __m256 magnitudeMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
    __m256 v[2];
#pragma GCC unroll 2
    for (int r = 0; r < 2; ++r) {
        ph[r] = _mm256_add_epi32(ph[r], inc[r]);
        inc[r] = _mm256_add_epi32(inc[r], dinc[r]);
        amp[r] = _mm256_add_ps(amp[r], damp[r]);
        const __m256 magnitude = _mm256_and_ps(_mm256_cvtepi32_ps(ph[r]), magnitudeMask);
        const __m256 z = _mm256_fnmadd_ps(magnitude, _mm256_set1_ps(0x1p-32f), _mm256_set1_ps(0.25f));
        const __m256 z2 = _mm256_mul_ps(z, z);
        __m256 p = _mm256_fmadd_ps(_mm256_set1_ps(kSine7), z2, _mm256_set1_ps(kSine5));
        p = _mm256_fmadd_ps(p, z2, _mm256_set1_ps(kSine3));
        p = _mm256_fmadd_ps(p, z2, _mm256_set1_ps(kSine1));
        v[r] = _mm256_mul_ps(_mm256_mul_ps(amp[r], z), p);
    }
    return _mm256_add_ps(v[0], v[1]);
}

// Sixteen partials in two AVX2 registers, the portable arithmetic lane for
// lane (with fused multiply-adds in the polynomial). The sum over the lanes is
// taken eight samples at a time: one transposing reduction per eight samples
// instead of a horizontal sum per sample.
__attribute__((target("avx2,fma"))) void
renderLanesAvx2(std::uint32_t* __restrict phase, const std::uint32_t* __restrict increment,
                const std::uint32_t* __restrict incrementStep, const float* __restrict amplitude,
                const float* __restrict amplitudeStep, float* out, int n)
{
    __m256i ph[2], inc[2], dinc[2];
    __m256 amp[2], damp[2];
    for (int r = 0; r < 2; ++r) {
        ph[r] = _mm256_load_si256(reinterpret_cast<const __m256i*>(phase + 8 * r));
        inc[r] = _mm256_load_si256(reinterpret_cast<const __m256i*>(increment + 8 * r));
        dinc[r] = _mm256_load_si256(reinterpret_cast<const __m256i*>(incrementStep + 8 * r));
        amp[r] = _mm256_load_ps(amplitude + 8 * r);
        damp[r] = _mm256_load_ps(amplitudeStep + 8 * r);
    }
    int s = 0;
    for (; s + 8 <= n; s += 8) {
        __m256 v[8];
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) {
            v[k] = sixteenLanes(ph, inc, dinc, amp, damp);
        }
        // Pairwise sums fold eight registers of eight lanes into one register
        // holding the eight samples' totals, in sample order.
        const __m256 first = _mm256_hadd_ps(_mm256_hadd_ps(v[0], v[1]), _mm256_hadd_ps(v[2], v[3]));
        const __m256 second = _mm256_hadd_ps(_mm256_hadd_ps(v[4], v[5]), _mm256_hadd_ps(v[6], v[7]));
        const __m256 sums = _mm256_add_ps(_mm256_permute2f128_ps(first, second, 0x20),
                                          _mm256_permute2f128_ps(first, second, 0x31));
        _mm256_storeu_ps(out + s, _mm256_add_ps(_mm256_loadu_ps(out + s), sums));
    }
    for (; s < n; ++s) {
        const __m256 v = sixteenLanes(ph, inc, dinc, amp, damp);
        __m128 sum = _mm_add_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
        sum = _mm_add_ps(sum, _mm_movehl_ps(sum, sum));
        sum = _mm_add_ss(sum, _mm_shuffle_ps(sum, sum, 1));
        out[s] += _mm_cvtss_f32(sum);
    }
    for (int r = 0; r < 2; ++r) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(phase + 8 * r), ph[r]);
    }
}
#endif

using LaneRenderer = void (*)(std::uint32_t*, const std::uint32_t*, const std::uint32_t*, const float*, const float*,
                              float*, int);

#if defined(__x86_64__)
bool processorHasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}
#endif

std::atomic<LaneKernel> automaticKernel{LaneKernel::Automatic};

LaneKernel resolved(LaneKernel kernel)
{
    if (kernel == LaneKernel::Automatic) {
        kernel = automaticKernel.load(std::memory_order_relaxed);
    }
#if defined(__x86_64__)
    if (kernel == LaneKernel::Automatic || (kernel == LaneKernel::Avx2 && !processorHasAvx2())) {
        return processorHasAvx2() ? LaneKernel::Avx2 : LaneKernel::Portable;
    }
#else
    if (kernel == LaneKernel::Automatic || kernel == LaneKernel::Avx2) {
        return LaneKernel::Portable;
    }
#endif
    return kernel;
}

LaneRenderer laneRenderer(LaneKernel kernel)
{
#if defined(__x86_64__)
    if (kernel == LaneKernel::Avx2) {
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

void setAutomaticLaneKernelForTesting(LaneKernel kernel)
{
    automaticKernel.store(kernel, std::memory_order_relaxed);
}

void renderPartial(float& phase, float f0, float f1, float a0, float a1, float sampleRate, float* out, int n)
{
    if (n <= 0 || !(sampleRate > 0.0f)) {
        return;
    }
    const FixedRamp ramp = fixedRampFor(phase, f0, f1, a0, a1, sampleRate, rampScaleFor(sampleRate, n));
    std::uint32_t p = ramp.phase;
    std::uint32_t increment = ramp.increment;
    float amplitude = a0;
    for (int s = 0; s < n; ++s) {
        p += increment;
        increment += ramp.incrementStep;
        amplitude += ramp.amplitudeStep;
        const SineFactors f = sineFactors(p);
        out[s] += amplitude * f.z * f.polynomial;
    }
    phase = phaseUnitsOf(p);
}

bool PartialBatch::add(float* phase, float f0, float f1, float a0, float a1, float sampleRate, int n)
{
    if (count_ >= kLanes || n <= 0 || !(sampleRate > 0.0f)) {
        return false;
    }
    // A voice's partials share the rate and the block length.
    if (sampleRate != scaleRate_ || n != scaleLength_) {
        scale_ = rampScaleFor(sampleRate, n);
        scaleRate_ = sampleRate;
        scaleLength_ = n;
    }
    const FixedRamp ramp = fixedRampFor(*phase, f0, f1, a0, a1, sampleRate, scale_);
    const auto lane = static_cast<std::size_t>(count_);
    phase_[lane] = ramp.phase;
    increment_[lane] = ramp.increment;
    incrementStep_[lane] = ramp.incrementStep;
    amplitude_[lane] = a0;
    amplitudeStep_[lane] = ramp.amplitudeStep;
    tablePhase_[lane] = *phase;
    frequency0_[lane] = f0;
    frequency1_[lane] = f1;
    sampleRate_[lane] = sampleRate;
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
    kernel = resolved(kernel);
    if (kernel == LaneKernel::Table) {
        renderTable(out, n);
        count_ = 0;
        return;
    }
    // Unused lanes stay silent: zero amplitude.
    for (int l = count_; l < kLanes; ++l) {
        const auto lane = static_cast<std::size_t>(l);
        phase_[lane] = increment_[lane] = incrementStep_[lane] = 0;
        amplitude_[lane] = amplitudeStep_[lane] = 0.0f;
    }
    laneRenderer(kernel)(phase_.data(), increment_.data(), incrementStep_.data(), amplitude_.data(),
                         amplitudeStep_.data(), out, n);
    for (int l = 0; l < count_; ++l) {
        const auto lane = static_cast<std::size_t>(l);
        *phaseOut_[lane] = phaseUnitsOf(phase_[lane]);
    }
    count_ = 0;
}

// The former oscillator, sample for sample: float phase in table entries,
// linear interpolation between entries, lanes summed in order.
void PartialBatch::renderTable(float* out, int n)
{
    const std::array<float, 201>& table = sineTable();
    float ph[kLanes], inc[kLanes], dinc[kLanes], amp[kLanes];
    const float inverseLength = 1.0f / static_cast<float>(n);
    for (int l = 0; l < count_; ++l) {
        const auto lane = static_cast<std::size_t>(l);
        const float rate = sampleRate_[lane];
        const float k = kPhasePeriod / rate;
        const float increment = safeFrequency(frequency0_[lane], rate) * k;
        ph[l] = safePhase(tablePhase_[lane]);
        inc[l] = flushTiny(increment);
        dinc[l] = flushTiny((safeFrequency(frequency1_[lane], rate) * k - increment) * inverseLength);
        amp[l] = amplitude_[lane];
    }
    for (int s = 0; s < n; ++s) {
        float sum = 0.0f;
        for (int l = 0; l < count_; ++l) {
            float p = ph[l] + inc[l];
            p = p >= kPhasePeriod ? p - kPhasePeriod : p;
            ph[l] = p;
            inc[l] += dinc[l];
            amp[l] += amplitudeStep_[static_cast<std::size_t>(l)];
            const int j = static_cast<int>(p);
            const float t0 = table[static_cast<std::size_t>(j)];
            sum += amp[l] * (t0 + (table[static_cast<std::size_t>(j + 1)] - t0) * (p - static_cast<float>(j)));
        }
        out[s] += sum;
    }
    for (int l = 0; l < count_; ++l) {
        *phaseOut_[static_cast<std::size_t>(l)] = ph[l];
    }
}

} // namespace tessarine
