// The whole analysis of a 12-second note (the longest the import keeps), the
// time the user waits between choosing a file and hearing it, and its stages.

#include "analysis/FrameAnalysis.h"
#include "analysis/KeyframeReduction.h"
#include "analysis/PitchEstimate.h"
#include "analysis/VoiceAnalyzer.h"
#include "sound/files/RecordStream.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double kRate = 44100.0;
constexpr double kF0 = 196.0;

// A decaying note of 30 harmonics with a little vibrato, over breath noise.
tessarine::SampleBuffer noisyNote()
{
    tessarine::SampleBuffer buffer;
    buffer.sampleRate = static_cast<float>(kRate);
    buffer.samples.resize(static_cast<std::size_t>(12.0 * kRate));
    std::mt19937 random(1);
    std::uniform_real_distribution<float> noise(-0.02f, 0.02f);
    double phase = 0.0;
    for (std::size_t i = 0; i < buffer.samples.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase += 2.0 * std::numbers::pi * kF0 * (1.0 + 0.003 * std::sin(2.0 * std::numbers::pi * 5.0 * t)) / kRate;
        double value = 0.0;
        for (int h = 1; h <= 30; ++h) {
            value += std::sin(h * phase) / h * std::exp(-t * (0.1 + 0.02 * h));
        }
        buffer.samples[i] = static_cast<float>(0.5 * value) + noise(random);
    }
    return buffer;
}

void BM_AnalyseSound(benchmark::State& state)
{
    const tessarine::SampleBuffer buffer = noisyNote();
    std::vector<std::byte> analysisBuffer(tessarine::kAnalysisBufferSize);
    for (auto _ : state) {
        const tessarine::NumVector x = tessarine::NumVector::fromFloats(buffer.samples.data(), 0, buffer.count());
        const double f0 = tessarine::estimatePitch(x, kRate);
        tessarine::RecordStream stream;
        tessarine::VoiceAnalyzer analyzer;
        benchmark::DoNotOptimize(analyzer.analyseSound(buffer, f0, stream, analysisBuffer, nullptr));
    }
}
BENCHMARK(BM_AnalyseSound)->Unit(benchmark::kMillisecond);

// The stages, for their shares of the whole.
void BM_Stage_EstimatePitch(benchmark::State& state)
{
    const tessarine::SampleBuffer buffer = noisyNote();
    const tessarine::NumVector x = tessarine::NumVector::fromFloats(buffer.samples.data(), 0, buffer.count());
    for (auto _ : state) {
        benchmark::DoNotOptimize(tessarine::estimatePitch(x, kRate));
    }
}
BENCHMARK(BM_Stage_EstimatePitch)->Unit(benchmark::kMillisecond);

void BM_Stage_FrameAnalysis(benchmark::State& state)
{
    const tessarine::SampleBuffer buffer = noisyNote();
    const tessarine::NumVector x = tessarine::NumVector::fromFloats(buffer.samples.data(), 0, buffer.count());
    tessarine::FrameAnalysis frames;
    for (auto _ : state) {
        tessarine::analyseFrames(x, kRate, kF0, nullptr, frames);
        benchmark::DoNotOptimize(frames.noise.data());
    }
}
BENCHMARK(BM_Stage_FrameAnalysis)->Unit(benchmark::kMillisecond);

void BM_Stage_KeyframeReduction(benchmark::State& state)
{
    const tessarine::SampleBuffer buffer = noisyNote();
    const tessarine::NumVector x = tessarine::NumVector::fromFloats(buffer.samples.data(), 0, buffer.count());
    tessarine::FrameAnalysis frames;
    tessarine::analyseFrames(x, kRate, kF0, nullptr, frames);
    for (double* v = frames.harmonicFrequency.data();
         v != frames.harmonicFrequency.data() + 64 * frames.harmonicFrequency.columns(); ++v) {
        *v = std::isnan(*v) ? 0.0 : *v;
    }
    for (double* v = frames.harmonicAmplitude.data();
         v != frames.harmonicAmplitude.data() + 64 * frames.harmonicAmplitude.columns(); ++v) {
        *v = std::isnan(*v) ? 0.0 : *v;
    }
    for (auto _ : state) {
        tessarine::HarmonicKeyframes keys;
        tessarine::reduceHarmonicKeyframes(frames.harmonicFrequency, frames.harmonicAmplitude, frames.framePeriod,
                                           tessarine::kHarmonicErrorThreshold, tessarine::kMaxHarmonicKeyframes, kF0,
                                           keys);
        benchmark::DoNotOptimize(tessarine::reduceNoiseKeyframes(
            frames.noise, tessarine::kNoiseFramePeriod, tessarine::kNoiseTimeErrorThreshold,
            tessarine::kMaxNoiseKeyframes, tessarine::kNoiseBandErrorThreshold, tessarine::kMaxNoiseKeyframeBands));
    }
}
BENCHMARK(BM_Stage_KeyframeReduction)->Unit(benchmark::kMillisecond);

} // namespace
