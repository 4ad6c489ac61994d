#include "sound/files/PresetFile.h"

#include "sound/files/LayerRecord.h"
#include "sound/files/VoiceFile.h"

namespace tessarine {

namespace {

// The layer a single-layer voice keeps its sound in.
constexpr int kPresetMenuMultisample = 0;
constexpr int kPresetMenuLayer = 1;

bool isLayer(int multisample, int layer)
{
    return multisample >= 0 && multisample < kMaxMultisamples && layer >= 0 && layer < kLayersPerMultisample;
}

template <typename Read>
bool loadRecord(const std::string& path, RecordStream& stream, Read read)
{
    if (!stream.openFileRead(path)) {
        return false;
    }
    bool ok = read();
    return stream.close() && ok;
}

template <typename Write>
bool saveRecord(const std::string& path, RecordStream& stream, Write write)
{
    if (!stream.openFileWrite(path)) {
        return false;
    }
    write();
    return stream.close();
}

void makeSingleLayer(Voice& voice)
{
    voice.multisampleCount = 1;
    voice.layerCount = 1;
}

} // namespace

bool loadHarmonicPresetInto(const std::string& path, Voice& voice, RecordStream& stream)
{
    return loadRecord(path, stream, [&] {
        makeSingleLayer(voice);
        voice.setName(voiceNameFromPath(path));
        return readHarmonic(stream, voice.layer(kPresetMenuMultisample, kPresetMenuLayer).harmonic);
    });
}

bool loadNoisePresetInto(const std::string& path, Voice& voice, RecordStream& stream)
{
    return loadRecord(path, stream, [&] {
        makeSingleLayer(voice);
        return readNoise(stream, voice.layer(kPresetMenuMultisample, kPresetMenuLayer).noise);
    });
}

bool loadHarmonicPreset(const std::string& path, Voice& voice, int multisample, int layer, RecordStream& stream)
{
    return isLayer(multisample, layer) &&
           loadRecord(path, stream, [&] { return readHarmonic(stream, voice.layer(multisample, layer).harmonic); });
}

bool loadNoisePreset(const std::string& path, Voice& voice, int multisample, int layer, RecordStream& stream)
{
    return isLayer(multisample, layer) &&
           loadRecord(path, stream, [&] { return readNoise(stream, voice.layer(multisample, layer).noise); });
}

bool saveHarmonicPreset(const std::string& path, const Voice& voice, int multisample, int layer,
                        RecordStream& stream)
{
    return isLayer(multisample, layer) &&
           saveRecord(path, stream, [&] { writeHarmonic(stream, voice.layer(multisample, layer).harmonic); });
}

bool saveNoisePreset(const std::string& path, const Voice& voice, int multisample, int layer, RecordStream& stream)
{
    return isLayer(multisample, layer) &&
           saveRecord(path, stream, [&] { writeNoise(stream, voice.layer(multisample, layer).noise); });
}

} // namespace tessarine
