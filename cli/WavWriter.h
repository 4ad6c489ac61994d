#pragma once
// Writes a stereo WAV file block by block through libsndfile. The sound goes
// to a temporary file beside the target, which replaces the target only when
// every block was written: a failed render never destroys an earlier file.

#include <string>

struct sf_private_tag;

namespace tessarine::host {

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter(); // an unfinished file is removed
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // bits: 16 or 24 (integer PCM) or 32 (float).
    bool open(const std::string& path, int sampleRate, int bits, std::string& error);
    bool write(const float* interleaved, long frames, std::string& error);
    bool finish(std::string& error);

private:
    void discard();

    sf_private_tag* file_ = nullptr;
    std::string path_;
    std::string temporaryPath_;
};

} // namespace tessarine::host
