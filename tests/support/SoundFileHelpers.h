#pragma once
// Sound files written with libsndfile for import tests, in a folder of the
// program's own that goes when it ends.

#include "support/TempFolder.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

namespace testsound {

inline std::string scratchPath(const std::string& name)
{
    static const tessarine::test::TempFolder folder("sound");
    return folder / name;
}

// Writes interleaved frames; baseNote > 0 adds an instrument chunk.
inline bool writeSound(const std::string& path, int format, int rate, int channels, const std::vector<float>& samples,
                       int baseNote = 0)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    if (baseNote > 0) {
        SF_INSTRUMENT instrument{};
        instrument.basenote = static_cast<char>(baseNote);
        instrument.velocity_hi = 127;
        instrument.key_hi = 127;
        sf_command(file, SFC_SET_INSTRUMENT, &instrument, sizeof(instrument));
    }
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    const bool ok = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

// A band-limited sawtooth: harmonics h of f0 at amplitude peak / h.
inline std::vector<float> sawtooth(double f0, double rate, double seconds, double peak = 0.5)
{
    std::vector<float> x(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < x.size(); ++i) {
        double v = 0.0;
        for (int h = 1; h * f0 < rate / 2; ++h) {
            v += std::sin(2.0 * std::numbers::pi * h * f0 * static_cast<double>(i) / rate) / h;
        }
        x[i] = static_cast<float>(peak * v);
    }
    return x;
}

} // namespace testsound
