// Loading, identity, every text the plug-in writes into a host buffer, a
// scanner's visit, and opening and closing instances many times, also on
// several threads at once.

#include "host/GuardedText.h"
#include "validate/ValidatorChecks.h"
#include "validate/ValidatorScenario.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <latch>
#include <thread>

namespace tessarine::host {

namespace {

// Hosts ask for every parameter's texts; a plug-in with more than this many is
// sampled evenly so the check stays quick.
constexpr int kMaxTextQueries = 4096;

// Asks for one text into a guarded buffer; returns the fault, prefixed with what was asked.
std::string guardedQuery(PluginHost& instance, vst::int32 opcode, vst::int32 index, vst::intptr value,
                         int limit, const std::string& what, std::string* text = nullptr)
{
    GuardedText buffer(static_cast<std::size_t>(limit));
    instance.dispatch(opcode, index, value, buffer.data());
    if (text != nullptr) {
        *text = buffer.text();
    }
    std::string fault = buffer.fault();
    return fault.empty() ? fault : what + ": " + fault;
}

// The indices a text sweep visits: all, or an even sample of many.
std::vector<int> indicesToVisit(int count)
{
    std::vector<int> indices;
    const int step = count > kMaxTextQueries ? (count + kMaxTextQueries - 1) / kMaxTextQueries : 1;
    for (int i = 0; i < count; i += step) {
        indices.push_back(i);
    }
    if (count > 0 && indices.back() != count - 1) {
        indices.push_back(count - 1);
    }
    return indices;
}

std::string parameterTexts(PluginHost& instance, int index, int limit)
{
    const std::string at = "parameter " + std::to_string(index);
    for (auto [opcode, kind] : {std::pair{vst::effGetParamName, " name"}, std::pair{vst::effGetParamLabel, " label"},
                                std::pair{vst::effGetParamDisplay, " display"}}) {
        std::string fault = guardedQuery(instance, opcode, index, 0, limit, at + kind);
        if (!fault.empty()) {
            return fault;
        }
    }
    return {};
}

std::string pinTexts(PluginHost& instance, vst::int32 opcode, int index, const std::string& what)
{
    struct Guarded {
        vst::PinProperties pin;
        unsigned char guard[GuardedText::kGuardBytes];
    } buffer{};
    std::memset(buffer.guard, GuardedText::kPattern, sizeof buffer.guard);
    const bool answered = instance.dispatch(opcode, index, 0, &buffer.pin) != 0;
    if (std::size_t past = guardBytesChanged(buffer.guard, sizeof buffer.guard, GuardedText::kPattern)) {
        return what + ": wrote " + std::to_string(past) + " bytes past the 128-byte pin record";
    }
    if (answered && std::memchr(buffer.pin.label, '\0', sizeof buffer.pin.label) == nullptr) {
        return what + ": label not terminated within 64 bytes";
    }
    if (answered && std::memchr(buffer.pin.shortLabel, '\0', sizeof buffer.pin.shortLabel) == nullptr) {
        return what + ": short label not terminated within 8 bytes";
    }
    return {};
}

std::string recordFault(const vst::EffectRecord& e)
{
    auto between = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    if (!between(e.numParams, 0, 100000)) {
        return "parameter count " + std::to_string(e.numParams) + " out of range";
    }
    if (!between(e.numPrograms, 0, 100000)) {
        return "program count " + std::to_string(e.numPrograms) + " out of range";
    }
    if (!between(e.numInputs, 0, PluginHost::kMaxChannels) ||
        !between(e.numOutputs, 1, PluginHost::kMaxChannels)) {
        return "channel counts " + std::to_string(e.numInputs) + " in, " + std::to_string(e.numOutputs) +
               " out: an instrument has 1 to 64 outputs";
    }
    if (e.processReplacing == nullptr || (e.flags & vst::effFlagsCanReplacing) == 0) {
        return "no replacing process (hosts on this platform call nothing else)";
    }
    if (e.setParameter == nullptr || e.getParameter == nullptr) {
        return "no parameter functions in the record";
    }
    if ((e.flags & vst::effFlagsIsSynth) == 0) {
        return "not declared an instrument (the is-synth flag is clear)";
    }
    return {};
}

// What a host does with a new instance between open and close.
void shortLife(PluginHost& instance, float rate, int block, int note)
{
    startAudio(instance, rate, block);
    instance.addMidi(0, 0x90, static_cast<unsigned char>(note), 100);
    instance.process(block);
    instance.addMidi(0, 0x80, static_cast<unsigned char>(note), 0);
    instance.process(block);
    instance.suspend();
}

} // namespace

void runLoadChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    std::string error;
    auto module = PluginModule::open(path, error);
    if (!module) {
        report.fail("load.entry", "cannot load '" + path + "': " + error);
        return;
    }
    auto instance = PluginHost::create(*module, playingHost(), error);
    if (!instance) {
        report.fail("load.entry", error);
        return;
    }
    report.pass("load.entry");
    const vst::EffectRecord& e = *instance->effect();
    report.setUniqueId(e.uniqueID);
    std::string fault = recordFault(e);
    report.result("load.record", fault);
    if (!fault.empty()) {
        return;
    }

