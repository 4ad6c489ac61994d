#pragma once
// What the file commands say about one voice: name, record version, loop,
// counts, cutoff, and per used layer its base pitch and frame counts. Shared
// by voice-info (one voice file) and instrument-info (four slots).

#include "commands/JsonWriter.h"

#include "sound/model/Voice.h"

#include <cstdint>
#include <ostream>
#include <string>

namespace tessarine::host {

// Aligned "Label:   value" lines, each line starting with indent.
void printVoiceSummary(const Voice& voice, std::int32_t version, std::ostream& out, const char* indent = "");

// The same as members of the JSON object the caller has begun.
void writeVoiceSummary(JsonWriter& json, const Voice& voice, std::int32_t version);

// A record version as the files' authors write it, "0x10003".
std::string hexVersion(std::int32_t version);

} // namespace tessarine::host
