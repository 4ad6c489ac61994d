// The LV2 groups that need little or no audio: the bundle and instances, the
// ports, the state interface and the presets.

#include "validate/Lv2ValidatorChecks.h"

#include "lv2/Lv2Instance.h"
#include "lv2/Lv2World.h"
#include "validate/OutputCheck.h"

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

namespace tessarine::host {

namespace {

constexpr const char* kOwnUri = "urn:brightmoor-labs:tessarine";

std::string firstDifference(const Lv2State& a, const Lv2State& b)
{
    if (a.size() != b.size()) {
        return std::to_string(a.size()) + " properties before, " + std::to_string(b.size()) + " after";
    }
    for (std::size_t p = 0; p < a.size(); ++p) {
        if (a[p].key != b[p].key || a[p].type != b[p].type) {
            return "property " + std::to_string(p) + " changed its key or type";
        }
        if (a[p].bytes != b[p].bytes) {
            return "property " + std::to_string(p) + ": " + host::firstDifference(a[p].bytes, b[p].bytes);
        }
    }
    return {};
}

// Properties are compared in the order saved: a plug-in that saves the same
// state saves it the same way.
bool sameState(const Lv2State& a, const Lv2State& b) { return firstDifference(a, b).empty(); }

} // namespace

bool isLv2Path(const std::string& path)
{
    std::string name = path;
    while (name.size() > 1 && name.back() == '/') {
        name.pop_back();
    }
    constexpr std::string_view kSuffix = ".lv2";
    return name.size() > kSuffix.size() && name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

bool openForChecks(Lv2World& world, const std::string& path, const ValidationPlan& plan, ValidatorReport& report,
                   const std::string& check)
{
    std::string error;
    if (world.load(path, plan.pluginUri, error)) {
        return true;
    }
    report.fail(check, error);
    return false;
}

std::unique_ptr<Lv2Instance> openInstanceForChecks(Lv2World& world, const std::string& path,
                                                   const ValidationPlan& plan, ValidatorReport& report,
                                                   const std::string& check, double rate)
{
    if (!openForChecks(world, path, plan, report, check)) {
        return nullptr;
    }
    std::string error;
    std::unique_ptr<Lv2Instance> instance = Lv2Instance::create(world, rate, error);
    if (!instance) {
        report.fail(check, error);
    }
    return instance;
}

void runLv2LoadChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    Lv2World world;
    if (!openForChecks(world, path, plan, report, "load.entry")) {
        return;
    }
    if (world.uri() == kOwnUri) {
        report.setUniqueId(ownUniqueId());
    }
    report.pass("load.entry");

    std::string fault;
    for (const std::string& feature : world.missingFeatures()) {
        fault = joinFaults(fault, "requires " + feature + ", which the host does not offer");
    }
    // Made and freed at the rates hosts run at, one rate twice.
    for (const double rate : {44100.0, 44100.0, 48000.0, 96000.0}) {
        std::string error;
        if (fault.empty() && !Lv2Instance::create(world, rate, error)) {
            fault = error;
        }
    }
    report.result("load.instance", fault);
}

void runLv2ScanChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    Lv2World world;
    const std::unique_ptr<Lv2Instance> instance =
        openInstanceForChecks(world, path, plan, report, "scan.ports", 48000.0);
    if (!instance) {
        return;
    }
    const LilvPlugin* plugin = world.plugin();
    std::string fault;
    if (instance->outputCount() < 1) {
        fault = "no audio output";
    }
    if (!instance->hasEventInput()) {
        fault = joinFaults(fault, "no atom input that takes MIDI events (an instrument needs one)");
    }
    const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
    std::vector<float> lows(ports), highs(ports), defaults(ports);
    lilv_plugin_get_port_ranges_float(plugin, lows.data(), highs.data(), defaults.data());
    std::set<std::string> symbols;
    for (std::uint32_t index = 0; index < ports; ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        const LilvNode* symbol = lilv_port_get_symbol(plugin, port);
        if (symbol == nullptr || !symbols.insert(lilv_node_as_string(symbol)).second) {
            fault = joinFaults(fault, "port " + std::to_string(index) + " has no symbol or one used before");
        }
    }
    for (const std::uint32_t index : instance->controlInputs()) {
        const std::string which = "control port " + std::to_string(index);
        const float low = lows[index], high = highs[index], start = defaults[index];
        if (std::isnan(low) || std::isnan(high) || !(low <= high)) {
            fault = joinFaults(fault, which + " has no range");
        } else if (!std::isnan(start) && !(start >= low && start <= high)) {
            fault = joinFaults(fault, which + "'s default " + std::to_string(start) + " lies outside its range");
        }
    }
    report.result("scan.ports", fault);
}

