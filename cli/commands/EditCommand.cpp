#include "commands/EditCommand.h"

#include "host/DrawingCaches.h"
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "host/HostEditorWindow.h"
#include "host/PluginHost.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <ctime>
#include <cstdio>
#include <ostream>
#include <sys/resource.h>
#include <thread>

namespace tessarine::host {

namespace {

// Hosts give their editors an idle about 30 times a second.
constexpr std::chrono::microseconds kIdlePeriod(33'333);
// How long --measure watches the idle editor when no --seconds is given.
constexpr double kDefaultMeasureSeconds = 5.0;

volatile std::sig_atomic_t gStop = 0;

void requestStop(int) { gStop = 1; }

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int runEdit(const EditOptions& options, std::ostream& out, std::ostream& err)
{
    if (!(options.seconds >= 0 && std::isfinite(options.seconds))) {
        err << "tessarine: --seconds must be a number of seconds, 0 or more\n";
        return 1;
    }
    std::string error;
    auto host = PluginHost::load(options.pluginPath, error);
    if (!host) {
        err << "tessarine: " << error << '\n';
        return 1;
    }
    auto window = HostEditorWindow::open(*host, error);
    if (!window) {
        err << "tessarine: " << error << '\n';
        return 1;
    }
    // The first idle paints the editor: part of what the user waits for.
    auto firstIdleStart = std::chrono::steady_clock::now();
    const double firstIdleCpuStart = threadCpuMs();
    window->idle();
    const double firstIdleMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - firstIdleStart).count();
    const double firstIdleCpuMs = threadCpuMs() - firstIdleCpuStart;

    gStop = 0;
    struct sigaction action{};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    struct sigaction previousInt{}, previousTerm{};
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);

    const double seconds = options.measure && options.seconds == 0 ? kDefaultMeasureSeconds : options.seconds;
    const auto start = std::chrono::steady_clock::now();
    const double cpuAtStart = cpuSeconds();
    auto next = start;
    while (gStop == 0) {
        next += kIdlePeriod;
        std::this_thread::sleep_until(next);
        if (!window->idle()) {
            break;
        }
        if (seconds > 0 && std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(seconds)) {
            break;
        }
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuAtStart;
    const double openMs = window->openMilliseconds();
    const double openCpuMs = window->openCpuMilliseconds();
    window.reset();
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);

    if (options.measure) {
        char line[300];
        std::snprintf(line, sizeof(line),
                      "editor open: effEditOpen %.1f ms (%.1f ms CPU), first idle painting it %.1f ms (%.1f ms CPU); "
                      "idle: %.2f %% of one core over %.1f s\n",
                      openMs, openCpuMs, firstIdleMs, firstIdleCpuMs, wall > 0 ? 100.0 * cpu / wall : 0.0, wall);
        out << line;
    }
    return 0;
}

namespace {

Command::Run setUpEdit(CLI::App& command, const std::string& defaultPlugin)
{
    auto edit = std::make_shared<EditOptions>();
    edit->pluginPath = defaultPlugin;
    command.add_option("--plugin", edit->pluginPath, "Plug-in to load");
    command.add_option("--seconds", edit->seconds, "Close after this many seconds (default: on close or Ctrl-C)");
    command.add_flag("--measure", edit->measure,
                     "Print the opening time and the idle editor's CPU use (watches 5 s unless --seconds)");
    return [edit] {
        const int status = runEdit(*edit, std::cout, std::cerr);
        releaseDrawingCaches();
        return status;
    };
}

} // namespace

const Command kEditCommand{"edit", "Open the plug-in's editor in a window, audio off", &setUpEdit};

} // namespace tessarine::host
