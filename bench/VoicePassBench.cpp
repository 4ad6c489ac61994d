// The voice pass in the worst case a musician can ask for (see
// WorstCaseEngine.h): twelve notes held at 44.1 kHz, with and without the
// voice filter and every global effect, at host block sizes from 32 to 512;
// and the block that starts the twelve-note chord against a steady block.

#include "WorstCaseEngine.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

using namespace tessarine;
using namespace tessarine::bench;

void reportRealTime(benchmark::State& state, int block)
{
    state.counters["x_real_time"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * block / kWorstCaseRate, benchmark::Counter::kIsRate);
    state.counters["ns_per_sample"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * block, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void heldChord(benchmark::State& state, Extras extras)
{
    const int block = static_cast<int>(state.range(0));
    auto engine = makeWorstCaseEngine(extras);
    if (!engine) {
        state.SkipWithError("voice did not load");
        return;
    }
    playChord(*engine);
    std::vector<float> left(static_cast<std::size_t>(block)), right(left.size());
    // Past the attacks, into the held loop.
    for (int warm = 0; warm < 10240 / block; ++warm) {
        engine->render(left.data(), right.data(), block);
    }
    for (auto _ : state) {
        engine->render(left.data(), right.data(), block);
        benchmark::DoNotOptimize(left.data());
    }
    reportRealTime(state, block);
}

void BM_VoicePassWorstCase(benchmark::State& state) { heldChord(state, Extras::VoicesOnly); }
BENCHMARK(BM_VoicePassWorstCase)->Arg(512)->Unit(benchmark::kMicrosecond);

void BM_WorstCaseEverythingOn(benchmark::State& state) { heldChord(state, Extras::EverythingOn); }
BENCHMARK(BM_WorstCaseEverythingOn)->Arg(32)->Arg(64)->Arg(512)->Unit(benchmark::kMicrosecond);

// Each iteration starts the chord from silence and times the block that
// starts it; a block half a second later is the steady block it is compared
// with. Only the starting block counts as the benchmark's time.
void BM_ChordOnset(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const int block = static_cast<int>(state.range(0));
    auto engine = makeWorstCaseEngine(Extras::EverythingOn);
    if (!engine) {
        state.SkipWithError("voice did not load");
        return;
    }
    std::vector<float> left(static_cast<std::size_t>(block)), right(left.size());
    const int steadyAfter = static_cast<int>(0.5f * kWorstCaseRate) / block;
    double onsetSeconds = 0.0;
    double steadySeconds = 0.0;
    double worstRatio = 0.0;
    for (auto _ : state) {
        const auto start = Clock::now();
        playChord(*engine);
        engine->render(left.data(), right.data(), block);
        const double onset = std::chrono::duration<double>(Clock::now() - start).count();
        for (int b = 0; b < steadyAfter; ++b) {
            engine->render(left.data(), right.data(), block);
        }
        const auto steadyStart = Clock::now();
        engine->render(left.data(), right.data(), block);
        const double steady = std::chrono::duration<double>(Clock::now() - steadyStart).count();
        state.SetIterationTime(onset);
        onsetSeconds += onset;
        steadySeconds += steady;
        worstRatio = std::max(worstRatio, onset / steady);
        // The chord ends and its release and the effects' tails die away, so
        // the next chord starts from silence.
        releaseChord(*engine);
        const std::uint8_t allSoundOff[3] = {0xB0, 120, 0};
        engine->midiIn(allSoundOff, 0);
        for (int b = 0; b < 4096 / block + 2; ++b) {
            engine->render(left.data(), right.data(), block);
        }
    }
    state.counters["onset_over_steady"] = onsetSeconds / steadySeconds;
    state.counters["worst_onset_over_steady"] = worstRatio;
    state.counters["steady_us"] = 1e6 * steadySeconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ChordOnset)->Arg(64)->Arg(512)->UseManualTime()->Iterations(40)->Unit(benchmark::kMicrosecond);

} // namespace
