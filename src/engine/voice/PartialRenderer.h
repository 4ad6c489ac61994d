#pragma once
// Sine partials with per-block linear ramps of frequency and amplitude.
//
// Inside a block the phase is a 32-bit fixed-point fraction of a period: it
// wraps by itself and the frequency ramp adds exactly, with no rounding drift.
// The sine of it is an odd degree-7 polynomial over a quarter period, at most
// 6e-7 of full scale from the true sine where the 201-entry table with linear
// interpolation the engine played before was 1.2e-4 off. No table and no
// transcendental function is evaluated per sample.
//
// renderPartial plays one partial and is the reference; PartialBatch plays up
// to sixteen at once, lane by lane in the same arithmetic, in AVX2 registers
// where the processor has them (chosen at run time) and one lane after
// another otherwise.

#include <array>
#include <cstdint>
#include <span>

namespace tessarine {

// Callers carry a partial's phase between blocks as a float in these units
// (one period = 200), the unit of the former table oscillator.
inline constexpr float kPhasePeriod = 200.0f;

// Adds n samples of one partial to out. phase (0 .. kPhasePeriod) is carried
// from block to block. f0/f1 and a0/a1 are the frequency (Hz) and amplitude at
// the block's start and end.
void renderPartial(float& phase, float f0, float f1, float a0, float a1, float sampleRate, float* out, int n);

// The ways a batch can play its lanes. Automatic takes the fastest one the
// processor runs; naming one is for tests and benchmarks, so that every
// kernel is checked against the reference on any machine that can run it.
enum class LaneKernel : int {
    Automatic,
    Portable, // one lane after another, on any processor
    Avx2,     // x86-64 builds, on processors with AVX2 and FMA
    // The former oscillator (201-entry table, linear interpolation, float
    // phase), portable code. Kept only as the accuracy yardstick for tests and
    // benchmarks: Automatic never picks it and availableLaneKernels omits it.
    Table,
};

// The kernels of the current oscillator that this build contains and this
// processor can run, Portable first.
std::span<const LaneKernel> availableLaneKernels();

// For tests and benchmarks only, never called by the engine: makes every
// batch in the process that asks for Automatic play as kernel instead (Table
// renders the whole engine with the former oscillator, for before/after
// comparisons); Automatic restores the processor's choice. Set it while no
// audio is rendering.
void setAutomaticLaneKernelForTesting(LaneKernel kernel);

// The divisions a ramp needs, the same for every partial of a block.
struct RampScale {
    double perHz;         // fixed-point phase per second and Hz
    double inverseLength; // 1 / samples
    float inverseLengthFloat;
};
RampScale rampScaleFor(float sampleRate, int n);

class PartialBatch {
public:
    static constexpr int kLanes = 16;

    // Queues one partial; its phase is read now and written back by render.
    // False when the batch is full.
    bool add(float* phase, float f0, float f1, float a0, float a1, float sampleRate, int n);
    bool full() const { return count_ == kLanes; }
    bool empty() const { return count_ == 0; }

    // Adds the queued partials to out over n samples (the n given to add) and
    // empties the batch. A kernel this processor cannot run plays as Automatic.
    void render(float* out, int n, LaneKernel kernel = LaneKernel::Automatic);

private:
    void renderTable(float* out, int n);

    // Fixed-point phase (a quarter period behind, see the kernels), increment
    // and its per-sample step, in 2^-32 periods.
    alignas(32) std::array<std::uint32_t, kLanes> phase_{};
    alignas(32) std::array<std::uint32_t, kLanes> increment_{};
    alignas(32) std::array<std::uint32_t, kLanes> incrementStep_{};
    alignas(32) std::array<float, kLanes> amplitude_{};
    alignas(32) std::array<float, kLanes> amplitudeStep_{};
    // What the Table kernel starts from instead.
    std::array<float, kLanes> tablePhase_{};
    std::array<float, kLanes> frequency0_{};
    std::array<float, kLanes> frequency1_{};
    std::array<float, kLanes> sampleRate_{};
    std::array<float*, kLanes> phaseOut_{};
    int count_ = 0;
    RampScale scale_{};
    float scaleRate_ = 0.0f;
    int scaleLength_ = 0;
};

} // namespace tessarine
