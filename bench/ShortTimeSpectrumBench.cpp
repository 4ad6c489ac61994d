// Cost of the analysis transforms on a few seconds of a harmonic note: the
// user waits for these while the progress window is up.

#include "analysis/FrameAnalysis.h"
#include "analysis/ShortTimeSpectrum.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double kRate = 44100.0;

tessarine::NumVector note(double seconds)
{
    tessarine::NumVector x(static_cast<int>(seconds * kRate));
    for (int i = 0; i < x.size(); ++i) {
        double value = 0.0;
        for (int h = 1; h <= 20; ++h) {
            value += std::sin(2.0 * std::numbers::pi * 220.0 * h * i / kRate) / h;
        }
        x.data()[i] = value;
    }
    return x;
}

// Argument: frame size N; transforms are 2N points with hop N, as the analysis runs them.
void BM_BlackmanStft(benchmark::State& state)
{
    const tessarine::NumVector x = note(3.0);
    const int n = static_cast<int>(state.range(0));
    tessarine::ShortTimeSpectrum s;
    for (auto _ : state) {
        tessarine::blackmanStft(x, 2 * n, 2 * n, n, s);
        benchmark::DoNotOptimize(s.re.data());
    }
    state.SetItemsProcessed(state.iterations() * x.size());
}
BENCHMARK(BM_BlackmanStft)->Arg(512)->Arg(2048)->Unit(benchmark::kMillisecond);

void BM_ReassignedStft(benchmark::State& state)
{
    const tessarine::NumVector x = note(3.0);
    const int n = static_cast<int>(state.range(0));
    tessarine::ShortTimeSpectrum s;
    for (auto _ : state) {
        tessarine::reassignedStft(x, 2 * n, 2 * n, n, kRate, s);
        benchmark::DoNotOptimize(s.frequency.data());
    }
    state.SetItemsProcessed(state.iterations() * x.size());
}
BENCHMARK(BM_ReassignedStft)->Arg(512)->Arg(2048)->Unit(benchmark::kMillisecond);

// The whole frame analysis of the same note (20 harmonics at 220 Hz), for scale.
void BM_AnalyseFrames(benchmark::State& state)
{
    const tessarine::NumVector x = note(3.0);
    tessarine::FrameAnalysis result;
    for (auto _ : state) {
        tessarine::analyseFrames(x, kRate, 220.0, nullptr, result);
        benchmark::DoNotOptimize(result.noise.data());
    }
}
BENCHMARK(BM_AnalyseFrames)->Unit(benchmark::kMillisecond);

} // namespace
