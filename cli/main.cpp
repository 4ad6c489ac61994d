// tessarine: the command-line host. It loads the plug-in through the VST 2
// binary interface, exactly as a DAW would, and reports on it. File commands
// (voice-info, instrument-info, analyse, make-instrument, make-preset, library,
// fidelity)
// use the plug-in's own reader, writer and analysis code instead. Each command
// declares its options in its own file; this one only picks the command.

#include "commands/AnalyseCommand.h"
#include "commands/EditCommand.h"
#include "commands/FidelityCommand.h"
#include "commands/InstrumentInfo.h"
#include "commands/LibraryCommand.h"
#include "commands/MakeInstrumentCommand.h"
#include "commands/MakePresetCommand.h"
#include "host/PluginInfo.h"
#include "commands/RandomInstrumentCommand.h"
#include "commands/RenderCommand.h"
#include "commands/SnapshotCommand.h"
#include "commands/TemporaryCleanup.h"
#include "validate/ValidateCommand.h"
#include "commands/VoiceInfo.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using tessarine::host::Command;

// In the order the help lists them.
const Command* const kCommands[] = {
    &tessarine::host::kInfoCommand,           &tessarine::host::kRenderCommand,
    &tessarine::host::kVoiceInfoCommand,      &tessarine::host::kInstrumentInfoCommand,
    &tessarine::host::kAnalyseCommand,        &tessarine::host::kLibraryCommand,
    &tessarine::host::kRandomInstrumentCommand, &tessarine::host::kValidateCommand,
    &tessarine::host::kMakeInstrumentCommand, &tessarine::host::kMakePresetCommand,
    &tessarine::host::kSnapshotCommand,       &tessarine::host::kEditCommand,
    &tessarine::host::kFidelityCommand,
};

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

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Tessarine command-line host: loads the plug-in as a host would"};
    app.require_subcommand(1);

    const std::string pluginPath = defaultPluginPath();
    std::vector<std::pair<CLI::App*, Command::Run>> commands;
    for (const Command* command : kCommands) {
        CLI::App* parser = app.add_subcommand(command->name, command->usage);
        commands.emplace_back(parser, command->setUp(*parser, pluginPath));
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e);
        }
        return fail(e.what());
    }
    tessarine::host::removeTemporariesOnFatalSignals();

    for (const auto& [parser, run] : commands) {
        if (*parser) {
            return run();
        }
    }
    return fail("no command given");
}
