#include "analysis/SoundImport.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

namespace tessarine {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// libsndfile reads AIFC through its AIFF reader; only the form type tells them apart.
bool isAifc(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return true; // gone since it was opened: refuse rather than guess
    }
    char header[12] = {};
    const bool complete = std::fread(header, 1, sizeof(header), file) == sizeof(header);
    std::fclose(file);
    return !complete || std::memcmp(header + 8, "AIFC", 4) == 0;
}

bool acceptedType(int format, const std::string& path)
{
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
        return true;
    case SF_FORMAT_AIFF:
        return !isAifc(path);
    default:
        return false;
    }
}

int baseNote(SNDFILE* file)
{
    SF_INSTRUMENT instrument{};
    if (sf_command(file, SFC_GET_INSTRUMENT, &instrument, sizeof(instrument)) != SF_TRUE) {
        return -1;
    }
    // The chunk stores the note unsigned; a 0 means the recorder left it unset.
    const int note = static_cast<unsigned char>(instrument.basenote);
    return note == 0 ? -1 : note;
}

} // namespace

bool importSoundFile(const std::string& path, SampleBuffer& buffer)
{
    SF_INFO info{};
    SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file || !acceptedType(info.format, path) || info.channels < 1) {
        return false;
    }
    const auto rate = static_cast<float>(info.samplerate);
    if (!(rate >= kMinImportRate && rate <= kMaxImportRate)) {
        return false;
    }
    const int channels = info.channels;
    const int root = baseNote(file.get());

    // Read in blocks and mix as we go: memory follows the data actually in the
    // file, not the frame count a damaged header may claim, and a many-channel
    // file never needs all its channels in memory at once.
    constexpr sf_count_t kBlockFrames = 4096;
    std::vector<float> block(static_cast<std::size_t>(kBlockFrames) * static_cast<std::size_t>(channels));
    std::vector<float> mono;
    const double scale = 1.0 / channels;
    for (;;) {
        const sf_count_t frames = sf_readf_float(file.get(), block.data(), kBlockFrames);
        if (frames < 0) {
            return false;
        }
        if (frames == 0) {
            break;
        }
        // The sample count of the result must stay a 32-bit signed number.
        if (static_cast<sf_count_t>(mono.size()) + frames > std::numeric_limits<int>::max()) {
            return false;
        }
        for (sf_count_t f = 0; f < frames; ++f) {
            const float* frame = block.data() + f * channels;
            double sum = 0.0;
            for (int c = 0; c < channels; ++c) {
                sum += std::isfinite(frame[c]) ? frame[c] : 0.0f;
            }
            mono.push_back(channels == 1 ? static_cast<float>(sum) : static_cast<float>(scale * sum));
        }
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) {
        return false;
    }
    buffer.samples = std::move(mono);
    buffer.sampleRate = rate;
    buffer.rootNote = root;
    return true;
}

} // namespace tessarine
