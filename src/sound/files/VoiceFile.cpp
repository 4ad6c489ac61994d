#include "sound/files/VoiceFile.h"

#include "sound/files/LayerRecord.h"

#include <cmath>

namespace tessarine {

bool readVoice(RecordStream& stream, Voice& voice, std::int32_t* version)
{
    std::int32_t fileVersion = 0;
    std::array<char, kNameCapacity> name{};
    std::int32_t loopOn = 0;
    float loopStart = 0.0f;
    float loopEnd = 0.0f;
    std::int32_t multisampleCount = 0;
    std::int32_t layerCount = 0;
    if (!stream.readInt32(fileVersion)) {
        return false;
    }
    if (version != nullptr) {
        *version = fileVersion;
    }
    // Only the versions this build or an older one wrote: any other number is
    // not a voice record, however well the rest parses.
    if (fileVersion < kVoiceVersion1 || fileVersion > kVoiceVersion) {
        return stream.refuse(RecordStream::Status::BadValue, "version", fileVersion);
    }
    if (!stream.readString(name.data(), name.size()) || !stream.readInt32(loopOn) || !stream.readFloat(loopStart) ||
        !stream.readFloat(loopEnd) || !stream.readInt32(multisampleCount)) {
        return false;
    }
    if (multisampleCount < 1 || multisampleCount > kMaxMultisamples) {
        return stream.refuse(RecordStream::Status::BadCount, "multisample count", multisampleCount);
    }
    if (!stream.readInt32(layerCount)) {
        return false;
    }
    if (layerCount < 1 || layerCount > kLayersPerMultisample) {
        return stream.refuse(RecordStream::Status::BadCount, "layer count", layerCount);
    }
    float cutoff = 1.0f;
    if (fileVersion >= kVoiceVersion2) {
        if (!stream.readFloat(cutoff)) {
            return false;
        }
        if (cutoff < 0.0f) {
            cutoff = 0.0f;
        } else if (!(cutoff <= 1.0f)) { // above 1, or not a number: no cutoff
            cutoff = 1.0f;
        } else if (cutoff == 0.0f && fileVersion == kVoiceVersion2) {
            cutoff = 1.0f; // that version wrote 0 for a voice that had never had a cutoff
        }
    }

    voice.name = name;
    voice.loopOn = loopOn != 0;
    voice.loopStart = loopStart;
    voice.loopEnd = loopEnd;
    voice.multisampleCount = multisampleCount;
    voice.layerCount = layerCount;
    voice.cutoff = cutoff;
    for (Multisample& multisample : voice.multisamples) {
        for (LayerData& layer : multisample.layers) {
            layer.clear();
            layer.harmonic.basePitch = 0.0f;
        }
    }
    for (int m = 0; m < multisampleCount; ++m) {
        for (int l = 0; l < layerCount; ++l) {
            if (!readLayer(stream, voice.layer(m, l), fileVersion >= kVoiceVersion)) {
                return false;
            }
        }
        if (layerCount == 1) {
            voice.layer(m, 1).copyFrom(voice.layer(m, 0));
        }
    }
    prepareVoice(voice);
    return true;
}

bool writeVoice(RecordStream& stream, const Voice& voice)
{
    if (voice.multisampleCount < 1 || voice.multisampleCount > kMaxMultisamples || voice.layerCount < 1 ||
        voice.layerCount > kLayersPerMultisample) {
        return stream.refuse(RecordStream::Status::BadCount, "voice counts", voice.multisampleCount);
    }
    bool ok = stream.writeInt32(kVoiceVersion) && stream.writeString(voice.name.data()) &&
              stream.writeInt32(voice.loopOn ? 1 : 0) && stream.writeFloat(voice.loopStart) &&
              stream.writeFloat(voice.loopEnd) && stream.writeInt32(voice.multisampleCount) &&
              stream.writeInt32(voice.layerCount) && stream.writeFloat(voice.cutoff);
    for (int m = 0; m < voice.multisampleCount && ok; ++m) {
        if (voice.layerCount == 2) {
            ok = writeLayer(stream, voice.layer(m, 0)) && writeLayer(stream, voice.layer(m, 1));
        } else {
            // Layer 1 holds the sound without the cutoff; layer 0 is derived from it.
            ok = writeLayer(stream, voice.layer(m, 1));
        }
    }
    return ok;
}

bool readLayer(RecordStream& stream, Voice& voice, int multisample, int layer)
{
    if (multisample < 0 || multisample >= kMaxMultisamples || layer < 0 || layer >= kLayersPerMultisample) {
        return false;
    }
    return readLayer(stream, voice.layer(multisample, layer));
}

std::string voiceNameFromPath(std::string_view path)
{
    std::size_t slash = path.rfind('/');
    std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = file.rfind('.');
    if (dot != std::string_view::npos) {
        file = file.substr(0, dot);
    }
    return std::string(file.substr(0, kNameCapacity - 1));
}

bool loadVoiceFile(const std::string& path, Voice& voice, RecordStream& stream, std::int32_t* version)
{
    if (!stream.openFileRead(path)) {
        return false;
    }
    bool ok = readVoice(stream, voice, version);
    return stream.close() && ok;
}

bool saveVoiceFile(const std::string& path, Voice& voice, RecordStream& stream)
{
    if (!stream.openFileWrite(path)) {
        return false;
    }
    voice.setName(voiceNameFromPath(path));
    writeVoice(stream, voice);
    return stream.close();
}

} // namespace tessarine
