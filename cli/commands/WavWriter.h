#pragma once
// Writes a stereo WAV file block by block through libsndfile. The sound goes
// to a temporary file beside the target, which replaces the target only when
// every block was written: a failed render never destroys an earlier file
// (see AtomicSave for the targets refused). A render whose data would pass
// the 4 GiB a RIFF header can count is written as RF64 instead, and one the
// disk has no room for is refused before it starts.

#include "sound/files/AtomicSave.h"

#include <string>

struct sf_private_tag;

namespace tessarine::host {

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter(); // an unfinished file is removed
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // bits: 16 or 24 (integer PCM) or 32 (float). frames: how many will be
    // written, which decides between WAV and RF64 and whether the disk has room.
    bool open(const std::string& path, int sampleRate, int bits, long long frames, std::string& error);
    bool write(const float* interleaved, long frames, std::string& error);
    bool finish(std::string& error);

    // Whether frames of stereo at this width need RF64's 64-bit sizes.
    static bool needsRf64(long long frames, int bits);

private:
    void discard();

    sf_private_tag* file_ = nullptr;
    AtomicSave save_;
    std::string path_;
};

} // namespace tessarine::host
