// The oscillator kernel: cost per partial and sample, one at a time and batched.

#include "engine/voice/PartialRenderer.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

constexpr int kBlock = 256;
constexpr int kPartials = 64;

void BM_PartialOneAtATime(benchmark::State& state)
{
    std::vector<float> out(kBlock);
    std::array<float, kPartials> phases{};
    for (auto _ : state) {
        for (int p = 0; p < kPartials; ++p) {
            const float f = 110.0f * static_cast<float>(p + 1);
            tessarine::renderPartial(phases[static_cast<std::size_t>(p)], f, f * 1.001f, 0.1f, 0.09f, 44100.0f,
                                     out.data(), kBlock);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kPartials * kBlock);
}
BENCHMARK(BM_PartialOneAtATime);

void BM_PartialBatched(benchmark::State& state)
{
    std::vector<float> out(kBlock);
    std::array<float, kPartials> phases{};
    tessarine::PartialBatch batch;
    for (auto _ : state) {
        for (int p = 0; p < kPartials; ++p) {
            const float f = 110.0f * static_cast<float>(p + 1);
            batch.add(&phases[static_cast<std::size_t>(p)], f, f * 1.001f, 0.1f, 0.09f, 44100.0f, kBlock);
            if (batch.full()) {
                batch.render(out.data(), kBlock);
            }
        }
        batch.render(out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kPartials * kBlock);
}
BENCHMARK(BM_PartialBatched);

} // namespace
