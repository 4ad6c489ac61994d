// What the factory instruments sound like may change only by what a faster
// oscillator or a reordered sum can change: each one's spectrum, rendered
// through the plug-in, is compared with the spectrum stored when the sound
// was last meant to change. Rebuilding the library from a changed analysis
// is such a time: TESSARINE_WRITE_FACTORY_SPECTRA=FILE writes a new record.

#include "PluginNote.h"

#include "analysis/RealFft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr int kFrame = 16384;
constexpr int kBands = 28; // thirds of an octave from 63 Hz

using librarytest::libraryFolder;

// Band levels in dB of key 60 played for 0.6 s, the random generators seeded
// after the load. Empty when it cannot play.
std::vector<double> spectrumOf(const fs::path& instrument)
{
    constexpr int kBlock = 512;
    const int blocks = (kFrame + 2048) / kBlock + 1;
    const librarytest::NoteRender note = librarytest::playNote(instrument.string(), false, 60, blocks, blocks);
    if (note.left.empty()) {
        return {};
    }
    std::vector<double> mono;
    for (std::size_t i = 0; i < note.left.size(); ++i) {
        mono.push_back(0.5 * (note.left[i] + note.right[i]));
    }
    tessarine::RealFft fft(kFrame);
    for (int i = 0; i < kFrame; ++i) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / kFrame);
        fft.input()[i] = window * mono[static_cast<std::size_t>(2048 + i)];
    }
    std::vector<double> re(kFrame / 2 + 1), im(kFrame / 2 + 1);
    fft.transform(re.data(), im.data());
    std::vector<double> bands(kBands, 1e-30);
    for (int k = 1; k <= kFrame / 2; ++k) {
        const double hz = static_cast<double>(k) * kRate / kFrame;
        const int band = static_cast<int>(std::floor(3.0 * std::log2(hz / 63.0)));
        if (band >= 0 && band < kBands) {
            bands[static_cast<std::size_t>(band)] += re[static_cast<std::size_t>(k)] * re[static_cast<std::size_t>(k)] +
                                                     im[static_cast<std::size_t>(k)] * im[static_cast<std::size_t>(k)];
        }
    }
    for (double& b : bands) {
        b = 10.0 * std::log10(b);
    }
    return bands;
}

std::string nameOf(const fs::path& instrument)
{
    const fs::path relative = fs::relative(instrument, libraryFolder());
    std::string name = relative.generic_string();
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
}

} // namespace

TEST(FactorySound, EveryInstrumentKeepsItsStoredSpectrum)
{
    const std::vector<fs::path> instruments = librarytest::filesBelow(libraryFolder() / "Instruments-Factory", ".t9i");
    ASSERT_FALSE(instruments.empty());
    if (const char* out = std::getenv("TESSARINE_WRITE_FACTORY_SPECTRA")) {
        std::ofstream record(out);
        for (const fs::path& instrument : instruments) {
            record << nameOf(instrument);
            for (double b : spectrumOf(instrument)) {
                record << ' ' << std::round(b * 1000.0) / 1000.0;
            }
            record << '\n';
        }
        GTEST_SKIP() << "wrote " << out;
    }
    std::map<std::string, std::vector<double>> stored;
    std::ifstream record(TESSARINE_TEST_FIXTURES "/factory-spectra.txt");
    for (std::string line; std::getline(record, line);) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        for (double b = 0; words >> b;) {
            stored[name].push_back(b);
        }
    }
    ASSERT_EQ(stored.size(), instruments.size()) << "the record holds every factory instrument";
    for (const fs::path& instrument : instruments) {
        const std::string name = nameOf(instrument);
        const std::vector<double> bands = spectrumOf(instrument);
        const std::vector<double>& before = stored[name];
        ASSERT_EQ(bands.size(), before.size()) << name;
        const double loudest = *std::max_element(before.begin(), before.end());
        for (std::size_t b = 0; b < bands.size(); ++b) {
            // Bands far below the loudest hold mostly rounding; an oscillator
            // within its bound moves an audible band by far less than 0.1 dB.
            if (before[b] > loudest - 60.0) {
                EXPECT_NEAR(bands[b], before[b], 0.1) << name << " band " << b;
            }
        }
    }
}
