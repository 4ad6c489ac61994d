// Cost of the global effects per stereo sample with every unit on: brightness,
// all four drive steps, chorus, delay, reverb and width, at 44.1 kHz. The
// chain runs once per block on the summed voices, so this is a fixed cost of
// every playing instance.

#include "engine/effects/EffectChain.h"
#include "engine/ScopedFlushDenormals.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void BM_EffectChainEverythingOn(benchmark::State& state)
{
    const int frames = static_cast<int>(state.range(0));
    tessarine::ScopedFlushDenormals noDenormals;
    tessarine::EffectChain chain;
    chain.setSampleRate(44100.0f);
    chain.setTempo(120.0);
    tessarine::EffectInputs in;
    in.brightness = 0.8f;
    in.distortionOn = 1.0f;
    in.distortion = 0.5f;
    in.tube = 0.5f;
    in.compress = 0.5f;
    in.bass = 0.5f;
    in.chorusOn = 1.0f;
    in.delayOn = 1.0f;
    in.reverbOn = 1.0f;
    in.width = 0.5f;

    std::vector<float> source(static_cast<std::size_t>(frames));
    std::uint32_t seed = 1;
    for (float& v : source) {
        seed = seed * 1664525u + 1013904223u;
        v = (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f) * 0.3f;
    }
    std::vector<float> left(source.size()), right(source.size());
    for (auto _ : state) {
        std::memcpy(left.data(), source.data(), sizeof(float) * source.size());
        chain.process(in, left.data(), right.data(), frames);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * frames);
}
BENCHMARK(BM_EffectChainEverythingOn)->Arg(64)->Arg(512);

// What the chain adds to the creation of an instance: construction, which
// prepares 44.1 kHz, then the host's rate (kHz as the argument).
void BM_EffectChainCreate(benchmark::State& state)
{
    const auto rate = static_cast<float>(state.range(0) * 1000);
    for (auto _ : state) {
        auto chain = std::make_unique<tessarine::EffectChain>();
        chain->setSampleRate(rate);
        benchmark::DoNotOptimize(chain.get());
    }
}
BENCHMARK(BM_EffectChainCreate)->Arg(96)->Unit(benchmark::kMicrosecond);

} // namespace
