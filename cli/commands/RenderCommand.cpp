#include "commands/RenderCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "commands/MidiFile.h"
#include "host/PluginHost.h"
#include "commands/ProgressBar.h"
#include "commands/WavWriter.h"

#include "sound/files/AtomicSave.h"
#include "sound/files/RegularFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace tessarine::host {

namespace {

constexpr double kLongestRenderSeconds = 6.0 * 3600.0;

int fail(const std::string& message)
{
    std::cerr << "tessarine render: " << message << '\n';
    return 1;
}

struct TimedMidi {
    long long frame;
    double quarters;
    unsigned char bytes[3];
};

// Quarter notes elapsed at a time, through the tempo map.
double quartersAt(const MidiSequence& sequence, double seconds)
{
    double quarters = 0.0;
    for (std::size_t i = 0; i < sequence.tempos.size(); ++i) {
        double from = sequence.tempos[i].seconds;
        if (from >= seconds) {
            break;
        }
        double to = i + 1 < sequence.tempos.size() ? std::min(sequence.tempos[i + 1].seconds, seconds) : seconds;
        quarters += (to - from) * sequence.tempos[i].bpm / 60.0;
    }
    return quarters;
}

bool buildNoteSequence(const RenderOptions& options, MidiSequence& sequence, std::string& error)
{
    sequence = {};
    sequence.tempos.push_back({0.0, options.tempo});
    for (std::size_t i = 0; i < options.notes.size(); ++i) {
        int key = options.notes[i];
        int velocity = i < options.velocities.size() ? options.velocities[i] : 100;
        double length = i < options.lengths.size() ? options.lengths[i] : 1.0;
        double start = i < options.starts.size() ? options.starts[i] : 0.0;
        if (key < 0 || key > 127 || velocity < 1 || velocity > 127 || !(length >= 0.0) || !(start >= 0.0) ||
            !std::isfinite(length) || !std::isfinite(start)) {
            error = "note " + std::to_string(i + 1) + ": key 0..127, velocity 1..127, length and start >= 0";
            return false;
        }
        auto k = static_cast<std::uint8_t>(key);
        sequence.events.push_back({start, 0.0, {0x90, k, static_cast<std::uint8_t>(velocity)}});
        sequence.events.push_back({start + length, 0.0, {0x80, k, 0}});
    }
    // A note that ends where another begins must end first.
    std::stable_sort(sequence.events.begin(), sequence.events.end(), [](const auto& a, const auto& b) {
        if (a.seconds != b.seconds) {
            return a.seconds < b.seconds;
        }
        return (a.bytes[0] & 0xF0) == 0x80 && (b.bytes[0] & 0xF0) != 0x80;
    });
    for (auto& event : sequence.events) {
        event.quarterNotes = event.seconds * options.tempo / 60.0;
    }
    return true;
}

bool applySetting(PluginHost& host, const std::string& setting, std::string& error)
{
    auto equals = setting.find('=');
    if (equals == std::string::npos || equals == 0) {
        error = "--set '" + setting + "': expected NAME=VALUE or INDEX=VALUE";
        return false;
    }
    std::string name = setting.substr(0, equals);
    std::string valueText = setting.substr(equals + 1);
    char* end = nullptr;
    float value = std::strtof(valueText.c_str(), &end);
    if (valueText.empty() || *end != '\0' || !std::isfinite(value)) {
        error = "--set '" + setting + "': '" + valueText + "' is not a number";
        return false;
    }
    int count = host.effect()->numParams;
    int index = -1;
    char* indexEnd = nullptr;
    long asNumber = std::strtol(name.c_str(), &indexEnd, 10);
    if (*indexEnd == '\0') {
        index = asNumber >= 0 && asNumber < count ? static_cast<int>(asNumber) : -2;
    } else {
        for (int i = 0; i < count; ++i) {
            if (host.parameterName(i) == name) {
                index = i;
                break;
            }
        }
    }
    if (index < 0) {
        error = "--set '" + setting + "': no parameter " + (index == -2 ? "with that index" : "named '" + name + "'");
        return false;
    }
    // The plug-in holds each parameter to its own range; a value it changed
    // would not play what was asked, so the render stops instead.
    const float before = host.getParameter(index);
    host.setParameter(index, value);
    const float held = host.getParameter(index);
    if (held != value) {
        host.setParameter(index, before);
        char bound[32];
        std::snprintf(bound, sizeof bound, "%g", static_cast<double>(held));
        error = "--set '" + setting + "': out of range (" + name + " holds " + (held < value ? "at most " : "at least ") +
                bound + ")";
        return false;
    }
    return true;
}

bool fileRequest(PluginHost& host, int action, const std::string& path, float opt = 0.0f)
{
    std::string copy = path;
    return host.dispatch(vst::effVendorSpecific, vst::fourCC('T', 's', 'n', 'F'), action, copy.data(), opt) == 1;
}

bool loadVoice(PluginHost& host, const std::string& assignment, std::string& error)
{
    auto equals = assignment.find('=');
    if (equals != 1 || assignment.size() < 3) {
        error = "--voice '" + assignment + "': expected SLOT=FILE with SLOT A, B, C or D";
        return false;
    }
    char slot = static_cast<char>(std::toupper(static_cast<unsigned char>(assignment[0])));
    if (slot < 'A' || slot > 'D') {
        error = "--voice '" + assignment + "': the slot is A, B, C or D";
        return false;
    }
    std::string path = assignment.substr(2);
    if (!fileRequest(host, kFileRequestVoiceLoad, path, static_cast<float>(slot - 'A'))) {
        error = "cannot load voice file '" + path + "' into slot " + slot;
        return false;
    }
    return true;
}

// What is wrong with the options before anything is read or loaded, or null.
const char* optionsRefusal(const RenderOptions& options)
{
    if (options.sampleRate < 8000 || options.sampleRate > 384000) {
        return "sample rate must be 8000 to 384000 Hz";
    }
    if (options.blockSize < 1 || options.blockSize > 65536) {
        return "block size must be 1 to 65536 samples";
    }
    if (!(options.tempo > 0.0 && options.tempo <= 1000.0)) {
        return "tempo must be above 0 and at most 1000 bpm";
    }
    if (!(options.tail >= 0.0 && options.tail <= 3600.0)) {
        return "tail must be 0 to 3600 seconds";
    }
    if (!options.midiPath.empty() && !options.notes.empty()) {
        return "give either --midi or --note, not both";
    }
    if (options.seed > (1LL << 24)) {
        return "the seed must be 0 to 16777216";
    }
    return nullptr;
}

// The instrument, voices, settings, save and seed the options ask of the plug-in, in that order.
bool prepareInstrument(PluginHost& host, const RenderOptions& options, std::string& error)
{
    if (!options.instrumentPath.empty() && !fileRequest(host, kFileRequestInstrumentLoad, options.instrumentPath)) {
        error = "cannot load instrument file '" + options.instrumentPath + "'";
        return false;
    }
    for (const std::string& voice : options.voices) {
        if (!loadVoice(host, voice, error)) {
            return false;
        }
    }
    for (const std::string& setting : options.settings) {
        if (!applySetting(host, setting, error)) {
            return false;
        }
    }
    if (!options.saveInstrumentPath.empty() &&
        !fileRequest(host, kFileRequestInstrumentSave, options.saveInstrumentPath)) {
        const int refused = AtomicSave::checkTarget(options.saveInstrumentPath);
        error = "cannot save instrument file '" + options.saveInstrumentPath + "'" +
                (refused != 0 ? " (" + describeFileError(refused) + ")" : std::string());
        return false;
    }
    if (options.seed >= 0 && !fileRequest(host, kFileRequestSeed, "", static_cast<float>(options.seed))) {
        error = "the plug-in does not take a seed";
        return false;
    }
    return true;
}

// The most events any one block holds.
std::size_t busiestBlock(const std::vector<TimedMidi>& events, int block)
{
    std::size_t busiest = 0;
    for (std::size_t first = 0, last = 0; first < events.size(); first = last) {
        const long long blockStart = events[first].frame / block * block;
        while (last < events.size() && events[last].frame < blockStart + block) {
            ++last;
        }
        busiest = std::max(busiest, last - first);
    }
    return busiest;
}

// Plays the events block by block into the sink.
bool renderBlocks(PluginHost& host, const MidiSequence& sequence, const std::vector<TimedMidi>& events,
                  std::size_t busiest, long long totalFrames, const RenderOptions& options, RenderSink& sink,
                  std::string& error)
{
    const double rate = options.sampleRate;
    const int block = options.blockSize;
    std::unique_ptr<ProgressBar> progress;
    if (options.showProgress) {
        progress = std::make_unique<ProgressBar>("rendering");
    }
    std::vector<float> left(static_cast<std::size_t>(block)), right(static_cast<std::size_t>(block));
    std::vector<PluginHost::Midi> blockEvents;
    blockEvents.reserve(busiest);
    std::size_t next = 0;
    for (long long start = 0; start < totalFrames; start += block) {
        const int frames = static_cast<int>(std::min<long long>(block, totalFrames - start));
        const double seconds = static_cast<double>(start) / rate;
        HostSettings& time = host.settings();
        time.tempo = tempoAt(sequence, seconds);
        time.ppqPosition = quartersAt(sequence, seconds);
        time.barStart = std::floor(time.ppqPosition / 4.0) * 4.0;
        time.samplePosition = static_cast<double>(start);

        blockEvents.clear();
        while (next < events.size() && events[next].frame < start + frames) {
            const TimedMidi& e = events[next++];
            blockEvents.push_back({static_cast<int>(e.frame - start), e.bytes[0], e.bytes[1], e.bytes[2]});
        }
        host.processBlock(blockEvents, left.data(), right.data(), frames);
        if (!sink.write(left.data(), right.data(), frames, error)) {
            return false;
        }
        if (progress) {
            progress->update(static_cast<double>(start + frames) / static_cast<double>(totalFrames));
        }
    }
    return true;
}

// The render command's sink: a stereo WAV file, replaced only when complete.
class WavSink : public RenderSink {
public:
    explicit WavSink(const RenderOptions& options) : options_(options) {}

