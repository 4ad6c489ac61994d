// What adding an instance to a project costs: creating it through the real
// plug-in (entry function and effOpen), giving it a rate and block size and
// switching it on; and how much memory an instance that has played holds.

#include "host/PluginHost.h"
#include "host/PluginModule.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using tessarine::host::HostSettings;
using tessarine::host::PluginHost;
using tessarine::host::PluginModule;

std::unique_ptr<PluginHost> startInstance(const PluginModule& module, std::string& error)
{
    auto host = PluginHost::create(module, HostSettings{}, error);
    if (host) {
        host->setSampleRate(44100.0f);
        host->setBlockSize(512);
        host->resume();
    }
    return host;
}

// Resident memory of this process in kilobytes.
long residentKilobytes()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return -1;
    }
    char line[256];
    long kilobytes = -1;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            kilobytes = std::strtol(line + 6, nullptr, 10);
        }
    }
    std::fclose(status);
    return kilobytes;
}

// In a child process, so memory the benchmarks before it freed cannot hide
// what the instance touches: the growth in resident memory from before the
// instance exists to after it has played a twelve-note chord for two seconds.
double residentMegabytesOfAPlayedInstance(const PluginModule& module)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return -1.0;
    }
    const pid_t child = fork();
    if (child == 0) {
        malloc_trim(0);
        const long before = residentKilobytes();
        std::string error;
        auto host = startInstance(module, error);
        long grown = -1;
        if (host) {
            std::vector<PluginHost::Midi> chord;
            for (int n = 0; n < 12; ++n) {
                chord.push_back({0, 0x90, static_cast<unsigned char>(40 + 3 * n), 100});
            }
            std::vector<float> left(512), right(512);
            host->processBlock(chord, left.data(), right.data(), 512);
            for (int b = 0; b < 172; ++b) {
                host->processBlock({}, left.data(), right.data(), 512);
            }
            grown = residentKilobytes() - before;
        }
        const double megabytes = grown >= 0 ? static_cast<double>(grown) / 1024.0 : -1.0;
        (void)!write(pipeEnds[1], &megabytes, sizeof megabytes);
        _exit(0);
    }
    close(pipeEnds[1]);
    double megabytes = -1.0;
    if (child < 0 || read(pipeEnds[0], &megabytes, sizeof megabytes) != sizeof megabytes) {
        megabytes = -1.0;
    }
    close(pipeEnds[0]);
    if (child > 0) {
        waitpid(child, nullptr, 0);
    }
    return megabytes;
}

void BM_InstanceCreation(benchmark::State& state)
{
    std::string error;
    auto module = PluginModule::open(TESSARINE_PLUGIN_PATH, error);
    if (!module) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        auto host = startInstance(*module, error);
        if (!host) {
            state.SkipWithError(error.c_str());
            return;
        }
        benchmark::DoNotOptimize(host.get());
        state.PauseTiming();
        host.reset();
        state.ResumeTiming();
    }
    state.counters["played_instance_MB"] = residentMegabytesOfAPlayedInstance(*module);
}
BENCHMARK(BM_InstanceCreation)->Unit(benchmark::kMillisecond);

} // namespace
