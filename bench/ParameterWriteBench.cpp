// Cost of a host parameter write: it happens from the automation thread at up
// to every sample of every parameter, so it must stay a few nanoseconds.

#include "engine/SynthEngine.h"

#include <benchmark/benchmark.h>

namespace {

void BM_SetParameterSweep(benchmark::State& state)
{
    tessarine::SynthEngine engine;
    float value = 0.0f;
    for (auto _ : state) {
        for (int index = 0; index < tessarine::kParameterCount; ++index) {
            engine.setParameter(index, value, true);
        }
        value = value > 1.0f ? 0.0f : value + 0.001f;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * tessarine::kParameterCount);
}
BENCHMARK(BM_SetParameterSweep);

} // namespace
