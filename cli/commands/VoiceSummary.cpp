#include "commands/VoiceSummary.h"

#include <cstdio>
#include <string>

namespace tessarine::host {

namespace {

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

} // namespace

std::string hexVersion(std::int32_t version)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%x", static_cast<unsigned>(version));
    return text;
}

void printVoiceSummary(const Voice& voice, std::int32_t version, std::ostream& out, const char* indent)
{
    char line[200];
    out << indent << "Name:          " << escapedText(voice.nameView()) << '\n'
        << indent << "Version:       " << hexVersion(version) << '\n';
    std::snprintf(line, sizeof(line), "Loop:          %s, %.4f s to %.4f s\n", voice.loopOn ? "on" : "off",
                  static_cast<double>(voice.loopStart), static_cast<double>(voice.loopEnd));
    out << indent << line;
    std::snprintf(line, sizeof(line), "Multisamples:  %d\n", voice.multisampleCount);
    out << indent << line;
    std::snprintf(line, sizeof(line), "Layers:        %d\n", voice.layerCount);
    out << indent << line;
    std::snprintf(line, sizeof(line), "Cutoff:        %.4f%s\n", static_cast<double>(voice.cutoff),
                  voice.cutoff >= kNoCutoff ? " (none)" : "");
    out << indent << line;
    forEachUsedLayer(voice, [&](const LayerRow& row) {
        std::snprintf(line, sizeof(line),
                      "Multisample %d layer %d: base pitch %.2f Hz, %d harmonic frames over %.4f s, %d noise frames\n",
                      row.multisample + 1, row.layer, static_cast<double>(row.basePitch), row.harmonicFrames,
                      static_cast<double>(row.duration), row.noiseFrames);
        out << indent << line;
    });
}

void writeVoiceSummary(JsonWriter& json, const Voice& voice, std::int32_t version)
{
    json.key("name").value(std::string_view(voice.nameView()))
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
    json.endArray();
}

} // namespace tessarine::host
