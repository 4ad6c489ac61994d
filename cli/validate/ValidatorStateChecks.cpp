// The state chunk: what the plug-in hands over must come back byte for byte,
// and whatever a damaged project offers it (nothing, a cut-off chunk, noise)
// must neither crash it nor change its state.

#include "validate/ValidatorChecks.h"
#include "validate/ValidatorScenario.h"

#include <cmath>
#include <cstring>
#include <random>

namespace tessarine::host {

namespace {

// Larger chunks than this are treated as a broken size answer.
constexpr vst::intptr kLargestChunk = 256 * 1024 * 1024;

struct State {
    std::vector<unsigned char> chunk;
    std::vector<float> values;
};

bool takeState(PluginHost& instance, bool preset, State& state, std::string& fault)
{
    void* data = nullptr;
    const vst::intptr size = instance.dispatch(vst::effGetChunk, preset ? 1 : 0, 0, &data);
    if (size < 0 || size > kLargestChunk) {
        fault = "getChunk answered size " + std::to_string(size);
        return false;
    }
    if (size > 0 && data == nullptr) {
        fault = "getChunk answered " + std::to_string(size) + " bytes but no data";
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    state.chunk.assign(bytes, bytes + size);
    state.values.resize(static_cast<std::size_t>(instance.effect()->numParams));
    for (std::size_t i = 0; i < state.values.size(); ++i) {
        state.values[i] = instance.getParameter(static_cast<int>(i));
    }
    return true;
}

// Empty when after equals before; else what differs first.
std::string difference(const State& before, const State& after)
{
    if (before.chunk != after.chunk) {
        std::size_t at = 0;
        while (at < before.chunk.size() && at < after.chunk.size() && before.chunk[at] == after.chunk[at]) {
            ++at;
        }
        return "the chunk changed (" + std::to_string(before.chunk.size()) + " bytes before, " +
               std::to_string(after.chunk.size()) + " after, first difference at byte " + std::to_string(at) + ")";
    }
    for (std::size_t i = 0; i < before.values.size(); ++i) {
        const float a = before.values[i];
        const float b = after.values[i];
        if (!(std::fabs(a - b) <= 1e-6f) && !(std::isnan(a) && std::isnan(b))) {
            return "parameter " + std::to_string(i) + " changed from " + std::to_string(a) + " to " +
                   std::to_string(b);
        }
    }
    return {};
}

std::string renderBlock(PluginHost& instance)
{
    OutputCheck check(instance.sampleRate());
    instance.addMidi(0, 0x90, 64, 90);
    instance.process(instance.maxBlock());
    instance.addMidi(0, 0x80, 64, 0);
    instance.process(instance.maxBlock());
    check.scan(instance, instance.maxBlock(), 0);
    return check.fault();
}

// Each chunk kind, given back as taken, must read back the same and play on.
std::string roundTripFault(PluginHost& instance)
{
    std::string fault;
    for (bool preset : {false, true}) {
        State first, second;
        if (!fault.empty() || !takeState(instance, preset, first, fault)) {
            break;
        }
        std::vector<unsigned char> copy = first.chunk; // hosts hand back their own copy
        instance.dispatch(vst::effSetChunk, preset ? 1 : 0, static_cast<vst::intptr>(copy.size()),
                          copy.empty() ? nullptr : copy.data());
        if (!takeState(instance, preset, second, fault)) {
            break;
        }
        fault = difference(first, second);
        if (!fault.empty()) {
            fault = std::string(preset ? "program" : "bank") + " chunk given back: " + fault;
        } else {
            fault = renderBlock(instance);
        }
    }
    return fault;
}

struct BadChunk {
    std::string what;
    std::vector<unsigned char> bytes;
};

// Chunks a plug-in must refuse, or at least survive: empty, cut short, noise, damaged.
std::vector<BadChunk> badChunks(const std::vector<unsigned char>& chunk, std::mt19937& random)
{
    std::vector<BadChunk> cases;
    cases.push_back({"an empty chunk", {}});
    const std::size_t n = chunk.size();
    for (std::size_t cut : {std::size_t{1}, n / 2, n > 0 ? n - 1 : 0}) {
        if (cut > 0 && cut < n) {
            cases.push_back({"the chunk cut to " + std::to_string(cut) + " of " + std::to_string(n) + " bytes",
                             std::vector<unsigned char>(chunk.begin(),
                                                        chunk.begin() + static_cast<long>(cut))});
        }
    }
    // Noise of the chunk's own size could be a valid state (a chunk of raw
    // values), so noise comes in other sizes; the real chunk with its head
    // inverted stands for damage that keeps the size.
    for (std::size_t size : {std::size_t{1}, std::size_t{7}, std::size_t{64}, std::size_t{4096}, n + 13}) {
        if (size == n) {
            continue;
        }
        std::vector<unsigned char> noise(size);
        for (auto& b : noise) {
            b = static_cast<unsigned char>(random());
        }
        cases.push_back({std::to_string(size) + " random bytes", std::move(noise)});
    }
    if (n > 0) {
        std::vector<unsigned char> damaged = chunk;
        for (std::size_t i = 0; i < std::min<std::size_t>(n, 16); ++i) {
            damaged[i] ^= 0xFF;
        }
        cases.push_back({"the chunk with its first bytes inverted", std::move(damaged)});
    }
    return cases;
}

// A project reopened and played must save as it was saved: nothing the
// plug-in does by itself while rendering may change its state.
std::string stableAcrossRenderFault(const PluginModule& module, const State& saved)
{
    std::string error;
    std::unique_ptr<PluginHost> fresh = PluginHost::create(module, playingHost(), error);
    if (!fresh) {
        return "no fresh instance: " + error;
    }
    startAudio(*fresh, 44100.0f, 512);
    std::vector<unsigned char> copy = saved.chunk;
    fresh->dispatch(vst::effSetChunk, 0, static_cast<vst::intptr>(copy.size()), copy.empty() ? nullptr : copy.data());
    // The values as loaded are the host's to read; from there on, playing and
    // a resume change nothing, and the bytes are the ones saved.
    State loadedState, played;
    std::string fault;
    if (!takeState(*fresh, false, loadedState, fault)) {
        return fault;
    }
    fresh->process(512);
    fresh->suspend();
    fresh->resume();
    fresh->process(512);
    if (!takeState(*fresh, false, played, fault)) {
        return fault;
    }
    fault = difference(loadedState, played);
    if (fault.empty() && played.chunk != saved.chunk) {
        fault = difference(saved, played);
    }
    return fault.empty() ? fault : "saved, loaded into a fresh instance and rendered: " + fault;
}

// Tessarine's own requests that change values (see the file requests): after
// each, every value that differs was reported through audioMasterAutomate
// with its new value, and no value that stayed.
std::string reportedAfterRequestFault(PluginHost& instance, std::uint32_t seed)
{
    constexpr vst::int32 kFileRequest = vst::fourCC('T', 's', 'n', 'F');
    instance.dispatch(vst::effVendorSpecific, kFileRequest, 5, nullptr, static_cast<float>(seed % 65536));
    const int params = instance.effect()->numParams;
    std::string fault;
    for (const auto& [action, what] : {std::pair{6, "reset"}, std::pair{7, "random instrument"}, std::pair{6, "reset"}}) {
        std::vector<float> before(static_cast<std::size_t>(params));
        for (int i = 0; i < params; ++i) {
            before[static_cast<std::size_t>(i)] = instance.getParameter(i);
        }
        const std::size_t logged = instance.automations().size();
        if (instance.dispatch(vst::effVendorSpecific, kFileRequest, action, nullptr, 0.0f) != 1) {
            return std::string(what) + " refused (no library beside the plug-in?)";
        }
        std::vector<int> reports(static_cast<std::size_t>(params), 0);
        std::vector<float> last(static_cast<std::size_t>(params), 0.0f);
        for (std::size_t n = logged; n < instance.automations().size(); ++n) {
            const Automation& a = instance.automations()[n];
            if (a.index >= 0 && a.index < params) {
                ++reports[static_cast<std::size_t>(a.index)];
                last[static_cast<std::size_t>(a.index)] = a.value;
            }
        }
        for (int i = 0; i < params && fault.empty(); ++i) {
            const auto at = static_cast<std::size_t>(i);
            const float now = instance.getParameter(i);
            const bool changed = std::memcmp(&now, &before[at], sizeof now) != 0;
            if (changed && (reports[at] == 0 || std::memcmp(&now, &last[at], sizeof now) != 0)) {
                fault = std::string(what) + " changed parameter " + std::to_string(i) + " to " + std::to_string(now) +
                        (reports[at] == 0 ? " unreported" : " but reported " + std::to_string(last[at]));
            } else if (!changed && reports[at] != 0) {
                fault = std::string(what) + " reported parameter " + std::to_string(i) + ", which did not change";
            }
        }
        instance.process(512);
    }
    return fault;
}

} // namespace

void runStateChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    LoadedPlugin loaded;
    std::string error;
    if (!loadPlugin(path, playingHost(), loaded, error)) {
        report.fail("state.round-trip", error);
        return;
    }
    PluginHost& instance = *loaded.instance;
    if ((instance.effect()->flags & vst::effFlagsProgramChunks) == 0) {
        report.skip("state.round-trip", "the plug-in keeps no chunk (programs-are-chunks is clear)");
        report.skip("state.bad-chunks", "the plug-in keeps no chunk");
        return;
    }
    startAudio(instance, 44100.0f, 512);
    // A state worth recalling: a few parameters away from their start values.
    std::mt19937 random(plan.seed);
    const int params = instance.effect()->numParams;
    for (int i = 0; i < 8 && params > 0; ++i) {
        instance.setParameter(static_cast<int>(random() % static_cast<unsigned>(params)),
                              static_cast<float>(random() % 1001) / 1000.0f);
    }
    std::string fault = renderBlock(instance);

