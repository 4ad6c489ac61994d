#include "VoiceInfo.h"

#include "JsonWriter.h"
#include "ReadFailure.h"
#include "VoiceSummary.h"

#include "sound/RecordStream.h"
#include "sound/VoiceFile.h"

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

} // namespace tessarine::host
