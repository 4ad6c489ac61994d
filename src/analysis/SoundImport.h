#pragma once
// Reads a sound file for analysis: RIFF WAVE or AIFF (not AIFC) at any sample
// rate and channel count, mixed to mono, with the base note of its instrument
// chunk, and cleaned up as the analysis takes it (SoundWindow): the leading
// constant run and the quiet tail dropped, scaled to a peak of 1, at most
// kMaxAnalysedSeconds long. The file is read in blocks, so memory follows the
// part kept, never the file's length.

#include "analysis/SampleBuffer.h"

#include <string>

namespace tessarine {

// The analysis handles these rates; a file outside them is refused.
inline constexpr float kMinImportRate = 1000.0f;
inline constexpr float kMaxImportRate = 1000000.0f;

// Why a file was refused.
enum class ImportRefusal {
    None,
    Missing,           // no such file
    NotReadable,       // exists but cannot be opened for reading
    NotRegularFile,    // a folder, FIFO or device: never opened in a way that could block
    UnsupportedFormat, // not a WAV or AIFF sound libsndfile can read
    UnsupportedRate,   // outside kMinImportRate .. kMaxImportRate
    ReadFailed,        // the sound data ends in an error
    OutOfMemory,       // the part kept cannot be allocated
};

// The message for a refusal, as the command line and the editor show it after the path.
const char* describe(ImportRefusal refusal);

// False, with buffer untouched and the reason in refusal (when given), when
// the file is refused. Channels are averaged frame by frame; samples that are
// not finite (possible in float files) are read as 0. A base note of 0 counts
// as none (-1).
bool importSoundFile(const std::string& path, SampleBuffer& buffer, ImportRefusal* refusal = nullptr);

} // namespace tessarine
