#include "commands/AnalyseCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

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

namespace tessarine::host {

namespace {

constexpr int kMaxInputs = kMaxMultisamples;

class BarProgress : public AnalysisProgress {
public:
    explicit BarProgress(const std::string& label) : bar_(label) {}
    void setProgress(double percent) override { bar_.update(percent / 100.0); }

private:
    ProgressBar bar_;
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
    std::vector<Input> inputs(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Input& input = inputs[static_cast<std::size_t>(i)];
        input.path = options.inputs[static_cast<std::size_t>(i)];
        ImportRefusal refusal = ImportRefusal::None;
        if (!prepareSound(input.path, input.sound, &refusal)) {
            return fail(input.path + ": " + describe(refusal));
        }
        input.source = describe(input.sound.fundamental.source);
        if (options.rootNote >= 0) {
            input.sound.fundamental = {noteFrequencyTable().frequency(options.rootNote), PitchSource::Header};
            input.source = "--root-note";
        }
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

    for (int i = 0; i < count; ++i) {
        const Input& input = inputs[static_cast<std::size_t>(i)];
        const int multisample = count > 1 ? i : options.multisample;
        const auto start = std::chrono::steady_clock::now();
        AnalysisSummary summary;
        bool analysed = false;
        {
            BarProgress progress("analyse " + fileName(input.path));
            analysed = analyseIntoVoice(input.sound.buffer, input.sound.fundamental.f0, *voice, multisample,
                                        options.layer, &progress, summary);
        }
        if (!analysed) {
            return fail(input.path + ": the analysis failed");
        }
        const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
        if (!summary.diagnostic.empty()) {
            out << summary.diagnostic << '\n';
        }
        char line[512];
        std::snprintf(line, sizeof(line),
                      "%s: f0 %.2f Hz (%s), %d harmonics, %d keyframes, %d noise frames, %.2f s", input.path.c_str(),
                      input.sound.fundamental.f0, input.source, summary.harmonics, summary.harmonicKeyframes,
                      summary.noiseKeyframes, taken.count());
        out << line << '\n';
        voice->multisampleCount = std::max(voice->multisampleCount, multisample + 1);
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
    return [analyse] { return runAnalyse(*analyse, std::cout, std::cerr); };
}

} // namespace

const Command kAnalyseCommand{"analyse", "Analyse sound files (WAV, AIFF) into a voice file (.t9v)", &setUpAnalyse};

} // namespace tessarine::host