void runLv2StateChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    Lv2World world;
    if (!openForChecks(world, path, plan, report, "state.roundtrip")) {
        return;
    }
    std::string error;
    std::unique_ptr<Lv2Instance> first = Lv2Instance::create(world, 48000.0, error);
    std::unique_ptr<Lv2Instance> second = first ? Lv2Instance::create(world, 48000.0, error) : nullptr;
    if (!second) {
        report.fail("state.roundtrip", error);
        return;
    }
    if (!first->hasStateInterface()) {
        report.skip("state.roundtrip", "the plug-in keeps no state of its own");
        return;
    }
    // Some ports away from their defaults and a block played, so that the state says something.
    const LilvPlugin* plugin = world.plugin();
    const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
    std::vector<float> lows(ports), highs(ports);
    lilv_plugin_get_port_ranges_float(plugin, lows.data(), highs.data(), nullptr);
    std::mt19937 random(plan.seed);
    const auto& controls = first->controlInputs();
    for (std::size_t i = 0; i < controls.size(); i += 3) {
        const std::uint32_t port = controls[i];
        if (lows[port] <= highs[port]) {
            first->control(port) = std::uniform_real_distribution<float>(lows[port], highs[port])(random);
        }
    }
    first->run(512, nullptr);

    std::string fault;
    Lv2State saved, again;
    if (first->saveState(saved) != LV2_STATE_SUCCESS) {
        fault = "save failed";
    } else if (second->restoreState(saved) != LV2_STATE_SUCCESS) {
        fault = "the saved state does not restore into a second instance";
    } else if (second->saveState(again) != LV2_STATE_SUCCESS || !sameState(saved, again)) {
        fault = "the restored state saves differently (" + firstDifference(saved, again) + ")";
    }
    report.result("state.roundtrip", fault);
    if (!fault.empty() || plan.level < 3) {
        return;
    }
    // Restored into a fresh instance whose ports stand at their defaults and played, it saves the same.
    std::unique_ptr<Lv2Instance> fresh = Lv2Instance::create(world, 44100.0, error);
    if (!fresh) {
        fault = "no fresh instance: " + error;
    } else if (fresh->restoreState(saved) != LV2_STATE_SUCCESS) {
        fault = "the saved state does not restore into a fresh instance";
    } else {
        fresh->run(512, nullptr);
        if (fresh->saveState(again) != LV2_STATE_SUCCESS || !sameState(saved, again)) {
            fault = "restored into a fresh instance and played, it saves differently (" +
                    firstDifference(saved, again) + ")";
        }
    }
    report.result("state.stable-across-render", fault);
}

// Every preset loads, applies and plays a bounded note, one after another in
// one instance as a host's preset browser would.
void runLv2PresetChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    Lv2World world;
    if (!openForChecks(world, path, plan, report, "presets.load")) {
        return;
    }
    const std::vector<Lv2Preset> presets = world.presets();
    if (presets.empty()) {
        report.skip("presets.load", "the plug-in lists no preset");
        return;
    }
    std::string error;
    std::unique_ptr<Lv2Instance> instance = Lv2Instance::create(world, 48000.0, error);
    if (!instance) {
        report.fail("presets.load", error);
        return;
    }
    constexpr std::uint32_t kBlock = 512;
    constexpr int kBlocks = 24;
    std::string fault;
    Lv2EventSequence events(world.uris());
    for (const Lv2Preset& preset : presets) {
        if (preset.state == nullptr) {
            fault = joinFaults(fault, preset.uri + " does not load");
            continue;
        }
        instance->restore(preset.state.get());
        OutputCheck check(instance->sampleRate());
        for (int block = 0; block < kBlocks; ++block) {
            events.clear();
            if (block == 0) {
                events.midi(0, {0x90, 60, 100});
            } else if (block == kBlocks / 2) {
                events.midi(0, {0x80, 60, 0});
            } else if (block == kBlocks - 1) {
                events.midi(0, {0xB0, 120, 0}); // all sound off, so the next preset starts from rest
            }
            instance->run(kBlock, &events);
            check.scan(instance->outputs(), instance->outputCount(), static_cast<int>(kBlock), static_cast<long long>(block) * kBlock);
        }
        if (!check.fault().empty()) {
            fault = joinFaults(fault, "'" + preset.label + "': " + check.fault());
        }
    }
    report.result("presets.load", fault);
}

} // namespace tessarine::host
