#include "commands/VoiceInfo.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "commands/JsonWriter.h"
#include "commands/ReadFailure.h"
#include "commands/VoiceSummary.h"

#include "sound/files/RecordStream.h"
#include "sound/files/VoiceFile.h"

#include <memory>

namespace tessarine::host {

int runVoiceInfo(const std::string& path, bool json, std::ostream& out, std::ostream& err)
{
    auto voice = std::make_unique<Voice>();
    RecordStream stream;
    std::int32_t version = 0;
    if (!loadVoiceFile(path, *voice, stream, &version)) {
        err << "tessarine: " << path << ": " << readFailureReason(stream) << '\n';
        return 1;
    }
    if (json) {
        JsonWriter writer(out);
        writer.beginObject();
        writeVoiceSummary(writer, *voice, version);
        writer.endObject();
        out << '\n';
    } else {
        printVoiceSummary(*voice, version, out);
    }
    if (!out.good()) {
        err << "tessarine: cannot write the report\n";
        return 1;
    }
    return 0;
}

namespace {

Command::Run setUpVoiceInfo(CLI::App& command, const std::string&)
{
    struct Options {
        std::string path;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    command.add_option("FILE", options->path, "Voice file to read")->required();
    command.add_flag("--json", options->json, "Print the summary as JSON");
    return [options] { return runVoiceInfo(options->path, options->json, std::cout, std::cerr); };
}

} // namespace

const Command kVoiceInfoCommand{"voice-info", "Summarise a voice file (.t9v)", &setUpVoiceInfo};

} // namespace tessarine::host
