// The CLAP groups that play: every sample rate and block size with notes and
// value changes into the output check, and a session of every kind of call on
// the threads a host makes them, with the host recording any call the plug-in
// makes back on a thread that may not make it.

#include "validate/ClapValidatorChecks.h"

#include "clap/ClapEvents.h"
#include "clap/ClapMemoryStream.h"
#include "clap/ClapSession.h"
#include "validate/BlockTiming.h"
#include "validate/OutputCheck.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace tessarine::host {

namespace {


// The scenarios' notes carry their key as their identifier.
clap_event_note_t note(std::uint16_t type, std::uint32_t time, int key, double velocity)
{
    return clapNoteEvent(type, time, key, velocity, 0, key);
}

clap_event_param_value_t value(std::uint32_t time, const clap_param_info_t& info, double v)
{
    return clapValueEvent(time, info.id, v, info.cookie);
}

// The parameters' infos, with the value each has now in place of its default:
// sent while playing, they are changes every plug-in must take without a
// fault, and that leave the sound as it was.
std::vector<clap_param_info_t> parameterInfos(const ClapInstance& instance)
{
    std::vector<clap_param_info_t> infos;
    if (instance.params == nullptr) {
        return infos;
    }
    const std::uint32_t count = instance.params->count(instance.plugin());
    for (std::uint32_t i = 0; i < count && i < 100000; ++i) {
        clap_param_info_t info{};
        double now = 0.0;
        if (instance.params->get_info(instance.plugin(), i, &info) && (info.flags & CLAP_PARAM_IS_READONLY) == 0
            && instance.params->get_value(instance.plugin(), info.id, &now)) {
            info.default_value = now;
            infos.push_back(info);
        }
    }
    return infos;
}

// One chord held for kChordSeconds and released, at one rate and block size,
// with a parameter change in every tenth block. Empty, or what went wrong.
std::string playChord(ClapSession& session, int rate, std::uint32_t block, const std::vector<clap_param_info_t>& infos,
                      BlockTiming& timing, float& peak)
{
    ClapInstance& instance = *session.instance;
    if (!instance.activate(rate, block)) {
        return "activate(" + std::to_string(rate) + ", 1, " + std::to_string(block) + ") refused";
    }
    const long long noteFrames = std::llround(kChordSeconds * rate);
    const long long totalFrames = noteFrames + std::llround(kChordTailSeconds * rate);
    std::string fault;
    float notePeak = 0.0f;
    ClapEventList in(64);
    ClapEventList out(4096);
    OutputCheck check(rate);
    session.audio->run([&] {
        if (!instance.startProcessing()) {
            fault = "start_processing refused";
            return;
        }
        std::size_t nextParameter = 0;
        long long blockIndex = 0;
        for (long long done = 0; done < totalFrames && fault.empty(); done += block, ++blockIndex) {
            const std::uint32_t frames = static_cast<std::uint32_t>(std::min<long long>(block, totalFrames - done));
            in.clear();
            out.clear();
            for (const int key : {48, 55, 64}) {
                if (done == 0) {
                    const clap_event_note_t on = note(CLAP_EVENT_NOTE_ON, 0, key, 0.8);
                    in.push(on.header);
                } else if (done <= noteFrames && noteFrames < done + frames) {
                    const clap_event_note_t off = note(CLAP_EVENT_NOTE_OFF, static_cast<std::uint32_t>(noteFrames - done), key, 0.5);
                    in.push(off.header);
                }
            }
            if (!infos.empty() && blockIndex % 10 == 0) {
                const clap_param_info_t& info = infos[nextParameter++ % infos.size()];
                const clap_event_param_value_t change = value(frames / 2, info, info.default_value);
                in.push(change.header);
            }
            const auto start = std::chrono::steady_clock::now();
            const clap_process_status status = instance.process(frames, in, out, done);
            timing.add(static_cast<int>(frames),
                       std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
                           .count());
            if (status == CLAP_PROCESS_ERROR) {
                fault = "process failed at sample " + std::to_string(done);
                break;
            }
            check.scan(instance.outputs(), ClapInstance::kOutputChannels, static_cast<int>(frames), done);
            if (done < noteFrames) {
                for (int c = 0; c < ClapInstance::kOutputChannels; ++c) {
                    for (std::uint32_t i = 0; i < frames; ++i) {
                        notePeak = std::max(notePeak, std::fabs(instance.output(c)[i]));
                    }
                }
            }
        }
        instance.stopProcessing();
    });
    instance.deactivate();
    peak = std::max(peak, check.peak());
    if (fault.empty()) {
        fault = check.fault();
    }
    if (fault.empty() && !(notePeak > OutputCheck::kSilenceLevel)) {
        fault = "silent while notes are held";
    }
    return fault;
}

} // namespace