    bool begin(int sampleRate, long long frames, std::string& error) override
    {
        interleaved_.resize(static_cast<std::size_t>(options_.blockSize) * 2);
        return wav_.open(options_.outputPath, sampleRate, options_.bits, frames, error);
    }

    bool write(const float* left, const float* right, int frames, std::string& error) override
    {
        for (int i = 0; i < frames; ++i) {
            interleaved_[static_cast<std::size_t>(2 * i)] = left[i];
            interleaved_[static_cast<std::size_t>(2 * i + 1)] = right[i];
        }
        return wav_.write(interleaved_.data(), frames, error);
    }

    bool finish(std::string& error) { return wav_.finish(error); }

private:
    const RenderOptions& options_;
    WavWriter wav_;
    std::vector<float> interleaved_;
};

} // namespace

bool renderInto(const RenderOptions& options, RenderSink& sink, std::string& error)
{
    if (const char* refusal = optionsRefusal(options)) {
        error = refusal;
        return false;
    }

    MidiSequence sequence;
    if (!options.midiPath.empty()) {
        if (!readMidiFile(options.midiPath, sequence, error)) {
            return false;
        }
    } else if (!buildNoteSequence(options, sequence, error)) {
        return false;
    }
    // Measured in seconds before anything becomes a frame count: a far event
    // or --length 1e300 would overflow one.
    double lastSeconds = 0.0;
    for (const MidiFileEvent& e : sequence.events) {
        lastSeconds = std::max(lastSeconds, e.seconds);
    }
    if (!(lastSeconds + options.tail <= kLongestRenderSeconds)) {
        error = "the render would be longer than six hours";
        return false;
    }

    HostSettings settings;
    settings.sampleRate = static_cast<float>(options.sampleRate);
    settings.blockSize = options.blockSize;
    settings.tempo = tempoAt(sequence, 0.0);
    settings.playing = true;
    auto host = PluginHost::load(options.pluginPath, error, settings);
    if (!host) {
        return false;
    }
    host->setSampleRate(settings.sampleRate);
    host->setBlockSize(options.blockSize);
    if (!prepareInstrument(*host, options, error)) {
        return false;
    }
    host->dispatch(vst::effMainsChanged, 0, 1);

    const double rate = options.sampleRate;
    std::vector<TimedMidi> events;
    events.reserve(sequence.events.size());
    for (const MidiFileEvent& e : sequence.events) {
        events.push_back({std::llround(e.seconds * rate), e.quarterNotes, {e.bytes[0], e.bytes[1], e.bytes[2]}});
    }
    const long long totalFrames = std::llround((lastSeconds + options.tail) * rate);
    // Room for the busiest block, so that a dense file loses no event and the
    // loop allocates nothing.
    const std::size_t busiest = busiestBlock(events, options.blockSize);
    host->reserveEvents(static_cast<int>(busiest));

    if (!sink.begin(options.sampleRate, totalFrames, error) ||
        !renderBlocks(*host, sequence, events, busiest, totalFrames, options, sink, error)) {
        return false;
    }
    host->dispatch(vst::effMainsChanged, 0, 0);
    return true;
}

