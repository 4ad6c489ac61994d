#include "commands/AnalyseCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "commands/OrderedJobs.h"
#include "commands/ProgressBar.h"
#include "commands/ReadFailure.h"

#include "analysis/SoundFileAnalysis.h"
#include "params/NoteFrequencyTable.h"
#include "sound/files/AtomicSave.h"
#include "sound/files/RecordStream.h"
#include "sound/files/RegularFile.h"
#include "sound/files/VoiceFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace tessarine::host {

namespace {

constexpr int kMaxInputs = kMaxMultisamples;

// One bar for the whole run, fed from every analysing thread: each sound
// reports its own share and the bar shows their mean.
class SharedProgress {
public:
    SharedProgress(const std::string& label, int count) : bar_(label), percents_(static_cast<std::size_t>(count)) {}

    void set(int index, double percent)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        percents_[static_cast<std::size_t>(index)] = percent;
        double sum = 0.0;
        for (const double p : percents_) {
            sum += p;
        }
        bar_.update(sum / (100.0 * static_cast<double>(percents_.size())));
    }

private:
    std::mutex mutex_;
    ProgressBar bar_;
    std::vector<double> percents_;
};

class SoundProgress : public AnalysisProgress {
public:
    SoundProgress(SharedProgress& shared, int index) : shared_(shared), index_(index) {}
    void setProgress(double percent) override { shared_.set(index_, percent); }

private:
    SharedProgress& shared_;
    int index_;
};

struct Input {
    std::string path;
    PreparedSound sound;
    const char* source = "";
};

std::string fileName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int runAnalyse(const AnalyseOptions& options, std::ostream& out, std::ostream& err)
{
    const auto fail = [&](const std::string& message) {
        err << "tessarine: " << message << '\n';
        return 1;
    };
    const int count = static_cast<int>(options.inputs.size());
    if (count < 1 || count > kMaxInputs) {
        return fail("analyse takes 1 to 8 sound files");
    }
    if (count > 1 && (!options.intoPath.empty() || options.multisample != 0)) {
        return fail("--into and --multisample take one sound file; several make a new voice");
    }
    if (options.multisample < 0 || options.multisample >= kMaxMultisamples || options.layer < 0 ||
        options.layer >= kLayersPerMultisample || options.rootNote < -1 || options.rootNote > 127) {
        return fail("--multisample must be 0..7, --layer 0..1 and --root-note 0..127");
    }
    // Refused before minutes of analysis rather than after.
    if (const int refused = AtomicSave::checkTarget(options.outputPath); refused != 0) {
        return fail(options.outputPath + ": cannot write the voice (" + describeFileError(refused) + ")");
    }

    // Every file is imported before anything is analysed, so one bad file
    // costs no time and leaves nothing half done.
    const int jobs = jobCount(options.jobs, count);
    std::vector<Input> inputs(static_cast<std::size_t>(count));
    std::vector<ImportRefusal> refusals(static_cast<std::size_t>(count), ImportRefusal::None);
    const int refused = runInOrder(count, jobs, [&](int i) {
        Input& input = inputs[static_cast<std::size_t>(i)];
        input.path = options.inputs[static_cast<std::size_t>(i)];
        if (!prepareSound(input.path, input.sound, &refusals[static_cast<std::size_t>(i)])) {
            return false;
        }
        input.source = describe(input.sound.fundamental.source);
        if (options.rootNote >= 0) {
            input.sound.fundamental = {noteFrequencyTable().frequency(options.rootNote), PitchSource::Header};
            input.source = "--root-note";
        }
        return true;
    });
    if (refused >= 0) {
        return fail(inputs[static_cast<std::size_t>(refused)].path + ": " +
                    describe(refusals[static_cast<std::size_t>(refused)]));
    }
    std::stable_sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) {
        return a.sound.fundamental.f0 < b.sound.fundamental.f0;
    });

    // About 4 MB: kept off the stack.
    auto voice = std::make_unique<Voice>();
    RecordStream stream;
    if (!options.intoPath.empty()) {
        if (!loadVoiceFile(options.intoPath, *voice, stream)) {
            return fail(options.intoPath + ": cannot read the voice (" + readFailureReason(stream) + ")");
        }
    } else {
        voice->multisampleCount = 1;
        voice->layerCount = 1;
    }

    // Each sound fills its own multisample, so the threads write apart.
    struct Outcome {
        AnalysisSummary summary;
        double seconds = 0.0;
    };
    std::vector<Outcome> outcomes(static_cast<std::size_t>(count));
    const auto multisampleOf = [&](int i) { return count > 1 ? i : options.multisample; };
    int failed = -1;
    {
        SharedProgress progress(count > 1 ? "analyse " + std::to_string(count) + " sounds"
                                          : "analyse " + fileName(inputs[0].path),
                                count);
        failed = runInOrder(count, jobs, [&](int i) {
            const Input& input = inputs[static_cast<std::size_t>(i)];
            Outcome& outcome = outcomes[static_cast<std::size_t>(i)];
            const auto start = std::chrono::steady_clock::now();
            SoundProgress sound(progress, i);
            if (!analyseIntoVoice(input.sound.buffer, input.sound.fundamental.f0, *voice, multisampleOf(i),
                                  options.layer, &sound, outcome.summary)) {
                return false;
            }
            outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            return true;
        });
    }
    for (int i = 0; i < (failed >= 0 ? failed : count); ++i) {
        const Input& input = inputs[static_cast<std::size_t>(i)];
        const Outcome& outcome = outcomes[static_cast<std::size_t>(i)];
        if (!outcome.summary.diagnostic.empty()) {
            out << outcome.summary.diagnostic << '\n';
        }
        char line[512];
        std::snprintf(line, sizeof(line),
                      "%s: f0 %.2f Hz (%s), %d harmonics, %d keyframes, %d noise frames, %.2f s", input.path.c_str(),
                      input.sound.fundamental.f0, input.source, outcome.summary.harmonics,
                      outcome.summary.harmonicKeyframes, outcome.summary.noiseKeyframes, outcome.seconds);
        out << line;
        if (input.sound.buffer.cutFromSeconds > 0.0) {
            std::snprintf(line, sizeof(line), ", cut at %.0f s of %.2f s (faded over its last %.1f s)",
                          kMaxAnalysedSeconds, input.sound.buffer.cutFromSeconds, kCutFadeSeconds);
            out << line;
        }
        out << '\n';
        voice->multisampleCount = std::max(voice->multisampleCount, multisampleOf(i) + 1);
    }
    if (failed >= 0) {
        return fail(inputs[static_cast<std::size_t>(failed)].path + ": the analysis failed");
    }
    // A single-layer voice stores only layer 1: a sound put into layer 0 needs both.
    if (options.layer == 0) {
        voice->layerCount = 2;
    }
    voice->setName(!options.name.empty() ? options.name
                                         : voiceNameFromPath(count > 1 ? options.outputPath : inputs[0].path));

    if (!stream.openFileWrite(options.outputPath) || !writeVoice(stream, *voice) || !stream.close()) {
        const std::string reason = readFailureReason(stream);
        stream.close();
        return fail(options.outputPath + ": cannot write the voice (" + reason + ")");
    }
    return 0;
}

