#pragma once
// The validator's checks, in groups. Each group loads the plug-in itself, so the
// validator can run it in a process of its own and report a crash as that
// group's failure; what a level adds is said by ValidationPlan.

#include "host/PluginHost.h"
#include "validate/ValidatorReport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessarine::host {

struct ValidationPlan {
    int level = 1;
    std::uint32_t seed = 1;
    std::vector<int> sweepRates;
    std::vector<int> sweepBlocks;      // at every sweep rate
    std::vector<int> smallBlocks;      // at the rates below, besides
    std::vector<int> smallBlockRates;
    int scenarioRepeats = 1;           // phrases per sweep run
    int seeds = 1;                     // sweep runs with different seeds
    int reopenCycles = 0;
    int concurrentRounds = 0;
    // Hold the plug-in to this project's own promises (text limits of the
    // binary interface, no allocation on the audio thread), as Tessarine is.
    bool strict = false;
    // Which plug-in of an LV2 bundle; empty: the bundle's only one.
    std::string pluginUri;

    static ValidationPlan forLevel(int level, std::uint32_t seed);
};

using CheckGroupRun = void (*)(const std::string& pluginPath, const ValidationPlan& plan, int argument,
                               ValidatorReport& report);

struct CheckGroup {
    std::string name;
    CheckGroupRun run;
    int argument; // the sample rate of a sweep group
};

std::vector<CheckGroup> checkGroups(const ValidationPlan& plan);

// The plug-in of this very project, known by its unique id, which its CLAP
// and LV2 forms report as too: all are held to the same promises.
std::int32_t ownUniqueId();
bool isOwnPlugin(std::int32_t uniqueId);

// The rates and block sizes hosts run at, from single samples to large
// buffers, at which the CLAP and LV2 groups play a chord and its tail.
inline constexpr int kHostRates[] = {44100, 48000, 88200, 96000};
inline constexpr std::uint32_t kHostBlocks[] = {1, 17, 64, 512, 4096};
inline constexpr double kChordSeconds = 0.4;
inline constexpr double kChordTailSeconds = 0.2;

// Two faults found by one check, as one report line.
std::string joinFaults(const std::string& fault, const std::string& more);
// Where a state saved again first differs from the one saved before.
std::string firstDifference(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after);

// The bytes a plug-in may write into each kind of host text buffer, terminator
// included. Strict: the interface's limits, which Tessarine keeps. Otherwise
// what hosts really hand out: frameworks write parameter names of up to 33
// bytes, trusting that hosts allow more than the interface says, and a check
// that failed them would fail correct plug-ins.
struct TextLimits {
    int parameter;
    int programName;
    int effectName;
    int vendor;
    int product;
};
TextLimits textLimits(const vst::EffectRecord& effect, const ValidationPlan& plan);

// What the host answers while a check plays: the transport running from the
// first block, its position following the blocks played, at 120 bpm.
HostSettings playingHost();

// A module and one instance of it; the instance goes first.
struct LoadedPlugin {
    std::unique_ptr<PluginModule> module;
    std::unique_ptr<PluginHost> instance;
};
bool loadPlugin(const std::string& path, const HostSettings& settings, LoadedPlugin& loaded, std::string& error);
// Sample rate and block size set, resumed: ready to play.
void startAudio(PluginHost& instance, float rate, int maxBlock);
// How long a plug-in may ring after its last note: its own tail-size answer or
// a generous fixed time, whichever is longer.
double tailSeconds(PluginHost& instance, float rate);

// The groups.
void runLoadChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runScanCheck(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runTextExtremes(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runOpenChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runLifecycleChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runAutomationChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runStateChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);
void runSweep(const std::string& path, const ValidationPlan& plan, int rate, ValidatorReport& report);
void runExtremeFileChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report);

} // namespace tessarine::host
