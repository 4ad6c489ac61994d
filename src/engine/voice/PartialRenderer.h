#pragma once
// Sine partials by table lookup: a 201-entry sine period, linear interpolation
// between entries, and per-block linear ramps of frequency and amplitude. No
// transcendental function is evaluated per sample.
//
// renderPartial plays one partial and is the reference; PartialBatch plays up
// to sixteen at once, lane by lane in the same arithmetic, in AVX2 registers
// where the processor has them (chosen at run time) and one lane after
// another otherwise.

#include <array>
#include <span>

namespace tessarine {

inline constexpr float kSineTableUnits = 200.0f; // one period in table entries

// Adds n samples of one partial to out. phase is in table units and is carried
// from block to block. f0/f1 and a0/a1 are the frequency (Hz) and amplitude at
// the block's start and end.
void renderPartial(float& phase, float f0, float f1, float a0, float a1, float sampleRate, float* out, int n);

// The ways a batch can play its lanes. Automatic takes the fastest one the
// processor runs; naming one is for tests and benchmarks, so that every
// kernel is checked against the reference on any machine that can run it.
enum class LaneKernel : int {
    Automatic,
    Portable, // one lane after another, on any processor
    Avx2,     // x86-64 builds, on processors with AVX2
};

// The kernels this build contains that this processor can run, Portable first.
std::span<const LaneKernel> availableLaneKernels();

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
    alignas(64) std::array<float, kLanes> phase_{};
    alignas(64) std::array<float, kLanes> increment_{};
    alignas(64) std::array<float, kLanes> incrementStep_{};
    alignas(64) std::array<float, kLanes> amplitude_{};
    alignas(64) std::array<float, kLanes> amplitudeStep_{};
    std::array<float*, kLanes> phaseOut_{};
    int count_ = 0;
};

} // namespace tessarine
