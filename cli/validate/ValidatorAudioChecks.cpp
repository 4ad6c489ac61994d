// What hosts do around the audio: resuming twice, changing the sample rate and
// the block size while suspended, processing before the first resume, the stop
// messages of a transport, and automation on the audio thread and beside it.

#include "validate/ValidatorChecks.h"
#include "validate/ValidatorScenario.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <thread>

namespace tessarine::host {

namespace {

std::string playChecked(PluginHost& instance, const MidiScenario& scenario, const PlayOptions& options)
{
    OutputCheck check(instance.sampleRate(), options.automate ? OutputCheck::kAutomationBound : OutputCheck::kBound);
    BlockTiming timing(instance.sampleRate());
    return play(instance, scenario, options, check, timing);
}

PlayOptions withBlock(const ValidationPlan& plan, PluginHost& instance, int block)
{
    PlayOptions options;
    options.blockSize = block;
    options.seed = plan.seed;
    options.tailSeconds = tailSeconds(instance, instance.sampleRate());
    return options;
}

// Each lifecycle case on a fresh instance, so one fault does not hide the next.
template <typename Case>
void lifecycleCase(const std::string& path, const std::string& name, ValidatorReport& report, Case&& body)
{
    LoadedPlugin loaded;
    std::string error;
    if (!loadPlugin(path, playingHost(), loaded, error)) {
        report.fail(name, error);
        return;
    }
    report.result(name, body(*loaded.instance));
}

} // namespace

void runLifecycleChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    lifecycleCase(path, "lifecycle.process-before-resume", report, [&](PluginHost& instance) {
        instance.setSampleRate(44100.0f);
        instance.setBlockSize(512);
        OutputCheck check(44100.0);
        BlockTiming timing(44100.0);
        for (int block = 0; block < 8; ++block) {
            if (block == 0) {
                instance.addMidi(0, 0x90, 60, 100);
            }
            instance.process(512);
            check.scan(instance, 512, block * 512LL);
        }
        if (!check.fault().empty()) {
            return "before resume: " + check.fault();
        }
        instance.resume();
        return playChecked(instance, makeScenario(44100.0, plan.seed, 1), withBlock(plan, instance, 512));
    });

    lifecycleCase(path, "lifecycle.double-resume", report, [&](PluginHost& instance) {
        startAudio(instance, 44100.0f, 512);
        std::string fault = playChecked(instance, makeScenario(44100.0, plan.seed, 1), withBlock(plan, instance, 512));
        if (!fault.empty()) {
            return "first run: " + fault;
        }
        // Reopening a project: a second resume with no suspend in between.
        instance.resume();
        instance.resume();
        fault = playChecked(instance, makeScenario(44100.0, plan.seed + 1, 1), withBlock(plan, instance, 512));
        return fault.empty() ? fault : "after resuming again: " + fault;
    });

    lifecycleCase(path, "lifecycle.rate-change", report, [&](PluginHost& instance) {
        startAudio(instance, 44100.0f, 512);
        std::string fault = playChecked(instance, makeScenario(44100.0, plan.seed, 1), withBlock(plan, instance, 512));
        for (float rate : {192000.0f, 22050.0f}) {
            if (!fault.empty()) {
                break;
            }
            instance.suspend();
            instance.setSampleRate(rate);
            instance.resume();
            fault = playChecked(instance, makeScenario(rate, plan.seed, 1), withBlock(plan, instance, 512));
            if (!fault.empty()) {
                fault = "at " + std::to_string(static_cast<int>(rate)) + " Hz: " + fault;
            }
        }
        return fault;
    });

    lifecycleCase(path, "lifecycle.larger-block", report, [&](PluginHost& instance) {
        startAudio(instance, 48000.0f, 64);
        std::string fault = playChecked(instance, makeScenario(48000.0, plan.seed, 1), withBlock(plan, instance, 64));
        if (fault.empty()) {
            instance.suspend();
            instance.setBlockSize(8192);
            instance.resume();
            fault = playChecked(instance, makeScenario(48000.0, plan.seed, 1), withBlock(plan, instance, 8192));
            if (!fault.empty()) {
                fault = "after growing the block to 8192: " + fault;
            }
        }
        return fault;
    });

