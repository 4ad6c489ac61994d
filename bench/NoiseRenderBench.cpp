// Cost of one sounding voice's noise over one second of audio at 44.1 kHz,
// rendered in the engine's largest sub-blocks: a spectrum built and
// transformed every 256 samples, a crossfade per sample in between.
// Argument 0: noise stored with 64 bands; 1: full-band noise (256 bands), whose
// extra work is per frame only.

#include "engine/voice/NoiseSynthesiser.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

void BM_NoiseRenderOneSecond(benchmark::State& state)
{
    using namespace tessarine;
    constexpr int kRate = 44100;
    constexpr int kSubBlock = 256;
    auto slots = std::make_unique<std::array<NoiseData, kVoiceSlotCount>>();
    // Generic so that the benchmark also builds against a tree without
    // full-band noise (scripts/bench.sh --against), where both cases are 64 bands.
    const auto setFullBand = [](auto& data, bool full) {
        if constexpr (requires { data.setFullBand(full); }) {
            data.setFullBand(full);
        }
    };
    for (NoiseData& data : *slots) {
        setFullBand(data, state.range(0) != 0);
        for (int i = 0; i < 2; ++i) {
            for (int k = 0; k < kNoiseBandCount; ++k) data.frame(i).bands[static_cast<std::size_t>(k)] = 10.0f + k;
            data.setFrameTime(i, i * 100.0f);
        }
        data.setFrameCount(2);
    }
    NoiseSynthesiser synth;
    synth.setSampleRate(static_cast<float>(kRate));
    NoiseBlock block;
    for (int s = 0; s < kVoiceSlotCount; ++s) block.slots[static_cast<std::size_t>(s)] = &(*slots)[static_cast<std::size_t>(s)];
    block.slotStartTimes.fill(1.0f);
    block.gainStart = block.gainEnd = 1.0f;
    block.noiseX = block.noiseY = 0.3f; // all four slots take part
    NoiseVoiceState voice;
    RandomGenerator random(1);
    std::vector<float> out(kSubBlock, 0.0f);
    for (auto _ : state) {
        for (int i = 0; i < kRate; i += kSubBlock) {
            synth.renderNoise(voice, out.data(), std::min(kSubBlock, kRate - i), block, random);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kRate);
}
BENCHMARK(BM_NoiseRenderOneSecond)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
