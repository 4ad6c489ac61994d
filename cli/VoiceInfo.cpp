#include "VoiceInfo.h"

#include "JsonWriter.h"

#include "sound/RecordStream.h"
#include "sound/VoiceFile.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace tessarine::host {

namespace {

std::string failureReason(const RecordStream& stream)
{
    char text[160];
    switch (stream.status()) {
    case RecordStream::Status::CannotOpen:
        std::snprintf(text, sizeof(text), "cannot open (%s)", std::strerror(stream.systemError()));
        break;
    case RecordStream::Status::Empty:
        std::snprintf(text, sizeof(text), "empty");
        break;
    case RecordStream::Status::TooLarge:
        std::snprintf(text, sizeof(text), "too large (%lld bytes; files must be under %zu)", stream.errorValue(),
                      RecordStream::kBufferSize);
        break;
    case RecordStream::Status::Truncated:
        std::snprintf(text, sizeof(text), "truncated at byte %zu", stream.size());
        break;
    case RecordStream::Status::BadCount:
        std::snprintf(text, sizeof(text), "bad count: %s %lld at byte %zu", stream.errorField(), stream.errorValue(),
                      stream.errorOffset());
        break;
    default:
        std::snprintf(text, sizeof(text), "%s", describe(stream.status()));
        break;
    }
    return text;
}

std::string hexVersion(std::int32_t version)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%x", static_cast<unsigned>(version));
    return text;
}

struct LayerRow {
    int multisample;
    int layer;
    float basePitch;
    int harmonicFrames;
    float duration;
    int noiseFrames;
};

// A single-layer voice keeps its sound in layer 1 (layer 0 is derived from it).
template <typename Visit>
void forEachUsedLayer(const Voice& voice, Visit visit)
{
    for (int m = 0; m < voice.multisampleCount; ++m) {
        for (int l = voice.layerCount == 2 ? 0 : 1; l < 2; ++l) {
            const LayerData& layer = voice.layer(m, l);
            visit(LayerRow{m, l, layer.harmonic.basePitch, layer.harmonic.frameCount(), layer.harmonic.duration,
                           layer.noise.frameCount()});
        }
    }
}

void printText(const Voice& voice, std::int32_t version, std::ostream& out)
{
    char line[200];
    out << "Name:          " << voice.nameView() << '\n' << "Version:       " << hexVersion(version) << '\n';
    std::snprintf(line, sizeof(line), "Loop:          %s, %.4f s to %.4f s\n", voice.loopOn ? "on" : "off",
                  static_cast<double>(voice.loopStart), static_cast<double>(voice.loopEnd));
    out << line;
    std::snprintf(line, sizeof(line), "Multisamples:  %d\nLayers:        %d\nCutoff:        %.4f%s\n",
                  voice.multisampleCount, voice.layerCount, static_cast<double>(voice.cutoff),
                  voice.cutoff >= kNoCutoff ? " (none)" : "");
    out << line;
    forEachUsedLayer(voice, [&](const LayerRow& row) {
        std::snprintf(line, sizeof(line),
                      "Multisample %d layer %d: base pitch %.2f Hz, %d harmonic frames over %.4f s, %d noise frames\n",
                      row.multisample + 1, row.layer, static_cast<double>(row.basePitch), row.harmonicFrames,
                      static_cast<double>(row.duration), row.noiseFrames);
        out << line;
    });
}

void printJson(const Voice& voice, std::int32_t version, std::ostream& out)
{
    JsonWriter json(out);
    json.beginObject()
        .key("name").value(std::string_view(voice.nameView()))
        .key("version").value(static_cast<long long>(version))
        .key("loopOn").value(voice.loopOn)
        .key("loopStart").value(static_cast<double>(voice.loopStart))
        .key("loopEnd").value(static_cast<double>(voice.loopEnd))
        .key("multisampleCount").value(voice.multisampleCount)
        .key("layerCount").value(voice.layerCount)
        .key("cutoff").value(static_cast<double>(voice.cutoff))
        .key("layers").beginArray();
    forEachUsedLayer(voice, [&](const LayerRow& row) {
        json.beginObject()
            .key("multisample").value(row.multisample + 1)
            .key("layer").value(row.layer)
            .key("basePitch").value(static_cast<double>(row.basePitch))
            .key("harmonicFrames").value(row.harmonicFrames)
            .key("duration").value(static_cast<double>(row.duration))
            .key("noiseFrames").value(row.noiseFrames)
            .endObject();
    });
    json.endArray().endObject();
    out << '\n';
}

} // namespace

int runVoiceInfo(const std::string& path, bool json, std::ostream& out, std::ostream& err)
{
    auto voice = std::make_unique<Voice>();
    RecordStream stream;
    std::int32_t version = 0;
    if (!loadVoiceFile(path, *voice, stream, &version)) {
        err << "tessarine: " << path << ": " << failureReason(stream) << '\n';
        return 1;
    }
    if (json) {
        printJson(*voice, version, out);
    } else {
        printText(*voice, version, out);
    }
    if (!out.good()) {
        err << "tessarine: cannot write the report\n";
        return 1;
    }
    return 0;
}

} // namespace tessarine::host
