// tessarine: the command-line host. It loads the plug-in through the VST 2
// binary interface, exactly as a DAW would, and reports on it. File commands
// (voice-info, instrument-info, analyse, make-instrument, make-preset, library)
// use the plug-in's own reader, writer and analysis code instead.

#include "AnalyseCommand.h"
#include "DrawingCaches.h"
#include "EditCommand.h"
#include "InstrumentInfo.h"
#include "LibraryCommand.h"
#include "MakeInstrumentCommand.h"
#include "MakePresetCommand.h"
#include "PluginHost.h"
#include "PluginInfo.h"
#include "RandomInstrumentCommand.h"
#include "RenderCommand.h"
#include "SnapshotCommand.h"
#include "TemporaryCleanup.h"
#include "ValidateCommand.h"
#include "VoiceInfo.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

// The plug-in built and installed beside this executable.
std::string defaultPluginPath()
{
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0) {
        return "Tessarine.so";
    }
    std::string path(self, static_cast<std::size_t>(length));
    auto slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "Tessarine.so";
}

int fail(const std::string& message)
{
    std::cerr << "tessarine: " << message << '\n';
    return 1;
}

int runInfo(const std::string& pluginPath, bool json)
{
    std::string error;
    auto host = tessarine::host::PluginHost::load(pluginPath, error);
    if (!host) {
        return fail(error);
    }
    auto info = tessarine::host::collectInfo(*host);
    if (json) {
        tessarine::host::printInfoJson(info, std::cout);
    } else {
        tessarine::host::printInfoText(info, std::cout);
    }
    return std::cout.good() ? 0 : fail("cannot write the report");
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Tessarine command-line host: loads the plug-in as a host would"};
    app.require_subcommand(1);

    std::string pluginPath = defaultPluginPath();
    bool json = false;
    CLI::App* info = app.add_subcommand("info", "Show the plug-in's identity and every parameter");
    info->add_option("--plugin", pluginPath, "Plug-in to load (default: Tessarine.so beside this program)");
    info->add_flag("--json", json, "Print the report as JSON");

    tessarine::host::RenderOptions render;
    render.pluginPath = pluginPath;
    CLI::App* renderCommand = app.add_subcommand("render", "Play MIDI through the plug-in and write a stereo WAV");
    renderCommand->add_option("--plugin", render.pluginPath, "Plug-in to load");
    renderCommand->add_option("--midi", render.midiPath, "Standard MIDI File to play (types 0 and 1)");
    renderCommand->add_option("--note", render.notes, "Key of a single note, 0..127 (repeatable)");
    renderCommand->add_option("--velocity", render.velocities, "Velocity of each --note, 1..127 (default 100)");
    renderCommand->add_option("--length", render.lengths, "Length of each --note in seconds (default 1)");
    renderCommand->add_option("--at", render.starts, "Start of each --note in seconds (default 0); the i-th --at, --length and --velocity belong to the i-th --note");
    renderCommand->add_option("--rate", render.sampleRate, "Sample rate in Hz")->capture_default_str();
    renderCommand->add_option("--block", render.blockSize, "Host block size in samples")->capture_default_str();
    renderCommand->add_option("--tempo", render.tempo, "Tempo in bpm when there is no MIDI file")
        ->capture_default_str();
    renderCommand->add_option("--tail", render.tail, "Seconds rendered after the last event")->capture_default_str();
    renderCommand->add_option("--set", render.settings, "Parameter write NAME=VALUE or INDEX=VALUE (repeatable)");
    renderCommand->add_option("--voice", render.voices, "Voice file for a slot, SLOT=FILE.t9v (repeatable)");
    renderCommand->add_option("--instrument", render.instrumentPath,
                              "Instrument file to load first, before --voice and --set");
    renderCommand->add_option("--save-instrument", render.saveInstrumentPath,
                              "Save the instrument as set up, before rendering");
    renderCommand->add_option("--seed", render.seed, "Seed the plug-in's random generators, for repeatable renders")
        ->check(CLI::Range(0LL, 16777216LL));
    renderCommand->add_option("-o,--output", render.outputPath, "WAV file to write")->required();
    renderCommand->add_option("--bits", render.bits, "Sample format: 16, 24 or 32 (float)")
        ->check(CLI::IsMember({16, 24, 32}))
        ->capture_default_str();
    std::string voicePath;
    bool voiceJson = false;
    CLI::App* voiceInfo = app.add_subcommand("voice-info", "Summarise a voice file (.t9v)");
    voiceInfo->add_option("FILE", voicePath, "Voice file to read")->required();
    voiceInfo->add_flag("--json", voiceJson, "Print the summary as JSON");

    std::string instrumentPath;
    bool instrumentJson = false;
    CLI::App* instrumentInfo = app.add_subcommand("instrument-info", "Summarise an instrument file (.t9i)");
    instrumentInfo->add_option("FILE", instrumentPath, "Instrument file to read")->required();
    instrumentInfo->add_flag("--json", instrumentJson, "Print the summary as JSON");

    tessarine::host::AnalyseOptions analyse;
    CLI::App* analyseCommand =
        app.add_subcommand("analyse", "Analyse sound files (WAV, AIFF) into a voice file (.t9v)");
    analyseCommand->add_option("IN", analyse.inputs,
                               "Sound files; several make one multisample each, lowest pitch first (at most 8)")
        ->required();
    analyseCommand->add_option("-o,--output", analyse.outputPath, "Voice file to write")->required();
    analyseCommand->add_option("--into", analyse.intoPath, "Voice file whose layer the sound replaces");
    analyseCommand->add_option("--multisample", analyse.multisample, "Multisample to fill, 0..7 (one input only)")
        ->check(CLI::Range(0, 7))
        ->capture_default_str();
    analyseCommand->add_option("--layer", analyse.layer, "Layer to fill: 0 soft, 1 loud (a one-layer voice plays 1)")
        ->check(CLI::Range(0, 1))
        ->capture_default_str();
    analyseCommand->add_option("--root-note", analyse.rootNote,
                               "MIDI note of the sound, 0..127, instead of the file's header, name or an estimate")
        ->check(CLI::Range(0, 127));

    std::string pluginFolder = pluginPath.substr(0, pluginPath.rfind('/') + 1);
    std::string libraryRoot = pluginFolder.empty() ? std::string(".") : pluginFolder.substr(0, pluginFolder.size() - 1);
    bool libraryJson = false;
    CLI::App* library = app.add_subcommand("library", "List the sound library as the editor's menus show it");
    library->add_option("--root", libraryRoot, "Folder holding TessarineData and Reset.t9i (default: beside the plug-in)");
    library->add_flag("--json", libraryJson, "Print the menus as JSON");

    tessarine::host::RandomInstrumentOptions randomInstrument;
    randomInstrument.pluginPath = pluginPath;
    CLI::App* randomCommand =
        app.add_subcommand("random-instrument", "Build a random instrument from the library and save it (.t9i)");
    randomCommand->add_option("--category", randomInstrument.category,
                              "Instrument category: picks the voice category and the parameter draws")
        ->required();
    randomCommand->add_option("--seed", randomInstrument.seed, "Seed the plug-in's random generators, 0..16777216")
        ->check(CLI::Range(0LL, 16777216LL));
    randomCommand->add_option("--root", randomInstrument.root,
                              "Folder holding TessarineData (default: beside the plug-in)");
    randomCommand->add_option("--plugin", randomInstrument.pluginPath, "Plug-in to load");
    randomCommand->add_option("-o,--output", randomInstrument.outputPath, "Instrument file to write")->required();

    tessarine::host::ValidateOptions validate;
    validate.pluginPath = pluginPath;
    CLI::App* validateCommand =
        app.add_subcommand("validate", "Check a VST 2 instrument the way strict hosts and validators do");
    validateCommand->add_option("--plugin", validate.pluginPath, "Plug-in to check (default: Tessarine.so)");
    validateCommand->add_option("--level", validate.level, "Breadth 1 (load and scan) to 5 (longest)")
        ->check(CLI::Range(1, 5))
        ->capture_default_str();
    validateCommand->add_option("--seed", validate.seed, "Seed of the random notes, values and chunks")
        ->capture_default_str();
    validateCommand->add_flag("--json", validate.json, "Print the report as JSON");
    validateCommand->add_flag("--strict", validate.strict,
                              "The interface's text limits and no audio-thread allocation (always for Tessarine)");
    validateCommand->add_flag("--in-process", validate.inProcess,
                              "Run every check in this process (a crash ends the validation)");

    analyseCommand->add_option("--name", analyse.name, "Name of the voice (default: from the file name)");

    tessarine::host::MakeInstrumentOptions makeInstrument;
    CLI::App* makeInstrumentCommand =
        app.add_subcommand("make-instrument", "Build an instrument file (.t9i) from a recipe of voices and settings");
    makeInstrumentCommand->add_option("RECIPE", makeInstrument.recipePath, "Instrument recipe (text)")->required();
    makeInstrumentCommand->add_option("--voices", makeInstrument.voicesFolder,
                                      "Folder the recipe's voice names are relative to")
        ->required();
    makeInstrumentCommand->add_option("-o,--output", makeInstrument.outputPath, "Instrument file to write")
        ->required();

    tessarine::host::MakePresetOptions makePreset;
    CLI::App* makePresetCommand = app.add_subcommand(
        "make-preset", "Write a harmonic (.t9h) or noise (.t9n) preset from a voice's layer or a drawn shape");
    makePresetCommand->add_option("-o,--output", makePreset.outputPath, "Preset file to write (.t9h or .t9n)")
        ->required();
    makePresetCommand->add_option("--from", makePreset.voicePath, "Voice file whose layer becomes the preset");
    makePresetCommand->add_option("--multisample", makePreset.multisample, "Multisample of --from, 0..7")
        ->capture_default_str();
    makePresetCommand->add_option("--layer", makePreset.layer, "Layer of --from, 0 soft or 1 loud")
        ->capture_default_str();
    makePresetCommand->add_option("--shape", makePreset.shape,
                                  "Drawn shape: saw, square, triangle, odd, pulse, organ (harmonic); "
                                  "white, breath, hiss, formant (noise)");
    makePresetCommand->add_option("--formants", makePreset.formants, "Formant peaks in Hz, for --shape formant")
        ->delimiter(',');
    makePresetCommand->add_option("--length", makePreset.length, "Length of a drawn preset in seconds")
        ->capture_default_str();

    tessarine::host::SnapshotOptions snapshot;
    snapshot.pluginPath = pluginPath;
    CLI::App* snapshotCommand = app.add_subcommand("snapshot", "Draw editor pages without a window and write PNG");
    snapshotCommand->add_option("--plugin", snapshot.pluginPath, "Plug-in to load");
    snapshotCommand->add_option("--page", snapshot.page, "Page 0..7: voices A-D, modulation, morph, sound, effects")
        ->capture_default_str();
    snapshotCommand->add_flag("--all", snapshot.all, "All eight pages in one picture, two rows of four");
    snapshotCommand->add_flag("--split", snapshot.split, "With --all: eight files, OUT-0.png to OUT-7.png");
    snapshotCommand->add_option("-o,--output", snapshot.outputPath, "PNG file to write")->required();

    tessarine::host::EditOptions edit;
    edit.pluginPath = pluginPath;
    CLI::App* editCommand = app.add_subcommand("edit", "Open the plug-in's editor in a window, audio off");
    editCommand->add_option("--plugin", edit.pluginPath, "Plug-in to load");
    editCommand->add_option("--seconds", edit.seconds, "Close after this many seconds (default: on close or Ctrl-C)");
    editCommand->add_flag("--measure", edit.measure,
                          "Print the opening time and the idle editor's CPU use (watches 5 s unless --seconds)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e);
        }
        return fail(e.what());
    }
    tessarine::host::removeTemporariesOnFatalSignals();

    if (*info) {
        return runInfo(pluginPath, json);
    }
    if (*renderCommand) {
        return tessarine::host::runRender(render);
    }
    if (*validateCommand) {
        return tessarine::host::runValidate(validate, std::cout, std::cerr);
    }
    if (*analyseCommand) {
        return tessarine::host::runAnalyse(analyse, std::cout, std::cerr);
    }
    if (*makeInstrumentCommand) {
        return tessarine::host::runMakeInstrument(makeInstrument, std::cerr);
    }
    if (*makePresetCommand) {
        return tessarine::host::runMakePreset(makePreset, std::cerr);
    }
    if (*snapshotCommand || *editCommand) {
        int status = *snapshotCommand ? tessarine::host::runSnapshot(snapshot, std::cout, std::cerr)
                                      : tessarine::host::runEdit(edit, std::cout, std::cerr);
        tessarine::host::releaseDrawingCaches();
        return status;
    }
    if (*voiceInfo) {
        return tessarine::host::runVoiceInfo(voicePath, voiceJson, std::cout, std::cerr);
    }
    if (*instrumentInfo) {
        return tessarine::host::runInstrumentInfo(instrumentPath, instrumentJson, std::cout, std::cerr);
    }
    if (*library) {
        return tessarine::host::runLibrary(libraryRoot, libraryJson, std::cout, std::cerr);
    }
    if (*randomCommand) {
        return tessarine::host::runRandomInstrument(randomInstrument, std::cout, std::cerr);
    }
    return fail("no command given");
}
