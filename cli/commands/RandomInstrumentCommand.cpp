#include "commands/RandomInstrumentCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "host/PluginHost.h"
#include "commands/ReadFailure.h"
#include "commands/RenderCommand.h"

#include "sound/files/AtomicSave.h"
#include "sound/files/InstrumentFile.h"
#include "sound/library/LibraryFolders.h"
#include "sound/library/LibraryListing.h"
#include "sound/library/RandomInstrument.h"
#include "sound/library/RandomParameters.h"
#include "sound/files/RegularFile.h"

#include <filesystem>
#include <memory>
#include <system_error>

namespace tessarine::host {

namespace {

bool libraryRequest(PluginHost& host, int action, const std::string& text, float opt = 0.0f)
{
    std::string copy = text;
    return host.dispatch(vst::effVendorSpecific, vst::fourCC('T', 's', 'n', 'F'), action, copy.data(), opt) == 1;
}

int fail(std::ostream& err, const std::string& message)
{
    err << "tessarine: " << message << '\n';
    return 1;
}

} // namespace

int runRandomInstrument(const RandomInstrumentOptions& options, std::ostream& out, std::ostream& err)
{
    if (options.category.empty()) {
        return fail(err, "no category (--category NAME)");
    }
    if (options.outputPath.empty()) {
        return fail(err, "no output file (-o OUT.t9i)");
    }
    std::error_code error;
    if (!options.root.empty() && !std::filesystem::is_directory(options.root, error)) {
        return fail(err, "no library folder at '" + options.root + "'");
    }
    std::string loadError;
    auto host = PluginHost::load(options.pluginPath, loadError);
    if (!host) {
        return fail(err, loadError);
    }
    if (!options.root.empty() && !libraryRequest(*host, kFileRequestLibraryRoot, options.root)) {
        return fail(err, "the plug-in refused the library folder '" + options.root + "'");
    }
    if (options.seed >= 0 && !libraryRequest(*host, kFileRequestSeed, "", static_cast<float>(options.seed))) {
        return fail(err, "the plug-in refused the seed");
    }
    if (!libraryRequest(*host, kFileRequestRandomInstrument, options.category)) {
        return fail(err, "the plug-in could not build a random instrument");
    }
    if (!libraryRequest(*host, kFileRequestInstrumentSave, options.outputPath)) {
        const int refused = AtomicSave::checkTarget(options.outputPath);
        return fail(err, "cannot write instrument file '" + options.outputPath + "'" +
                             (refused != 0 ? " (" + describeFileError(refused) + ")" : std::string()));
    }

    // The report: what the plug-in chose, read back from the file it wrote.
    const std::filesystem::path pluginFolder = std::filesystem::path(options.pluginPath).parent_path();
    const LibraryFolders folders = LibraryFolders::at(options.root.empty() ? pluginFolder.string() : options.root);
    std::vector<std::string> voiceCategories;
    listSubfolders(folders.voices, voiceCategories);
    const int match = matchingVoiceCategory(options.category, voiceCategories);
    out << "Category: " << options.category << " (" << instrumentCategoryNumber(options.category) << ")\n";
    out << "Voice category: " << (match >= 0 ? voiceCategories[static_cast<std::size_t>(match)] : "none") << '\n';
    if (voiceCategories.empty()) {
        out << "The library has no voice categories; the slots keep their voices.\n";
    }
    auto instrument = std::make_unique<Instrument>();
    auto stream = std::make_unique<RecordStream>();
    if (!loadInstrumentFile(options.outputPath, *instrument, *stream)) {
        return fail(err, "the written instrument cannot be read back: " + readFailureReason(*stream));
    }
    static constexpr char kSlotLetters[] = "ABCD";
    for (int slot = 0; slot < kVoiceSlotCount; ++slot) {
        const std::string_view name = instrument->voices[static_cast<std::size_t>(slot)].nameView();
        out << "Slot " << kSlotLetters[slot] << ": " << (name.empty() ? "(unnamed)" : name) << '\n';
    }
    out << "Written: " << options.outputPath << '\n';
    return out.good() ? 0 : fail(err, "cannot write the report");
}

namespace {

Command::Run setUpRandomInstrument(CLI::App& command, const std::string& defaultPlugin)
{
    auto options = std::make_shared<RandomInstrumentOptions>();
    options->pluginPath = defaultPlugin;
    command.add_option("--category", options->category,
                       "Instrument category: picks the voice category and the parameter draws")
        ->required();
    command.add_option("--seed", options->seed, "Seed the plug-in's random generators, 0..16777216")
        ->check(CLI::Range(0LL, 16777216LL));
    command.add_option("--root", options->root, "Folder holding TessarineData (default: beside the plug-in)");
    command.add_option("--plugin", options->pluginPath, "Plug-in to load");
    command.add_option("-o,--output", options->outputPath, "Instrument file to write")->required();
    return [options] { return runRandomInstrument(*options, std::cout, std::cerr); };
}

} // namespace

const Command kRandomInstrumentCommand{"random-instrument",
                                       "Build a random instrument from the library and save it (.t9i)",
                                       &setUpRandomInstrument};

} // namespace tessarine::host