int runRender(const RenderOptions& options)
{
    if (options.outputPath.empty()) {
        return fail("no output file (-o OUT.wav)");
    }
    std::string error;
    WavSink wav(options);
    if (!renderInto(options, wav, error) || !wav.finish(error)) {
        return fail(error);
    }
    return 0;
}

namespace {

Command::Run setUpRender(CLI::App& command, const std::string& defaultPlugin)
{
    auto render = std::make_shared<RenderOptions>();
    render->pluginPath = defaultPlugin;
    command.add_option("--plugin", render->pluginPath, "Plug-in to load");
    command.add_option("--midi", render->midiPath, "Standard MIDI File to play (types 0 and 1)");
    command.add_option("--note", render->notes, "Key of a single note, 0..127 (repeatable)");
    command.add_option("--velocity", render->velocities, "Velocity of each --note, 1..127 (default 100)");
    command.add_option("--length", render->lengths, "Length of each --note in seconds (default 1)");
    command.add_option("--at", render->starts, "Start of each --note in seconds (default 0); the i-th --at, --length and --velocity belong to the i-th --note");
    command.add_option("--rate", render->sampleRate, "Sample rate in Hz")->capture_default_str();
    command.add_option("--block", render->blockSize, "Host block size in samples")->capture_default_str();
    command.add_option("--tempo", render->tempo, "Tempo in bpm when there is no MIDI file")->capture_default_str();
    command.add_option("--tail", render->tail, "Seconds rendered after the last event")->capture_default_str();
    command.add_option("--set", render->settings, "Parameter write NAME=VALUE or INDEX=VALUE (repeatable)");
    command.add_option("--voice", render->voices, "Voice file for a slot, SLOT=FILE.t9v (repeatable)");
    command.add_option("--instrument", render->instrumentPath,
                       "Instrument file to load first, before --voice and --set");
    command.add_option("--save-instrument", render->saveInstrumentPath,
                       "Save the instrument as set up, before rendering");
    command.add_option("--seed", render->seed, "Seed the plug-in's random generators, for repeatable renders")
        ->check(CLI::Range(0LL, 16777216LL));
    command.add_option("-o,--output", render->outputPath, "WAV file to write")->required();
    command.add_option("--bits", render->bits, "Sample format: 16, 24 or 32 (float)")
        ->check(CLI::IsMember({16, 24, 32}))
        ->capture_default_str();
    return [render] { return runRender(*render); };
}

} // namespace

const Command kRenderCommand{"render", "Play MIDI through the plug-in and write a stereo WAV", &setUpRender};

} // namespace tessarine::host
