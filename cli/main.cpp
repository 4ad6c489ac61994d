// tessarine: the command-line host. It loads the plug-in through the VST 2
// binary interface, exactly as a DAW would, and reports on it. File commands
// (voice-info) read library files with the plug-in's own reader code instead.

#include "PluginHost.h"
#include "PluginInfo.h"
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

    std::string voicePath;
    bool voiceJson = false;
    CLI::App* voiceInfo = app.add_subcommand("voice-info", "Summarise a voice file (.t9v)");
    voiceInfo->add_option("FILE", voicePath, "Voice file to read")->required();
    voiceInfo->add_flag("--json", voiceJson, "Print the summary as JSON");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e);
        }
        return fail(e.what());
    }

    if (*info) {
        return runInfo(pluginPath, json);
    }
    if (*voiceInfo) {
        return tessarine::host::runVoiceInfo(voicePath, voiceJson, std::cout, std::cerr);
    }
    return fail("no command given");
}