    const TextLimits limits = textLimits(e, plan);
    std::string name, vendor, product;
    fault = guardedQuery(*instance, vst::effGetEffectName, 0, 0, limits.effectName, "effect name", &name);
    if (fault.empty()) {
        fault = guardedQuery(*instance, vst::effGetVendorString, 0, 0, limits.vendor, "vendor", &vendor);
    }
    if (fault.empty()) {
        fault = guardedQuery(*instance, vst::effGetProductString, 0, 0, limits.product, "product", &product);
    }
    if (fault.empty() && e.uniqueID == 0) {
        fault = "unique id is 0: hosts cannot tell it apart in their projects";
    }
    if (fault.empty() && name.empty() && product.empty()) {
        fault = "neither an effect name nor a product string";
    }
    report.result("load.identity", fault);

    fault.clear();
    for (int index : indicesToVisit(e.numParams)) {
        if (!(fault = parameterTexts(*instance, index, limits.parameter)).empty()) {
            break;
        }
    }
    report.result("load.parameter-texts", fault);

    fault = guardedQuery(*instance, vst::effGetProgramName, 0, 0, limits.programName, "current program name");
    for (int index : indicesToVisit(e.numPrograms)) {
        if (!fault.empty()) {
            break;
        }
        fault = guardedQuery(*instance, vst::effGetProgramNameIndexed, index, -1, limits.programName,
                             "program " + std::to_string(index) + " name");
    }
    report.result("load.program-texts", fault);

    fault.clear();
    for (int i = 0; i < e.numOutputs && fault.empty(); ++i) {
        fault = pinTexts(*instance, vst::effGetOutputProperties, i, "output " + std::to_string(i));
    }
    for (int i = 0; i < e.numInputs && fault.empty(); ++i) {
        fault = pinTexts(*instance, vst::effGetInputProperties, i, "input " + std::to_string(i));
    }
    report.result("load.pin-texts", fault);
}

// Scanners open the plug-in before any audio set-up: the host answers sample
// rate 0, block size 0 and no time record while the plug-in is created.
void runScanCheck(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    HostSettings scanner = playingHost();
    scanner.sampleRate = 0.0f;
    scanner.blockSize = 0;
    scanner.answerTime = false;
    scanner.wantMidi = false;
    std::string error;
    std::string fault;
    auto module = PluginModule::open(path, error);
    for (int visit = 0; visit < 2 && fault.empty() && module; ++visit) {
        auto instance = PluginHost::create(*module, scanner, error);
        if (!instance) {
            fault = error;
            break;
        }
        const TextLimits limits = textLimits(*instance->effect(), plan);
        fault = guardedQuery(*instance, vst::effGetEffectName, 0, 0, limits.effectName, "effect name");
        if (fault.empty()) {
            fault = guardedQuery(*instance, vst::effGetVendorString, 0, 0, limits.vendor, "vendor");
        }
        if (fault.empty()) {
            fault = guardedQuery(*instance, vst::effGetProductString, 0, 0, limits.product, "product");
        }
        instance->dispatch(vst::effGetVendorVersion);
        instance->dispatch(vst::effGetVstVersion);
        instance->dispatch(vst::effGetPlugCategory);
        for (const char* what : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo", "offline", ""}) {
            char copy[64] = {};
            std::strncpy(copy, what, sizeof copy - 1);
            instance->dispatch(vst::effCanDo, 0, 0, copy);
        }
        const int params = std::min(instance->effect()->numParams, 64);
        for (int i = 0; i < params && fault.empty(); ++i) {
            fault = parameterTexts(*instance, i, limits.parameter);
        }
        instance->suspend();
        instance->close();
    }
    if (!module) {
        fault = error;
    }
    report.result("scan.zero-host", fault);
}