    lifecycleCase(path, "lifecycle.stop-messages", report, [&](PluginHost& instance) {
        startAudio(instance, 44100.0f, 256);
        // Held notes on several channels under sustain, then a transport stop:
        // the one list of sustain off, all sound off and reset controllers on
        // every channel, and a little later the note-offs hosts send for the
        // notes they started. Instruments need not know all-notes-off, but the
        // sustain must let go.
        MidiScenario held;
        const long long stop = 22050;
        for (unsigned char channel : {0, 1, 9, 15}) {
            const auto on = static_cast<unsigned char>(0x90 | channel);
            const auto off = static_cast<unsigned char>(0x80 | channel);
            held.events.push_back({0, {static_cast<unsigned char>(0xB0 | channel), 64, 127}});
            held.events.push_back({10, {on, 60, 100}});
            held.events.push_back({20, {on, 67, 90}});
            held.events.push_back({stop + 64, {off, 60, 0}});
            held.events.push_back({stop + 64, {off, 67, 0}});
        }
        for (const TimedMidi& e : stopMessages(stop)) {
            held.events.push_back(e);
        }
        // Hosts deliver events in time order.
        std::stable_sort(held.events.begin(), held.events.end(),
                         [](const TimedMidi& a, const TimedMidi& b) { return a.frame < b.frame; });
        held.releaseFrame = stop + 65;
        std::string fault = playChecked(instance, held, withBlock(plan, instance, 256));
        return fault.empty() ? fault : "after the stop messages: " + fault;
    });
}

void runAutomationChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    {
        LoadedPlugin loaded;
        std::string error;
        if (!loadPlugin(path, playingHost(), loaded, error)) {
            report.fail("automation.sub-blocks", error);
        } else {
            PluginHost& instance = *loaded.instance;
            startAudio(instance, 44100.0f, 512);
            PlayOptions options = withBlock(plan, instance, 32);
            options.automate = true;
            // Random values may leave anything sounding (a drone, a hold switch): no silence asked.
            options.untilSilent = false;
            options.tailSeconds = 1.0;
            report.result("automation.sub-blocks",
                          playChecked(instance, makeScenario(44100.0, plan.seed, plan.scenarioRepeats), options));
        }
    }

    LoadedPlugin loaded;
    std::string error;
    if (!loadPlugin(path, playingHost(), loaded, error)) {
        report.fail("automation.second-thread", error);
        return;
    }
    PluginHost& instance = *loaded.instance;
    startAudio(instance, 48000.0f, 256);
    const int params = instance.effect()->numParams;
    std::atomic<bool> stop{false};
    std::atomic<long> writes{0};
    std::thread automation([&] {
        std::mt19937 random(plan.seed ^ 0x5eedu);
        while (!stop.load(std::memory_order_relaxed)) {
            if (params > 0) {
                const int index = static_cast<int>(random() % static_cast<unsigned>(params));
                instance.setParameter(index, static_cast<float>(random() % 1001) / 1000.0f);
                instance.getParameter(index);
                writes.fetch_add(1, std::memory_order_relaxed);
            }
            if (random() % 64 == 0) {
                std::this_thread::yield();
            }
        }
    });
    PlayOptions options = withBlock(plan, instance, 256);
    options.untilSilent = false;
    options.tailSeconds = 1.0;
    OutputCheck check(instance.sampleRate(), OutputCheck::kAutomationBound);
    BlockTiming timing(instance.sampleRate());
    std::string fault =
        play(instance, makeScenario(48000.0, plan.seed, plan.scenarioRepeats + 1), options, check, timing);
    stop.store(true, std::memory_order_relaxed);
    automation.join();
    if (fault.empty() && params > 0 && writes.load() == 0) {
        fault = "the automation thread never ran";
    }
    report.result("automation.second-thread", fault);
}

} // namespace tessarine::host