std::vector<CheckGroup> clapCheckGroups(const ValidationPlan& plan)
{
    std::vector<CheckGroup> groups = {{"load", runClapLoadChecks, 0}, {"scan", runClapScanChecks, 0}};
    if (plan.level < 2) {
        return groups;
    }
    groups.push_back({"params", runClapParameterChecks, 0});
    groups.push_back({"state", runClapStateChecks, 0});
    for (int rate : kHostRates) {
        groups.push_back({"process." + std::to_string(rate), runClapProcessChecks, rate});
    }
    groups.push_back({"threads", runClapThreadChecks, 0});
    return groups;
}

void runClapProcessChecks(const std::string& path, const ValidationPlan&, int rate, ValidatorReport& report)
{
    const std::string name = "process." + std::to_string(rate);
    ClapSession session;
    if (!openForChecks(session, path, report, name)) {
        return;
    }
    const std::vector<clap_param_info_t> infos = parameterInfos(*session.instance);
    std::string fault;
    for (std::uint32_t block : kHostBlocks) {
        BlockTiming timing(rate);
        float peak = 0.0f;
        const std::string blockFault = playChord(session, rate, block, infos, timing, peak);
        if (!blockFault.empty() && fault.empty()) {
            fault = "block " + std::to_string(block) + ": " + blockFault;
        }
        report.addFigure({rate, static_cast<int>(block), timing.realTimeFactor(), timing.worstBlockFraction(),
                          20.0 * std::log10(static_cast<double>(peak))});
    }
    report.result(name, joinFaults(fault, session.threadFault()));
    session.reportAllocations(report);
}

// Every kind of call a host makes, each on the thread the interface names:
// set-up and texts on the main thread; processing, reset and an active
// instance's flush on the audio thread; an inactive instance's flush, the
// state and the editor's life on the main thread again.
void runClapThreadChecks(const std::string& path, const ValidationPlan&, int, ValidatorReport& report)
{
    ClapSession session;
    if (!openForChecks(session, path, report, "threads.calls")) {
        return;
    }
    ClapInstance& instance = *session.instance;
    const clap_plugin_t* plugin = instance.plugin();
    const std::vector<clap_param_info_t> infos = parameterInfos(instance);
    std::string fault;
    ClapEventList in(64);
    ClapEventList out(4096);
    auto someValues = [&](std::uint32_t time) {
        in.clear();
        out.clear();
        for (std::size_t i = 0; i < infos.size() && i < 8; ++i) {
            const clap_event_param_value_t change = value(time, infos[i], infos[i].default_value);
            in.push(change.header);
        }
    };

    // Inactive: a flush on the main thread, the texts, the state.
    if (instance.params != nullptr) {
        someValues(0);
        instance.params->flush(plugin, in.in(), out.out());
        for (std::size_t i = 0; i < infos.size() && instance.params->value_to_text != nullptr; ++i) {
            char text[256];
            instance.params->value_to_text(plugin, infos[i].id, infos[i].default_value, text, sizeof text);
        }
    }
    if (instance.state != nullptr) {
        ClapMemoryStream stream;
        if (instance.state->save(plugin, &stream.out)) {
            instance.state->load(plugin, &stream.in);
        }
    }

    // The editor's life, without a window: its timer comes and goes on the main thread.
    if (instance.gui != nullptr && instance.gui->is_api_supported(plugin, CLAP_WINDOW_API_X11, false)
        && instance.gui->create(plugin, CLAP_WINDOW_API_X11, false)) {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        instance.gui->get_size(plugin, &width, &height);
        for (clap_id timer : session.host->timers()) {
            if (instance.timerSupport != nullptr) {
                instance.timerSupport->on_timer(plugin, timer);
            }
        }
        instance.gui->destroy(plugin);
        if (!session.host->timers().empty()) {
            fault = joinFaults(fault, "the editor's timer outlived the editor");
        }
    }

    // Active: processing with notes and values, a flush and a reset, all on the audio thread.
    if (!instance.activate(48000.0, 512)) {
        fault = joinFaults(fault, "activate refused");
    } else {
        session.audio->run([&] {
            if (!instance.startProcessing()) {
                fault = joinFaults(fault, "start_processing refused");
                return;
            }
            for (int block = 0; block < 200; ++block) {
                someValues(static_cast<std::uint32_t>(block % 512));
                const clap_event_note_t on = note(block % 20 == 0 ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF, 3,
                                                  60 + block % 12, 0.7);
                in.push(on.header);
                instance.process(512, in, out, block * 512LL);
                if (block == 100 && instance.params != nullptr) {
                    someValues(0);
                    instance.params->flush(plugin, in.in(), out.out());
                }
                if (block == 150 && plugin->reset != nullptr) {
                    plugin->reset(plugin);
                }
            }
            instance.stopProcessing();
        });
        instance.deactivate();
    }
    report.result("threads.calls", joinFaults(fault, session.threadFault()));
    session.reportAllocations(report);
}

} // namespace tessarine::host
