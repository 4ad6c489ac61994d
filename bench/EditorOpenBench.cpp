// What a user waits for when the editor opens: the real plug-in building its
// frame, top bar and eight pages (effEditOpen, here without a window), then
// painting a whole page. Together they must stay well under 100 ms.

#include "host/PluginHost.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using tessarine::host::PluginHost;

std::unique_ptr<PluginHost> loadPlugin(benchmark::State& state)
{
    std::string error;
    auto host = PluginHost::load(TESSARINE_PLUGIN_PATH, error);
    if (!host || (host->effect()->flags & vst::effFlagsHasEditor) == 0) {
        state.SkipWithError(host ? "the plug-in has no editor" : error.c_str());
        return nullptr;
    }
    return host;
}

void BM_EditorOpenAndClose(benchmark::State& state)
{
    auto host = loadPlugin(state);
    if (!host) {
        return;
    }
    for (auto _ : state) {
        host->dispatch(vst::effEditOpen);
        host->dispatch(vst::effEditClose);
    }
}
BENCHMARK(BM_EditorOpenAndClose)->Unit(benchmark::kMillisecond);

void BM_EditorPaintPage(benchmark::State& state)
{
    auto host = loadPlugin(state);
    if (!host) {
        return;
    }
    std::vector<std::uint8_t> rgba(800 * 550 * 4);
    const auto page = static_cast<float>(state.range(0));
    for (auto _ : state) {
        host->dispatch(vst::effVendorSpecific, vst::fourCC('T', 's', 'n', 'P'), static_cast<vst::intptr>(rgba.size()),
                       rgba.data(), page);
        benchmark::DoNotOptimize(rgba.data());
    }
}
BENCHMARK(BM_EditorPaintPage)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

} // namespace
