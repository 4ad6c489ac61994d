#pragma once
// The voice record and the voice file (".t9v", exactly one voice record).
//
// Voice record: int32 version, string name, int32 loopOn, float32 loopStart,
// float32 loopEnd, int32 multisampleCount (1..8), int32 layerCount (1..2),
// float32 cutoff (only from version 0x10002 on), then the layer records of
// each used multisample: layers 0 and 1 with two layers, layer 1 alone with one.
// Version 0x10004 is written; 0x10001 to 0x10003 are read too. From 0x10004
// on, a layer's noise record may carry the full-band tag (see LayerRecord.h);
// in older versions every layer plays the lowest 64 noise bands, as it always
// did. Instrument files hold four voice records each.

#include "sound/files/RecordStream.h"
#include "sound/model/Voice.h"

#include <string>
#include <string_view>

namespace tessarine {

inline constexpr std::int32_t kVoiceVersion1 = 0x10001; // no cutoff field
inline constexpr std::int32_t kVoiceVersion2 = 0x10002; // cutoff, where 0 meant "none"
inline constexpr std::int32_t kVoiceVersion3 = 0x10003; // cutoff 0 means 0
inline constexpr std::int32_t kVoiceVersion = 0x10004;  // the version written: layers may play full-band noise

// Reads a voice record and prepares the voice. A version other than 0x10001
// to 0x10004 and counts outside the data model's room fail the read. A failure among the layers leaves what was read so far
// and the voice unprepared. version, when given, receives the version field.
bool readVoice(RecordStream& stream, Voice& voice, std::int32_t* version = nullptr);
bool writeVoice(RecordStream& stream, const Voice& voice);

// Takes one layer record (the analysis result) into a layer of the voice; false
// for a multisample or layer outside the voice's room.
bool readLayer(RecordStream& stream, Voice& voice, int multisample, int layer);

// The name a voice takes when saved under path: the file name without its
// folder and its extension, cut to 63 characters.
std::string voiceNameFromPath(std::string_view path);

// Whole-file operations; the stream is closed whatever the result.
bool loadVoiceFile(const std::string& path, Voice& voice, RecordStream& stream,
                   std::int32_t* version = nullptr);
// Names the voice after the file, then saves atomically.
bool saveVoiceFile(const std::string& path, Voice& voice, RecordStream& stream);

} // namespace tessarine
