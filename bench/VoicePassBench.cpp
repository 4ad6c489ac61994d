// The worst case the voice pass must survive in real time: twelve notes held,
// 64 harmonics each, four different analysed-size sounds morphed at the centre
// so all four corners count, noise on, loop held, 44.1 kHz, 512-sample blocks.

#include "engine/SynthEngine.h"
#include "sound/files/VoiceFile.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace tessarine;

// An analysed-size voice: 80 harmonic frames, 48 noise frames over 4 s.
std::string writeAnalysedVoice(int slot)
{
    auto voice = std::make_unique<Voice>();
    voice->multisampleCount = 1;
    voice->layerCount = 2;
    voice->loopOn = true;
    voice->loopStart = 1.0f;
    voice->loopEnd = 3.0f;
    for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
        LayerData& data = voice->layer(0, layer);
        data.harmonic.basePitch = 110.0f * static_cast<float>(slot + 1);
        for (int frame = 0; frame < 80; ++frame) {
            const float t = 4.0f * static_cast<float>(frame) / 79.0f;
            for (int h = 0; h < kHarmonicCount; ++h) {
                const float wobble = 1.0f + 0.002f * std::sin(static_cast<float>(frame + h + slot));
                data.harmonic.amplitude(h).insertPoint(t, 0.3f / static_cast<float>(h + 1));
                data.harmonic.frequency(h).insertPoint(t, static_cast<float>(h + 1) * wobble);
            }
        }
        for (int frame = 0; frame < 48; ++frame) {
            data.noise.insertFrame(4.0f * static_cast<float>(frame) / 47.0f);
        }
        for (int frame = 0; frame < data.noise.frameCount(); ++frame) {
            NoiseFrame& noise = data.noise.frame(frame);
            for (int band = 0; band < kNoiseBandCount; ++band) {
                noise.bands[static_cast<std::size_t>(band)] = 0.01f / static_cast<float>(band + 1);
            }
        }
    }
    prepareVoice(*voice);
    std::string path = "/tmp/tessarine-bench-voice-" + std::to_string(slot) + ".t9v";
    RecordStream stream;
    saveVoiceFile(path, *voice, stream);
    return path;
}

void BM_VoicePassWorstCase(benchmark::State& state)
{
    constexpr int kBlock = 512;
    constexpr float kRate = 44100.0f;
    auto engine = std::make_unique<SynthEngine>();
    engine->setSampleRate(kRate);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (!engine->loadVoice(slot, writeAnalysedVoice(slot).c_str())) {
            state.SkipWithError("voice did not load");
            return;
        }
    }
    engine->setParameter(kLoopSync1, 1.0f, true);
    engine->setParameter(kLoopSync2, 1.0f, true);
    engine->setParameter(kStretch, 0.5f, true);
    engine->setParameter(kGlobalLoopOn, 1.0f, true);
    for (int index : {kMorphHarmX, kMorphHarmY, kMorphNoiseX, kMorphNoiseY, kMorphAmpX, kMorphAmpY}) {
        engine->setParameter(index, 0.5f, true);
    }
    for (int n = 0; n < 12; ++n) {
        const std::uint8_t on[3] = {0x90, static_cast<std::uint8_t>(40 + 3 * n), 100};
        engine->midiIn(on, 0);
    }
    std::vector<float> left(kBlock), right(kBlock);
    for (int warm = 0; warm < 20; ++warm) {
        engine->render(left.data(), right.data(), kBlock);
    }
    for (auto _ : state) {
        engine->render(left.data(), right.data(), kBlock);
        benchmark::DoNotOptimize(left.data());
    }
    state.counters["audio_seconds_per_cpu_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VoicePassWorstCase)->Unit(benchmark::kMicrosecond);

} // namespace
