// What stored sounds play may change only by what a faster oscillator or a
// reordered sum can change. Two records hold how they sounded when they were
// last meant to change, a line per sound: its name, then its numbers.
// - Voices already stored in users' songs (fixed voice files written by an
//   earlier analysis, with harmonics, noise, two layers and two multisamples,
//   in every version ever written, those before full-band noise and one with
//   it), played through the plug-in: on a processor with the vector kernel the
//   record was written with, the same samples bit for bit; on others, the same
//   levels within rounding. TESSARINE_WRITE_VOICE_RENDERS=FILE writes a new
//   record, for when a change to the sound is meant.
// - Each factory instrument's spectrum, rendered through the plug-in. Rebuilding
//   the library from a changed analysis is such a time:
//   TESSARINE_WRITE_FACTORY_SPECTRA=FILE writes a new record.

#include "PluginNote.h"
#include "analysis/RealFft.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Record = std::map<std::string, std::vector<std::string>>;

Record storedRecord(const std::string& file)
{
    Record record;
    std::ifstream in(TESSARINE_TEST_FIXTURES "/" + file);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        std::vector<std::string>& numbers = record[name];
        for (std::string number; words >> number;) {
            numbers.push_back(number);
        }
    }
    return record;
}

// Writes the record where the variable says, when it names a file.
bool writtenOnRequest(const char* variable, const Record& record)
{
    const char* out = std::getenv(variable);
    if (out == nullptr) {
        return false;
    }
    std::ofstream file(out);
    for (const auto& [name, numbers] : record) {
        file << name;
        for (const std::string& number : numbers) {
            file << ' ' << number;
        }
        file << '\n';
    }
    return true;
}

std::string rounded(double value, double scale)
{
    std::ostringstream text;
    text << std::round(value * scale) / scale;
    return text.str();
}

// Compares numbers with the record's from `first` on, within tolerance, in the
// range that the ear can tell apart: below the loudest by at most range dB.
void expectLevels(const std::string& name, const std::vector<double>& now, const std::vector<std::string>& before,
                  std::size_t first, double range, double tolerance)
{
    ASSERT_EQ(now.size() + first, before.size()) << name;
    std::vector<double> stored;
    std::transform(before.begin() + static_cast<std::ptrdiff_t>(first), before.end(), std::back_inserter(stored),
                   [](const std::string& number) { return std::stod(number); });
    const double loudest = *std::max_element(stored.begin(), stored.end());
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (stored[i] > loudest - range) {
            EXPECT_NEAR(now[i], stored[i], tolerance) << name << " at " << i;
        }
    }
}

constexpr int kHoldBlocks = 129; // 1.5 s
constexpr int kBlocks = 172;     // then 0.5 s of release
constexpr int kLevelFrame = 4096;

// A hash of every sample's bits, both channels, and the level in dB of each frame.
std::pair<std::uint64_t, std::vector<double>> fingerprintOf(const librarytest::NoteRender& note)
{
    std::uint64_t hash = 1469598103934665603ULL;
    for (const std::vector<float>* channel : {&note.left, &note.right}) {
        for (float sample : *channel) {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &sample, sizeof bits);
            for (int byte = 0; byte < 4; ++byte) {
                hash = (hash ^ ((bits >> (8 * byte)) & 0xFFu)) * 1099511628211ULL;
            }
        }
    }
    std::vector<double> levels;
    for (std::size_t start = 0; start + kLevelFrame <= note.left.size(); start += kLevelFrame) {
        double power = 1e-30;
        for (std::size_t i = start; i < start + kLevelFrame; ++i) {
            power += note.left[i] * note.left[i] + note.right[i] * note.right[i];
        }
        levels.push_back(10.0 * std::log10(power / kLevelFrame));
    }
    return {hash, levels};
}

bool vectorKernel() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }

// Sanitizer builds compile the engine with other optimisations, which may round
// differently; they are held to the levels, not the bits.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kRecordedBuild = false;
#else
constexpr bool kRecordedBuild = true;
#endif