// Displays at the ends of every parameter's range, where formatting goes wrong
// ("-inf dB", long numbers).
void runTextExtremes(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    LoadedPlugin loaded;
    std::string error;
    if (!loadPlugin(path, playingHost(), loaded, error)) {
        report.fail("texts.value-range", error);
        return;
    }
    PluginHost& instance = *loaded.instance;
    const TextLimits limits = textLimits(*instance.effect(), plan);
    std::string fault;
    for (int index : indicesToVisit(instance.effect()->numParams)) {
        const float before = instance.getParameter(index);
        for (float value : {0.0f, 1.0f, 0.5f, 1.0f / 3.0f, 1e-7f, 0.9999999f}) {
            instance.setParameter(index, value);
            const float read = instance.getParameter(index);
            if (!std::isfinite(read)) {
                fault = "parameter " + std::to_string(index) + " reads " + std::to_string(read) + " after being set to " +
                        std::to_string(value);
            }
            if (fault.empty()) {
                fault = guardedQuery(instance, vst::effGetParamDisplay, index, 0, limits.parameter,
                                     "parameter " + std::to_string(index) + " display at " + std::to_string(value));
            }
            if (!fault.empty()) {
                break;
            }
        }
        instance.setParameter(index, before);
        if (!fault.empty()) {
            break;
        }
    }
    report.result("texts.value-range", fault);
}

void runOpenChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    std::string error;
    std::string fault;
    {
        LoadedPlugin loaded;
        for (int cycle = 0; cycle < plan.reopenCycles && fault.empty(); ++cycle) {
            // Hosts keep the module while they reopen instances, and unload it
            // when the last instance goes; do both.
            if (cycle % 5 == 0) {
                loaded.instance.reset();
                loaded.module.reset(); // so the module really goes before it comes back
                loaded.module = PluginModule::open(path, error);
                if (!loaded.module) {
                    fault = "cycle " + std::to_string(cycle) + ": " + error;
                    break;
                }
            }
            loaded.instance = PluginHost::create(*loaded.module, playingHost(), error);
            if (!loaded.instance) {
                fault = "cycle " + std::to_string(cycle) + ": " + error;
                break;
            }
            shortLife(*loaded.instance, 44100.0f, 512, 60 + cycle % 12);
            loaded.instance.reset();
        }
    }
    report.result("open.reopen", fault);

    // Eight instances created and destroyed at once on four threads.
    constexpr int kThreads = 4;
    constexpr int kPerThread = 2;
    auto module = PluginModule::open(path, error);
    if (!module) {
        report.fail("open.concurrent", error);
        return;
    }
    std::string faults[kThreads];
    for (int round = 0; round < plan.concurrentRounds; ++round) {
        std::latch start(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                start.arrive_and_wait();
                std::unique_ptr<PluginHost> instances[kPerThread];
                for (auto& instance : instances) {
                    std::string why;
                    instance = PluginHost::create(*module, playingHost(), why);
                    if (!instance && faults[t].empty()) {
                        faults[t] = "thread " + std::to_string(t) + ": " + why;
                    }
                }
                for (auto& instance : instances) {
                    if (instance) {
                        shortLife(*instance, 48000.0f, 256, 48 + t);
                    }
                }
                for (auto& instance : instances) {
                    instance.reset();
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
    }
    fault.clear();
    for (const auto& f : faults) {
        if (fault.empty()) {
            fault = f;
        }
    }
    report.result("open.concurrent", fault);
}

} // namespace tessarine::host
