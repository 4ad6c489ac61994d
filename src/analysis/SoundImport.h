#pragma once
// Reads a sound file for analysis: RIFF WAVE or AIFF (not AIFC) at any sample
// rate and channel count, mixed to mono, with the base note of its instrument
// chunk.

#include "analysis/SampleBuffer.h"

#include <string>

namespace tessarine {

// The analysis handles these rates; a file outside them is refused.
inline constexpr float kMinImportRate = 1000.0f;
inline constexpr float kMaxImportRate = 1000000.0f;

// False, with buffer untouched, when the file cannot be opened or read, is of
// another type, or its rate lies outside the analysable range. Channels are
// averaged frame by frame; samples that are not finite (possible in float
// files) are read as 0. A base note of 0 counts as none (-1).
bool importSoundFile(const std::string& path, SampleBuffer& buffer);

} // namespace tessarine
