// The LV2 groups that play: every sample rate and block size with notes,
// controllers and the transport's position into the output check, and event
// sequences broken the ways hosts with bugs break them.

#include "validate/Lv2ValidatorChecks.h"

#include "lv2/Lv2Instance.h"
#include "lv2/Lv2World.h"
#include "validate/BlockTiming.h"
#include "validate/OutputCheck.h"

#include <lv2/midi/midi.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace tessarine::host {

namespace {

// One chord held for kChordSeconds and released, at one rate and block size:
// the transport's position first, a controller and a bend while it sounds.
// Empty, or what went wrong.
std::string playChord(Lv2Instance& instance, Lv2EventSequence& events, std::uint32_t block, BlockTiming& timing,
                      float& peak)
{
    const double rate = instance.sampleRate();
    const long long noteFrames = std::llround(kChordSeconds * rate);
    const long long totalFrames = noteFrames + std::llround(kChordTailSeconds * rate);
    const long long bendFrame = noteFrames / 2;
    float notePeak = 0.0f;
    OutputCheck check(rate);
    for (long long done = 0; done < totalFrames; done += block) {
        const auto frames = static_cast<std::uint32_t>(std::min<long long>(block, totalFrames - done));
        auto inBlock = [&](long long frame) { return frame >= done && frame < done + frames; };
        events.clear();
        if (done == 0) {
            events.position(0, {120.0f, 0.0, 0.0f, 0, 4.0f, 4, 1.0f});
        }
        for (const std::uint8_t key : {48, 55, 64}) {
            if (done == 0) {
                events.midi(0, {0x90, key, 100});
            } else if (inBlock(noteFrames)) {
                events.midi(noteFrames - done, {0x80, key, 64});
            }
        }
        if (inBlock(bendFrame)) {
            events.midi(bendFrame - done, {0xB0, 1, 0});
            events.midi(bendFrame - done, {0xE0, 0, 0x40});
        }
        const auto start = std::chrono::steady_clock::now();
        instance.run(frames, &events);
        timing.add(static_cast<int>(frames),
                   std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
                       .count());
        check.scan(instance.outputs(), instance.outputCount(), static_cast<int>(frames), done);
        if (done < noteFrames) {
            for (int c = 0; c < instance.outputCount(); ++c) {
                for (std::uint32_t i = 0; i < frames; ++i) {
                    notePeak = std::max(notePeak, std::fabs(instance.output(c)[i]));
                }
            }
        }
        if (!check.fault().empty()) {
            break;
        }
    }
    peak = std::max(peak, check.peak());
    if (!check.fault().empty()) {
        return check.fault();
    }
    return notePeak > OutputCheck::kSilenceLevel ? std::string() : "silent while notes are held";
}

} // namespace

std::vector<CheckGroup> lv2CheckGroups(const ValidationPlan& plan)
{
    std::vector<CheckGroup> groups = {{"load", runLv2LoadChecks, 0}, {"scan", runLv2ScanChecks, 0}};
    if (plan.level < 2) {
        return groups;
    }
    groups.push_back({"state", runLv2StateChecks, 0});
    groups.push_back({"presets", runLv2PresetChecks, 0});
    groups.push_back({"events", runLv2EventChecks, 0});
    for (int rate : kHostRates) {
        groups.push_back({"process." + std::to_string(rate), runLv2ProcessChecks, rate});
    }
    return groups;
}

void runLv2ProcessChecks(const std::string& path, const ValidationPlan& plan, int rate, ValidatorReport& report)
{
    const std::string name = "process." + std::to_string(rate);
    Lv2World world;
    const std::unique_ptr<Lv2Instance> instance = openInstanceForChecks(world, path, plan, report, name, rate);
    if (!instance) {
        return;
    }
    Lv2EventSequence events(world.uris());
    std::string fault;
    for (const std::uint32_t block : kHostBlocks) {
        BlockTiming timing(rate);
        float peak = 0.0f;
        const std::string blockFault = playChord(*instance, events, block, timing, peak);
        if (!blockFault.empty() && fault.empty()) {
            fault = "block " + std::to_string(block) + ": " + blockFault;
        }
        report.addFigure({rate, static_cast<int>(block), timing.realTimeFactor(), timing.worstBlockFraction(),
                          20.0 * std::log10(static_cast<double>(peak))});
    }
    report.result(name, fault);
}

