// The CLAP groups that need no audio: loading and the descriptor, the
// extensions and ports, the parameters and their texts, and the state.

#include "validate/ClapValidatorChecks.h"

#include "clap/ClapEvents.h"
#include "clap/ClapMemoryStream.h"
#include "clap/ClapSession.h"

#include <clap/ext/thread-check.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <set>

namespace tessarine::host {

namespace {

constexpr const char* kOwnId = "com.brightmoor-labs.tessarine";

// Descriptor and port texts: the interface gives no bound, but a text that
// does not end within this many bytes is broken.
constexpr std::size_t kLongestText = 4096;

bool terminated(const char* text, std::size_t capacity) { return text != nullptr && strnlen(text, capacity) < capacity; }

// The group's result, failed too when the plug-in called its host from a wrong thread.
void finish(ClapSession& session, ValidatorReport& report, const std::string& name, const std::string& fault)
{
    report.result(name, joinFaults(fault, session.threadFault()));
}

std::string descriptorFault(const clap_plugin_descriptor_t* d)
{
    if (d == nullptr) {
        return "descriptor 0 is null";
    }
    if (!clap_version_is_compatible(d->clap_version)) {
        return "the descriptor's CLAP version is incompatible";
    }
    if (!terminated(d->id, kLongestText) || d->id[0] == '\0' || !terminated(d->name, kLongestText) || d->name[0] == '\0') {
        return "id and name are mandatory texts";
    }
    for (const char* optional : {d->vendor, d->url, d->manual_url, d->support_url, d->version, d->description}) {
        if (optional != nullptr && !terminated(optional, kLongestText)) {
            return "an optional text of the descriptor does not end";
        }
    }
    if (d->features == nullptr) {
        return "no feature list";
    }
    int count = 0;
    for (const char* const* f = d->features; *f != nullptr; ++f) {
        if (++count > 256 || !terminated(*f, kLongestText)) {
            return "the feature list is not a list of texts ending in null";
        }
    }
    return {};
}

} // namespace

bool isClapPath(const std::string& path)
{
    constexpr std::string_view kSuffix = ".clap";
    return path.size() > kSuffix.size() && path.compare(path.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

void runClapLoadChecks(const std::string& path, const ValidationPlan&, int, ValidatorReport& report)
{
    std::string error;
    std::unique_ptr<ClapModule> module = ClapModule::open(path, error);
    if (!module) {
        report.fail("load.entry", error);
        return;
    }
    const clap_plugin_factory_t* factory = module->factory();
    if (factory == nullptr || factory->get_plugin_count == nullptr || factory->get_plugin_descriptor == nullptr
        || factory->create_plugin == nullptr) {
        report.fail("load.entry", "no complete plug-in factory");
        return;
    }
    report.pass("load.entry");

    const std::uint32_t count = factory->get_plugin_count(factory);
    std::string fault = count < 1 ? "the factory lists no plug-in" : "";
    std::set<std::string> ids;
    for (std::uint32_t i = 0; i < count && i < 1024 && fault.empty(); ++i) {
        const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, i);
        fault = descriptorFault(d);
        if (fault.empty() && !ids.insert(d->id).second) {
            fault = std::string("the id ") + d->id + " is listed twice";
        }
        if (fault.empty() && std::strcmp(d->id, kOwnId) == 0) {
            report.setUniqueId(ownUniqueId());
        }
    }
    if (fault.empty() && factory->get_plugin_descriptor(factory, count) != nullptr) {
        fault = "a descriptor past the count";
    }
    report.result("load.descriptor", fault);

    // Create, init and destroy, twice, and a plug-in that does not exist.
    ClapHost host;
    fault.clear();
    for (int round = 0; round < 2 && fault.empty(); ++round) {
        std::unique_ptr<ClapInstance> instance = ClapInstance::create(*module, host, error);
        if (!instance) {
            fault = error;
        }
    }
    if (fault.empty() && factory->create_plugin(factory, host.host(), "no.such.plugin.id") != nullptr) {
        fault = "create_plugin made an instance of an id it does not list";
    }
    if (host.violationCount() > 0) {
        fault = joinFaults(fault, std::to_string(host.violationCount()) + " host call(s) on a wrong thread");
    }
    report.result("load.instance", fault);
}

bool openForChecks(ClapSession& session, const std::string& path, ValidatorReport& report, const std::string& check)
{
    std::string error;
    if (session.open(path, error)) {
        return true;
    }
    report.fail(check, error);
    return false;
}

void runClapScanChecks(const std::string& path, const ValidationPlan&, int, ValidatorReport& report)
{
    ClapSession session;
    if (!openForChecks(session, path, report, "scan.extensions")) {
        return;
    }
    ClapInstance& instance = *session.instance;
    const clap_plugin_t* plugin = instance.plugin();
    std::string fault;
    if (instance.audioPorts == nullptr || instance.notePorts == nullptr) {
        fault = "an instrument needs clap.audio-ports and clap.note-ports";
    }
    if (instance.params != nullptr && (instance.params->count == nullptr || instance.params->get_info == nullptr
                                       || instance.params->get_value == nullptr || instance.params->flush == nullptr)) {
        fault = joinFaults(fault, "clap.params lacks functions");
    }
    if (instance.state != nullptr && (instance.state->save == nullptr || instance.state->load == nullptr)) {
        fault = joinFaults(fault, "clap.state lacks functions");
    }
    finish(session, report, "scan.extensions", fault);
    if (instance.audioPorts == nullptr || instance.notePorts == nullptr) {
        return;
    }

    fault.clear();
    const std::uint32_t outputs = instance.audioPorts->count(plugin, false);
    if (outputs < 1) {
        fault = "no audio output";
    }
    for (bool input : {false, true}) {
        const std::uint32_t ports = instance.audioPorts->count(plugin, input);
        for (std::uint32_t i = 0; i < ports && i < 64; ++i) {
            clap_audio_port_info_t info{};
            if (!instance.audioPorts->get(plugin, i, input, &info)) {
                fault = joinFaults(fault, "audio port " + std::to_string(i) + " has no info");
            } else if (!terminated(info.name, sizeof info.name) || info.channel_count < 1 || info.channel_count > 64) {
                fault = joinFaults(fault, "audio port " + std::to_string(i) + " has a broken name or channel count");
            }
        }
    }
    const std::uint32_t notes = instance.notePorts->count(plugin, true);
    if (notes < 1) {
        fault = joinFaults(fault, "no note input");
    }
    for (std::uint32_t i = 0; i < notes && i < 64; ++i) {
        clap_note_port_info_t info{};
        if (!instance.notePorts->get(plugin, i, true, &info) || !terminated(info.name, sizeof info.name)) {
            fault = joinFaults(fault, "note port " + std::to_string(i) + " has no or a broken info");
        } else if ((info.supported_dialects & info.preferred_dialect) == 0) {
            fault = joinFaults(fault, "note port " + std::to_string(i) + " prefers a dialect it does not support");
        }
    }
    clap_audio_port_info_t past{};
    if (instance.audioPorts->get(plugin, outputs, false, &past)) {
        fault = joinFaults(fault, "an audio port past the count");
    }
    finish(session, report, "scan.ports", fault);
}

void runClapParameterChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    ClapSession session;
    if (!openForChecks(session, path, report, "params.info")) {
        return;
    }
    ClapInstance& instance = *session.instance;
    const clap_plugin_t* plugin = instance.plugin();
    const clap_plugin_params_t* params = instance.params;
    if (params == nullptr) {
        report.skip("params.info", "the plug-in has no parameters");
        return;
    }
    const std::uint32_t count = params->count(plugin);
    std::vector<clap_param_info_t> infos;
    std::string fault;
    std::set<clap_id> ids;
    for (std::uint32_t i = 0; i < count && i < 100000 && fault.empty(); ++i) {
        clap_param_info_t info{};
        const std::string which = "parameter " + std::to_string(i);
        double value = 0.0;
        if (!params->get_info(plugin, i, &info)) {
            fault = which + ": no info";
        } else if (!terminated(info.name, sizeof info.name) || !terminated(info.module, sizeof info.module)) {
            fault = which + ": its name or module does not end";
        } else if (!ids.insert(info.id).second || info.id == CLAP_INVALID_ID) {
            fault = which + ": its id is used twice or invalid";
        } else if (!std::isfinite(info.min_value) || !std::isfinite(info.max_value) || info.min_value > info.max_value
                   || !(info.default_value >= info.min_value && info.default_value <= info.max_value)) {
            fault = which + ": its range or default is broken";
        } else if (!params->get_value(plugin, info.id, &value) || !(value >= info.min_value && value <= info.max_value)) {
            fault = which + ": its value is missing or out of its range";
        }
        infos.push_back(info);
    }
    clap_param_info_t past{};
    if (fault.empty() && params->get_info(plugin, count, &past)) {
        fault = "info for a parameter past the count";
    }
    finish(session, report, "params.info", fault);
    if (!fault.empty()) {
        return;
    }

    // Text of a value, back to a value, whose text is the same again. Hosts
    // may live without text input, so only a strict run, or Tessarine, must
    // take every text it shows.
    const bool strict = plan.strict
        || (plugin->desc != nullptr && plugin->desc->id != nullptr && std::strcmp(plugin->desc->id, kOwnId) == 0);
    fault.clear();
    int converted = 0;
    std::mt19937 random(plan.seed);
    for (const clap_param_info_t& info : infos) {
        if (params->value_to_text == nullptr || params->text_to_value == nullptr) {
            break;
        }
        std::vector<double> values = {info.min_value, info.max_value, info.default_value};
        for (int k = 1; k < 16; ++k) {
            values.push_back(info.min_value + (info.max_value - info.min_value) * k / 16.0);
        }
        for (int k = 0; k < 8; ++k) {
            values.push_back(std::uniform_real_distribution<double>(info.min_value, info.max_value)(random));
        }
        for (double value : values) {
            if ((info.flags & CLAP_PARAM_IS_STEPPED) != 0) {
                value = std::trunc(value);
            }
            char text[256] = {};
            if (!params->value_to_text(plugin, info.id, value, text, sizeof text) || !terminated(text, sizeof text)) {
                continue;
            }
            double parsed = 0.0;
            const std::string which = "parameter " + std::to_string(info.id) + " '" + text + "'";
            if (!params->text_to_value(plugin, info.id, text, &parsed)) {
                if (strict) {
                    fault = which + ": its own text is refused";
                }
                continue;
            }
            char again[256] = {};
            if (!std::isfinite(parsed) || !params->value_to_text(plugin, info.id, parsed, again, sizeof again)
                || std::strncmp(text, again, sizeof text) != 0) {
                fault = which + " reads back as " + std::to_string(parsed) + ", shown '" + again + "'";
            }
            ++converted;
        }
        if (!fault.empty()) {
            break;
        }
    }
    if (fault.empty() && converted == 0) {
        report.skip("params.text", "no parameter converts text");
    } else {
        finish(session, report, "params.text", fault);
    }

    // Values flushed while inactive are the values the plug-in then reports.
    fault.clear();
    ClapEventList in(infos.size() + 1);
    ClapEventList out(infos.size() * 4 + 16);
    std::vector<double> sent;
    for (const clap_param_info_t& info : infos) {
        double value = std::uniform_real_distribution<double>(info.min_value, info.max_value)(random);
        if ((info.flags & CLAP_PARAM_IS_STEPPED) != 0) {
            value = std::trunc(value);
        }
        in.push(clapValueEvent(0, info.id, value, info.cookie).header);
        sent.push_back(value);
    }
    params->flush(plugin, in.in(), out.out());
    for (std::size_t i = 0; i < infos.size() && fault.empty(); ++i) {
        if ((infos[i].flags & CLAP_PARAM_IS_READONLY) != 0) {
            continue;
        }
        double value = 0.0;
        const double tolerance = 1e-5 * std::max(1.0, infos[i].max_value - infos[i].min_value);
        if (!params->get_value(plugin, infos[i].id, &value) || !(std::fabs(value - sent[i]) <= tolerance)) {
            fault = "parameter " + std::to_string(infos[i].id) + " flushed to " + std::to_string(sent[i]) +
                    " reports " + std::to_string(value);
        }
    }
    finish(session, report, "params.flush", fault);
}

namespace {

bool save(const ClapInstance& instance, std::vector<std::uint8_t>& bytes, std::size_t piece = SIZE_MAX)
{
    ClapMemoryStream stream;
    stream.piece = piece;
    const bool saved = instance.state->save(instance.plugin(), &stream.out);
    bytes = std::move(stream.bytes);
    return saved;
}

// One empty block on the audio thread, its output events kept.
bool processOnce(ClapSession& session, ClapInstance& instance, ClapEventList& out)
{
    bool processed = false;
    session.audio->run([&] {
        if (instance.startProcessing()) {
            ClapEventList in(1);
            processed = instance.process(512, in, out, 0) != CLAP_PROCESS_ERROR;
            instance.stopProcessing();
        }
    });
    return processed;
}

// A state saved, loaded into a fresh instance and played saves the same bytes.
std::string stableAcrossRenderFault(ClapSession& session, const std::vector<std::uint8_t>& saved)
{
    std::string error;
    std::unique_ptr<ClapInstance> fresh = session.another(error);
    if (!fresh) {
        return "no fresh instance: " + error;
    }
    ClapMemoryStream stream;
    stream.bytes = saved;
    if (!fresh->state->load(fresh->plugin(), &stream.in)) {
        return "the saved state does not load into a fresh instance";
    }
    ClapEventList out(1024);
    std::vector<std::uint8_t> again;
    if (!fresh->activate(44100.0, 512) || !processOnce(session, *fresh, out)) {
        return "the fresh instance does not play";
    }
    fresh->deactivate();
    if (!save(*fresh, again) || again != saved) {
        return "saved, loaded into a fresh instance and played, it saves differently (" +
               firstDifference(saved, again) + ")";
    }
    return {};
}

std::vector<double> parameterValues(const ClapInstance& instance)
{
    std::vector<double> values(instance.params->count(instance.plugin()), 0.0);
    for (std::uint32_t i = 0; i < values.size(); ++i) {
        clap_param_info_t info{};
        if (instance.params->get_info(instance.plugin(), i, &info)) {
            instance.params->get_value(instance.plugin(), info.id, &values[i]);
        }
    }
    return values;
}

// Every value at its maximum (a held pedal among them), then activation and a
// block: whatever the plug-in changed by itself on the way must reach the host
// as a value event with its new value, or through a rescan of the values, and
// nothing unchanged may be reported.
std::string valuesReportedFault(ClapSession& session, ClapInstance& instance)
{
    const std::uint32_t count = instance.params->count(instance.plugin());
    ClapEventList in(count + 1);
    ClapEventList out(count * 4 + 16);
    for (std::uint32_t i = 0; i < count; ++i) {
        clap_param_info_t info{};
        if (instance.params->get_info(instance.plugin(), i, &info) && (info.flags & CLAP_PARAM_IS_READONLY) == 0) {
            in.push(clapValueEvent(0, info.id, info.max_value, info.cookie).header);
        }
    }
    instance.params->flush(instance.plugin(), in.in(), out.out());
    const std::vector<double> before = parameterValues(instance);
    const int rescans = session.host->rescans();
    const int callbacks = session.host->callbackRequests();
    out.clear();
    if (!instance.activate(48000.0, 512)) {
        return "activate refused";
    }
    if (session.host->callbackRequests() != callbacks) {
        instance.plugin()->on_main_thread(instance.plugin());
    }
    const bool processed = processOnce(session, instance, out);
    instance.deactivate();
    if (!processed) {
        return "process failed";
    }
    const std::vector<double> after = parameterValues(instance);
    const bool rescanned = session.host->rescans() != rescans;
    std::vector<int> reports(count, 0);
    std::vector<double> last(count, 0.0);
    for (std::size_t n = 0; n < out.size(); ++n) {
        const clap_event_header_t* event = out.at(n);
        if (event->space_id != CLAP_CORE_EVENT_SPACE_ID || event->type != CLAP_EVENT_PARAM_VALUE) {
            continue;
        }
        const auto* value = reinterpret_cast<const clap_event_param_value_t*>(event);
        for (std::uint32_t i = 0; i < count; ++i) {
            clap_param_info_t info{};
            if (instance.params->get_info(instance.plugin(), i, &info) && info.id == value->param_id) {
                ++reports[i];
                last[i] = value->value;
            }
        }
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const bool changed = after[i] != before[i];
        if (changed && !rescanned && (reports[i] == 0 || last[i] != after[i])) {
            return "parameter " + std::to_string(i) + " went from " + std::to_string(before[i]) + " to " +
                   std::to_string(after[i]) + (reports[i] == 0 ? " unreported" : " but was reported as " +
                                                                             std::to_string(last[i]));
        }
        if (!changed && reports[i] != 0) {
            return "parameter " + std::to_string(i) + " was reported but did not change";
        }
    }
    return {};
}

} // namespace

void runClapStateChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    ClapSession session;
    if (!openForChecks(session, path, report, "state.roundtrip")) {
        return;
    }
    ClapInstance& first = *session.instance;
    if (first.state == nullptr) {
        report.skip("state.roundtrip", "the plug-in keeps no state");
        return;
    }
    std::string error;
    std::unique_ptr<ClapInstance> second = session.another(error);
    if (!second) {
        report.fail("state.roundtrip", "no second instance: " + error);
        return;
    }
    // Some values away from the defaults, so that the state says something.
    if (first.params != nullptr) {
        std::mt19937 random(plan.seed);
        const std::uint32_t count = first.params->count(first.plugin());
        ClapEventList in(count + 1);
        ClapEventList out(count * 4 + 16);
        for (std::uint32_t i = 0; i < count; i += 3) {
            clap_param_info_t info{};
            if (!first.params->get_info(first.plugin(), i, &info) || (info.flags & CLAP_PARAM_IS_READONLY) != 0) {
                continue;
            }
            double value = std::uniform_real_distribution<double>(info.min_value, info.max_value)(random);
            if ((info.flags & CLAP_PARAM_IS_STEPPED) != 0) {
                value = std::trunc(value);
            }
            in.push(clapValueEvent(0, info.id, value, info.cookie).header);
        }
        first.params->flush(first.plugin(), in.in(), out.out());
    }

