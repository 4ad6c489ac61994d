// The render sweep: every sample rate and block size the level asks for, and
// blocks of changing size, each playing the whole scenario into the output
// check, with the speed of each combination as a figure.

#include "validate/ValidatorChecks.h"
#include "validate/ValidatorScenario.h"

#include <algorithm>
#include <cmath>

namespace tessarine::host {

void runSweep(const std::string& path, const ValidationPlan& plan, int rate, ValidatorReport& report)
{
    const std::string name = "sweep." + std::to_string(rate);
    LoadedPlugin loaded;
    std::string error;
    if (!loadPlugin(path, playingHost(), loaded, error)) {
        report.fail(name, error);
        return;
    }
    PluginHost& instance = *loaded.instance;
    std::vector<int> blocks = plan.sweepBlocks;
    for (int rateWithSmall : plan.smallBlockRates) {
        if (rateWithSmall == rate) {
            blocks.insert(blocks.begin(), plan.smallBlocks.begin(), plan.smallBlocks.end());
        }
    }
    blocks.push_back(0); // changing sizes within one run
    std::string fault;
    bool running = false;
    for (int block : blocks) {
        const int maxBlock = block > 0 ? block : 4096;
        if (running) {
            instance.suspend();
        }
        running = true;
        startAudio(instance, static_cast<float>(rate), maxBlock);
        BlockTiming timing(rate);
        float peak = 0.0f;
        for (int s = 0; s < plan.seeds; ++s) {
            OutputCheck check(rate);
            PlayOptions options;
            options.blockSize = block;
            options.seed = plan.seed + static_cast<std::uint32_t>(s);
            options.tailSeconds = tailSeconds(instance, static_cast<float>(rate));
            std::string runFault =
                play(instance, makeScenario(rate, options.seed, plan.scenarioRepeats), options, check, timing);
            peak = std::max(peak, check.peak());
            if (!runFault.empty() && fault.empty()) {
                fault = (block > 0 ? "block " + std::to_string(block) : std::string("changing blocks")) + ": " +
                        runFault;
            }
        }
        report.addFigure({rate, block, timing.realTimeFactor(), timing.worstBlockFraction(),
                          20.0 * std::log10(static_cast<double>(peak))});
    }
    instance.suspend();
    report.result(name, fault);
}

} // namespace tessarine::host
