#pragma once
// Reads back the WAV files the command line writes, as a listener's tools would.

#include <sndfile.h>

#include <string>
#include <vector>

namespace tessarine::test {

struct Wav {
    SF_INFO info{};
    std::vector<float> samples; // interleaved

    std::vector<float> channel(int c) const
    {
        std::vector<float> out;
        for (std::size_t i = static_cast<std::size_t>(c); i < samples.size();
             i += static_cast<std::size_t>(info.channels)) {
            out.push_back(samples[i]);
        }
        return out;
    }
};

inline bool readWav(const std::string& path, Wav& wav)
{
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &wav.info);
    if (file == nullptr) {
        return false;
    }
    wav.samples.resize(static_cast<std::size_t>(wav.info.frames * wav.info.channels));
    // A recording stopped short holds fewer frames than its header says: keep what is there.
    const sf_count_t read = sf_readf_float(file, wav.samples.data(), wav.info.frames);
    wav.samples.resize(static_cast<std::size_t>(read * wav.info.channels));
    sf_close(file);
    return true;
}

} // namespace tessarine::test
