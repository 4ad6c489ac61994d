#include "commands/WavWriter.h"

#include "sound/files/RegularFile.h"

#include <cstdint>
#include <sndfile.h>
#include <sys/statvfs.h>

namespace tessarine::host {

namespace {

constexpr int kChannels = 2;
// Room for the header chunks libsndfile writes before the data (fmt, fact, PEAK, ds64).
constexpr std::uint64_t kHeaderRoom = 4096;
// What the RIFF size fields can count, less the header.
constexpr std::uint64_t kRiffDataLimit = 0xFFFFFFFFull - kHeaderRoom;

std::uint64_t dataBytes(long long frames, int bits)
{
    return static_cast<std::uint64_t>(frames < 0 ? 0 : frames) * kChannels * static_cast<std::uint64_t>(bits / 8);
}

} // namespace

WavWriter::~WavWriter() { discard(); }

bool WavWriter::needsRf64(long long frames, int bits)
{
    return dataBytes(frames, bits) > kRiffDataLimit;
}

void WavWriter::discard()
{
    if (file_ != nullptr) {
        sf_close(file_);
        file_ = nullptr;
    }
    save_.discard();
}

bool WavWriter::open(const std::string& path, int sampleRate, int bits, long long frames, std::string& error)
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
    discard();
    path_ = path;
    if (!save_.begin(path)) {
        error = "cannot write '" + path + "' (" + describeFileError(save_.error()) + ")";
        return false;
    }
    // A render that cannot fit is refused now, not after hours of rendering.
    const std::uint64_t needed = dataBytes(frames, bits) + kHeaderRoom;
    struct statvfs disk {};
    const std::uint64_t free = ::fstatvfs(save_.descriptor(), &disk) == 0
                                   ? static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize
                                   : UINT64_MAX; // unknown: the writes will tell
    if (needed > free) {
        error = "cannot write '" + path + "': the render needs " + std::to_string((needed + 999999) / 1000000) +
                " MB and the disk has " + std::to_string(free / 1000000) + " MB free";
        save_.discard();
        return false;
    }
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = kChannels;
    info.format = (needsRf64(frames, bits) ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | subtype;
    // The descriptor stays the save's: it is synced and renamed after libsndfile is done.
    file_ = sf_open_fd(save_.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr) {
        error = "cannot write '" + path + "': " + sf_strerror(nullptr);
        save_.discard();
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
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0) {
        error = "cannot write '" + path_ + "': " + sf_error_number(closed);
        discard();
        return false;
    }
    if (!save_.commit()) {
        error = "cannot write '" + path_ + "' (" + describeFileError(save_.error()) + ")";
        return false;
    }
    return true;
}

} // namespace tessarine::host