constexpr int kRate = 44100;
constexpr int kFrame = 16384;
constexpr int kBands = 28; // thirds of an octave from 63 Hz

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
    tessarine::RealFft fft(kFrame);
    for (std::size_t i = 0; i < kFrame; ++i) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / kFrame);
        fft.input()[i] = window * 0.5 * (note.left[2048 + i] + note.right[2048 + i]);
    }
    std::vector<double> re(kFrame / 2 + 1), im(kFrame / 2 + 1);
    fft.transform(re.data(), im.data());
    std::vector<double> bands(kBands, 1e-30);
    for (std::size_t k = 1; k <= kFrame / 2; ++k) {
        const int band = static_cast<int>(std::floor(3.0 * std::log2(static_cast<double>(k) * kRate / kFrame / 63.0)));
        if (band >= 0 && band < kBands) {
            bands[static_cast<std::size_t>(band)] += re[k] * re[k] + im[k] * im[k];
        }
    }
    std::transform(bands.begin(), bands.end(), bands.begin(), [](double b) { return 10.0 * std::log10(b); });
    return bands;
}

} // namespace

TEST(StoredVoiceSound, FixedVoiceFilesRenderAsRecorded)
{
    const std::vector<fs::path> voices = librarytest::filesBelow(fs::path(TESSARINE_TEST_FIXTURES) / "voices", ".t9v");
    ASSERT_GE(voices.size(), 3u);
    std::set<std::int32_t> versions;
    for (const fs::path& voice : voices) {
        std::int32_t version = 0;
        std::ifstream(voice, std::ios::binary).read(reinterpret_cast<char*>(&version), 4);
        versions.insert(version);
    }
    for (std::int32_t v = tessarine::kVoiceVersion1; v <= tessarine::kVoiceVersion; ++v) {
        EXPECT_TRUE(versions.count(v)) << "no fixture voice of version " << std::hex << v;
    }
    // The other slots hold the factory's Reset voices as they were when the
    // record was written: a rebuilt factory library changes what they play,
    // which is no change to the stored voice under test.
    const fs::path surroundings = fs::path(TESSARINE_TEST_FIXTURES) / "voices" / "reset.t9i";
    std::map<std::string, std::pair<std::uint64_t, std::vector<double>>> rendered;
    Record record;
    for (const fs::path& voice : voices) {
        const librarytest::NoteRender note =
            librarytest::playNote(voice.string(), true, 60, kHoldBlocks, kBlocks, surroundings.string());
        ASSERT_FALSE(note.left.empty()) << voice;
        const auto& [hash, levels] = rendered[voice.stem().string()] = fingerprintOf(note);
        std::vector<std::string>& line = record[voice.stem().string()] = {std::to_string(hash)};
        for (double level : levels) {
            line.push_back(rounded(level, 10000.0));
        }
    }
    if (writtenOnRequest("TESSARINE_WRITE_VOICE_RENDERS", record)) {
        ASSERT_TRUE(vectorKernel()) << "the record is written with the vector kernel";
        GTEST_SKIP() << "wrote a new record";
    }
    const Record stored = storedRecord("voice-renders.txt");
    ASSERT_EQ(stored.size(), rendered.size()) << "the record holds every fixture voice";
    for (const auto& [name, now] : rendered) {
        ASSERT_TRUE(stored.count(name) == 1 && !stored.at(name).empty()) << name;
        if (vectorKernel() && kRecordedBuild) {
            EXPECT_EQ(std::to_string(now.first), stored.at(name)[0]) << name << " renders other samples than recorded";
        }
        expectLevels(name, now.second, stored.at(name), 1, 80.0, 0.01);
    }
}

TEST(FactorySound, EveryInstrumentKeepsItsStoredSpectrum)
{
    const fs::path library = librarytest::libraryFolder();
    const std::vector<fs::path> instruments = librarytest::filesBelow(library / "Instruments-Factory", ".t9i");
    ASSERT_FALSE(instruments.empty());
    std::map<std::string, std::vector<double>> rendered;
    Record record;
    for (const fs::path& instrument : instruments) {
        std::string name = fs::relative(instrument, library).generic_string();
        std::replace(name.begin(), name.end(), ' ', '_');
        rendered[name] = spectrumOf(instrument);
        for (double band : rendered[name]) {
            record[name].push_back(rounded(band, 1000.0));
        }
    }
    if (writtenOnRequest("TESSARINE_WRITE_FACTORY_SPECTRA", record)) {
        GTEST_SKIP() << "wrote a new record";
    }
    const Record stored = storedRecord("factory-spectra.txt");
    ASSERT_EQ(stored.size(), instruments.size()) << "the record holds every factory instrument";
    for (const auto& [name, bands] : rendered) {
        ASSERT_EQ(stored.count(name), 1u) << name;
        // Bands far below the loudest hold mostly rounding; an oscillator
        // within its bound moves an audible band by far less than 0.1 dB.
        expectLevels(name, bands, stored.at(name), 0, 60.0, 0.1);
    }
}