namespace {

Command::Run setUpAnalyse(CLI::App& command, const std::string&)
{
    auto analyse = std::make_shared<AnalyseOptions>();
    command.add_option("IN", analyse->inputs,
                       "Sound files; several make one multisample each, lowest pitch first (at most 8)")
        ->required();
    command.add_option("-o,--output", analyse->outputPath, "Voice file to write")->required();
    command.add_option("--into", analyse->intoPath, "Voice file whose layer the sound replaces");
    command.add_option("--multisample", analyse->multisample, "Multisample to fill, 0..7 (one input only)")
        ->check(CLI::Range(0, 7))
        ->capture_default_str();
    command.add_option("--layer", analyse->layer, "Layer to fill: 0 soft, 1 loud (a one-layer voice plays 1)")
        ->check(CLI::Range(0, 1))
        ->capture_default_str();
    command.add_option("--root-note", analyse->rootNote,
                       "MIDI note of the sound, 0..127, instead of the file's header, name or an estimate")
        ->check(CLI::Range(0, 127));
    command.add_option("--name", analyse->name, "Name of the voice (default: from the file name)");
    command.add_option("-j,--jobs", analyse->jobs, "Sounds analysed at once (default: one per processor core)")
        ->check(CLI::Range(1, 256));
    return [analyse] { return runAnalyse(*analyse, std::cout, std::cerr); };
}

} // namespace

const Command kAnalyseCommand{"analyse", "Analyse sound files (WAV, AIFF) into a voice file (.t9v)", &setUpAnalyse};

} // namespace tessarine::host
