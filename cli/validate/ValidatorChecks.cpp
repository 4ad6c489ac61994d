#include "validate/ValidatorChecks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessarine::host {

ValidationPlan ValidationPlan::forLevel(int level, std::uint32_t seed)
{
    ValidationPlan plan;
    plan.level = std::clamp(level, 1, 5);
    plan.seed = seed;
    if (plan.level >= 2) {
        plan.sweepRates = {44100, 48000};
        plan.sweepBlocks = {64, 512};
        plan.reopenCycles = 10;
        plan.concurrentRounds = 1;
    }
    if (plan.level >= 3) {
        plan.sweepRates = {22050, 44100, 48000, 88200, 96000, 192000};
        plan.sweepBlocks = {17, 64, 441, 512, 1024, 4096, 8192};
        // Single-sample blocks cost most per second of audio; one rate shows their faults.
        plan.smallBlocks = {1, 2};
        plan.smallBlockRates = {44100};
        plan.reopenCycles = 20;
        plan.concurrentRounds = 2;
    }
    if (plan.level >= 4) {
        plan.smallBlockRates = plan.sweepRates;
        plan.scenarioRepeats = 2;
        plan.reopenCycles = 50;
        plan.concurrentRounds = 4;
    }
    if (plan.level >= 5) {
        plan.scenarioRepeats = 4;
        plan.seeds = 2;
        plan.reopenCycles = 100;
        plan.concurrentRounds = 8;
    }
    return plan;
}

std::vector<CheckGroup> checkGroups(const ValidationPlan& plan)
{
    std::vector<CheckGroup> groups = {{"load", runLoadChecks, 0}, {"scan", runScanCheck, 0}};
    if (plan.level < 2) {
        return groups;
    }
    groups.push_back({"texts", runTextExtremes, 0});
    groups.push_back({"open", runOpenChecks, 0});
    groups.push_back({"lifecycle", runLifecycleChecks, 0});
    groups.push_back({"state", runStateChecks, 0});
    groups.push_back({"automation", runAutomationChecks, 0});
    groups.push_back({"files", runExtremeFileChecks, 0});
    for (int rate : plan.sweepRates) {
        groups.push_back({"sweep." + std::to_string(rate), runSweep, rate});
    }
    return groups;
}

std::int32_t ownUniqueId()
{
    std::int32_t own = 0;
    std::memcpy(&own, "4TsN", 4);
    return own;
}

bool isOwnPlugin(std::int32_t uniqueId) { return uniqueId == ownUniqueId(); }

std::string joinFaults(const std::string& fault, const std::string& more)
{
    if (fault.empty()) {
        return more;
    }
    return more.empty() ? fault : fault + "; " + more;
}

std::string firstDifference(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after)
{
    std::size_t at = 0;
    while (at < before.size() && at < after.size() && before[at] == after[at]) {
        ++at;
    }
    return std::to_string(before.size()) + " bytes before, " + std::to_string(after.size()) +
           " after, first difference at byte " + std::to_string(at);
}

TextLimits textLimits(const vst::EffectRecord& effect, const ValidationPlan& plan)
{
    if (plan.strict || isOwnPlugin(effect.uniqueID)) {
        return {vst::kMaxParamStrLen, vst::kMaxProgramNameLen, vst::kMaxEffectNameLen, vst::kMaxVendorStrLen,
                vst::kMaxProductStrLen};
    }
    constexpr int kHostBuffer = 64;
    return {kHostBuffer, kHostBuffer, kHostBuffer, kHostBuffer, kHostBuffer};
}

HostSettings playingHost()
{
    HostSettings settings;
    settings.playing = true;
    settings.followBlocks = true;
    return settings;
}

bool loadPlugin(const std::string& path, const HostSettings& settings, LoadedPlugin& loaded, std::string& error)
{
    loaded.instance.reset();
    loaded.module = PluginModule::open(path, error);
    if (!loaded.module) {
        return false;
    }
    loaded.instance = PluginHost::create(*loaded.module, settings, error);
    return loaded.instance != nullptr;
}

void startAudio(PluginHost& instance, float rate, int maxBlock)
{
    instance.setSampleRate(rate);
    instance.setBlockSize(maxBlock);
    instance.resume();
}

double tailSeconds(PluginHost& instance, float rate)
{
    constexpr double kGenerousTail = 10.0;
    constexpr double kLongestTail = 60.0;
    const vst::intptr samples = instance.dispatch(vst::effGetTailSize);
    // Hosts read 1 as "no tail"; other answers are samples.
    const double own = samples > 1 && rate > 0.0f ? static_cast<double>(samples) / rate : 0.0;
    return std::min(kLongestTail, std::max(kGenerousTail, own));
}

} // namespace tessarine::host