    std::string fault;
    std::vector<std::uint8_t> saved;
    std::vector<std::uint8_t> again;
    if (!save(first, saved, 4093)) {
        fault = "save failed";
    } else {
        ClapMemoryStream stream;
        stream.bytes = saved;
        stream.piece = 10007;
        if (!second->state->load(second->plugin(), &stream.in)) {
            fault = "the saved state does not load into a second instance";
        } else if (!save(*second, again) || again != saved) {
            fault = "the loaded state saves differently (" + firstDifference(saved, again) + ")";
        }
    }
    finish(session, report, "state.roundtrip", fault);
    if (!fault.empty()) {
        return;
    }
    if (plan.level >= 3) {
        finish(session, report, "state.stable-across-render", stableAcrossRenderFault(session, saved));
        if (first.params != nullptr) {
            std::unique_ptr<ClapInstance> fresh = session.another(error);
            finish(session, report, "params.reported",
                   fresh ? valuesReportedFault(session, *fresh) : "no fresh instance: " + error);
        }
    }

    // Nothing, cut-off states and failing streams: refused, and nothing changes.
    std::vector<std::uint8_t> before;
    save(*second, before);
    fault.clear();
    struct Bad {
        std::string what;
        std::vector<std::uint8_t> bytes;
        bool failing;
    };
    std::vector<Bad> bads = {{"an empty stream", {}, false}, {"a failing stream", saved, true}};
    for (std::size_t length : {std::size_t{1}, std::size_t{7}, saved.size() / 3, saved.size() / 2, saved.size() - 1}) {
        if (length > 0 && length < saved.size()) {
            bads.push_back({"the first " + std::to_string(length) + " bytes",
                            std::vector<std::uint8_t>(saved.begin(), saved.begin() + static_cast<long>(length)), false});
        }
    }
    for (const Bad& bad : bads) {
        ClapMemoryStream stream;
        stream.bytes = bad.bytes;
        stream.failing = bad.failing;
        if (second->state->load(second->plugin(), &stream.in)) {
            fault = joinFaults(fault, bad.what + " was taken");
        }
        std::vector<std::uint8_t> after;
        if (!save(*second, after) || after != before) {
            fault = joinFaults(fault, bad.what + " changed the state (" + firstDifference(before, after) + ")");
        }
    }
    ClapMemoryStream failing;
    failing.failing = true;
    if (first.state->save(first.plugin(), &failing.out)) {
        fault = joinFaults(fault, "a save into a failing stream reported success");
    }
    finish(session, report, "state.refused", fault);
    second.reset();
    session.reportAllocations(report);
}

} // namespace tessarine::host