// Sequences that lie about their sizes, messages no synthesizer plays and
// times out of order: the plug-in reads only as far as the sequence holds,
// and its output stays finite and bounded.
void runLv2EventChecks(const std::string& path, const ValidationPlan& plan, int, ValidatorReport& report)
{
    Lv2World world;
    const std::unique_ptr<Lv2Instance> instance =
        openInstanceForChecks(world, path, plan, report, "events.broken", 48000.0);
    if (!instance) {
        return;
    }
    if (!instance->hasEventInput()) {
        report.skip("events.broken", "no event input");
        return;
    }
    const LV2_URID midi = world.uris().map(LV2_MIDI__MidiEvent);
    const std::uint32_t header = sizeof(LV2_Atom_Sequence_Body) + sizeof(LV2_Atom_Event);
    const struct {
        const char* what;
        void (*build)(Lv2EventSequence&, LV2_URID, std::uint32_t);
    } cases[] = {
        {"an event larger than the sequence", [](Lv2EventSequence& s, LV2_URID m, std::uint32_t) {
             s.raw(0, m, 0x7fffffff, {0x90, 69, 100});
         }},
        {"a sequence claiming less than its header", [](Lv2EventSequence& s, LV2_URID, std::uint32_t) {
             s.midi(0, {0x90, 69, 100});
             s.claimSize(4);
         }},
        {"a sequence cut inside an event", [](Lv2EventSequence& s, LV2_URID m, std::uint32_t h) {
             s.midi(0, {0x90, 69, 100});
             s.raw(10, m, 3, {0x90, 70, 100});
             s.claimSize(h + 8 + 20);
         }},
        {"a long message (SysEx)", [](Lv2EventSequence& s, LV2_URID m, std::uint32_t) {
             s.raw(0, m, 6, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
         }},
        {"an empty message", [](Lv2EventSequence& s, LV2_URID m, std::uint32_t) { s.raw(0, m, 0, {}); }},
        {"a data byte without status", [](Lv2EventSequence& s, LV2_URID m, std::uint32_t) {
             s.raw(0, m, 3, {0x45, 69, 100});
         }},
        {"times out of order and past the block", [](Lv2EventSequence& s, LV2_URID, std::uint32_t) {
             s.midi(300, {0x90, 69, 100});
             s.midi(5, {0x90, 72, 100});
             s.midi(100000, {0x80, 72, 100});
         }},
        {"a truncated position object", [](Lv2EventSequence& s, LV2_URID, std::uint32_t h) {
             s.position(0, {140.0f, 8.0, 0.0f, 2, 4.0f, 4, 1.0f});
             s.claimSize(h + 40);
         }},
    };
    constexpr std::uint32_t kBlock = 512;
    Lv2EventSequence events(world.uris());
    Lv2EventSequence allOff(world.uris());
    allOff.midi(0, {0xB0, 120, 0});
    std::string fault;
    for (const auto& c : cases) {
        OutputCheck check(instance->sampleRate());
        for (int block = 0; block < 8; ++block) {
            events.clear();
            if (block == 0) {
                c.build(events, midi, header);
            }
            instance->run(kBlock, block == 7 ? &allOff : &events);
            check.scan(instance->outputs(), instance->outputCount(), static_cast<int>(kBlock),
                       static_cast<long long>(block) * kBlock);
        }
        if (!check.fault().empty()) {
            fault = fault.empty() ? std::string(c.what) + ": " + check.fault() : fault;
        }
    }
    report.result("events.broken", fault);
}

} // namespace tessarine::host
