#include "WavWriter.h"

#include <cstdio>
#include <sndfile.h>
#include <unistd.h>

namespace tessarine::host {

WavWriter::~WavWriter() { discard(); }

void WavWriter::discard()
{
    if (file_ != nullptr) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (!temporaryPath_.empty()) {
        std::remove(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}

bool WavWriter::open(const std::string& path, int sampleRate, int bits, std::string& error)
{
    int subtype = 0;
    switch (bits) {
    case 16: subtype = SF_FORMAT_PCM_16; break;
    case 24: subtype = SF_FORMAT_PCM_24; break;
    case 32: subtype = SF_FORMAT_FLOAT; break;
    default:
        error = "unsupported sample width " + std::to_string(bits) + " bits (use 16, 24 or 32)";
        return false;
    }
    path_ = path;
    temporaryPath_ = path + ".tmp-" + std::to_string(getpid());
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | subtype;
    file_ = sf_open(temporaryPath_.c_str(), SFM_WRITE, &info);
    if (file_ == nullptr) {
        error = "cannot write '" + path + "': " + sf_strerror(nullptr);
        temporaryPath_.clear();
        return false;
    }
    // Integer output is clipped rather than wrapped around when the sound exceeds full scale.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

bool WavWriter::write(const float* interleaved, long frames, std::string& error)
{
    if (file_ == nullptr) {
        error = "no open output file";
        return false;
    }
    if (sf_writef_float(file_, interleaved, frames) != frames) {
        error = "cannot write '" + path_ + "': " + sf_strerror(file_);
        discard();
        return false;
    }
    return true;
}

bool WavWriter::finish(std::string& error)
{
    if (file_ == nullptr) {
        error = "no open output file";
        return false;
    }
    int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0 || std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        error = "cannot write '" + path_ + "'";
        discard();
        return false;
    }
    temporaryPath_.clear();
    return true;
}

} // namespace tessarine::host