    if (fault.empty()) {
        fault = roundTripFault(instance);
    }
    report.result("state.round-trip", fault);

    if (plan.level >= 3) {
        // Every value the host's own, so that a value the plug-in resets by itself shows.
        for (int i = 0; i < params; ++i) {
            instance.setParameter(i, static_cast<float>(random() % 1001) / 1000.0f);
        }
        instance.process(512);
        State saved;
        fault.clear();
        if (takeState(instance, false, saved, fault)) {
            fault = stableAcrossRenderFault(*loaded.module, saved);
        }
        report.result("state.stable-across-render", fault);
        if (isOwnPlugin(instance.effect()->uniqueID)) {
            report.result("state.values-reported", reportedAfterRequestFault(instance, plan.seed));
        } else {
            report.skip("state.values-reported", "only Tessarine's own requests change values from outside");
        }
    }

    State reference;
    fault.clear();
    if (!takeState(instance, false, reference, fault)) {
        report.fail("state.bad-chunks", fault);
        return;
    }
    std::vector<BadChunk> cases = badChunks(reference.chunk, random);
    for (auto& bad : cases) {
        // A one-byte allocation keeps an empty chunk's pointer valid, as hosts hand it.
        unsigned char spare = 0;
        instance.dispatch(vst::effSetChunk, 0, static_cast<vst::intptr>(bad.bytes.size()),
                          bad.bytes.empty() ? &spare : bad.bytes.data());
        State after;
        if (!takeState(instance, false, after, fault)) {
            break;
        }
        fault = difference(reference, after);
        if (fault.empty()) {
            fault = renderBlock(instance);
        }
        if (!fault.empty()) {
            fault = bad.what + ": " + fault;
            break;
        }
    }
    report.result("state.bad-chunks", fault);
}

} // namespace tessarine::host
