// Voices already stored in users' songs must keep their sound when the
// analysis or the engine changes: fixed voice files (written by an earlier
// analysis, with harmonics, noise, two layers and two multisamples, in every
// version ever written, those before full-band noise and one with it) are
// played through the plug-in and compared with the record of how they sounded. On a
// processor with the vector kernel the record was written with, the samples
// must be the same bit for bit; on others, the same within rounding.
// TESSARINE_WRITE_VOICE_RENDERS=FILE writes a new record, for when a change
// to the sound is meant.

#include "PluginNote.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kHoldBlocks = 129; // 1.5 s
constexpr int kBlocks = 172;     // then 0.5 s of release
constexpr int kFrame = 4096;

struct Fingerprint {
    std::uint64_t hash = 0;     // of every sample's bits, both channels
    std::vector<double> levels; // dB per frame of kFrame samples, both channels
};

Fingerprint fingerprintOf(const librarytest::NoteRender& note)
{
    Fingerprint f;
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
    f.hash = hash;
    for (std::size_t start = 0; start + kFrame <= note.left.size(); start += kFrame) {
        double power = 1e-30;
        for (std::size_t i = start; i < start + kFrame; ++i) {
            power += note.left[i] * note.left[i] + note.right[i] * note.right[i];
        }
        f.levels.push_back(10.0 * std::log10(power / kFrame));
    }
    return f;
}

bool vectorKernel() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }

// Sanitizer builds compile the engine with other optimisations, which may round
// differently; they are held to the levels, not the bits.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kRecordedBuild = false;
#else
constexpr bool kRecordedBuild = true;
#endif

} // namespace

TEST(StoredVoiceSound, FixedVoiceFilesRenderAsRecorded)
{
    const std::vector<fs::path> voices = librarytest::filesBelow(fs::path(TESSARINE_TEST_FIXTURES) / "voices", ".t9v");
    ASSERT_GE(voices.size(), 3u);
    std::set<std::int32_t> versions;
    for (const fs::path& voice : voices) {
        std::ifstream file(voice, std::ios::binary);
        unsigned char bytes[4] = {};
        file.read(reinterpret_cast<char*>(bytes), 4);
        versions.insert(static_cast<std::int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24));
    }
    for (std::int32_t v = tessarine::kVoiceVersion1; v <= tessarine::kVoiceVersion; ++v) {
        EXPECT_TRUE(versions.count(v)) << "no fixture voice of version " << std::hex << v;
    }
    // The other slots hold the factory's Reset voices as they were when the
    // record was written: a rebuilt factory library changes what they play,
    // which is no change to the stored voice under test.
    const fs::path surroundings = fs::path(TESSARINE_TEST_FIXTURES) / "voices" / "reset.t9i";
    std::map<std::string, Fingerprint> rendered;
    for (const fs::path& voice : voices) {
        const librarytest::NoteRender note =
            librarytest::playNote(voice.string(), true, 60, kHoldBlocks, kBlocks, surroundings.string());
        ASSERT_FALSE(note.left.empty()) << voice;
        rendered[voice.stem().string()] = fingerprintOf(note);
    }
    if (const char* out = std::getenv("TESSARINE_WRITE_VOICE_RENDERS")) {
        ASSERT_TRUE(vectorKernel()) << "the record is written with the vector kernel";
        std::ofstream record(out);
        for (const auto& [name, f] : rendered) {
            record << name << ' ' << f.hash;
            for (double level : f.levels) {
                record << ' ' << std::round(level * 10000.0) / 10000.0;
            }
            record << '\n';
        }
        GTEST_SKIP() << "wrote " << out;
    }
    std::map<std::string, Fingerprint> stored;
    std::ifstream record(TESSARINE_TEST_FIXTURES "/voice-renders.txt");
    for (std::string line; std::getline(record, line);) {
        std::istringstream words(line);
        std::string name;
        Fingerprint f;
        words >> name >> f.hash;
        for (double level = 0; words >> level;) {
            f.levels.push_back(level);
        }
        stored[name] = f;
    }
    ASSERT_EQ(stored.size(), rendered.size()) << "the record holds every fixture voice";
    for (const auto& [name, now] : rendered) {
        const Fingerprint& before = stored[name];
        if (vectorKernel() && kRecordedBuild) {
            EXPECT_EQ(now.hash, before.hash) << name << " renders other samples than recorded";
        }
        ASSERT_EQ(now.levels.size(), before.levels.size()) << name;
        const double loudest = *std::max_element(before.levels.begin(), before.levels.end());
        for (std::size_t i = 0; i < now.levels.size(); ++i) {
            if (before.levels[i] > loudest - 80.0) {
                EXPECT_NEAR(now.levels[i], before.levels[i], 0.01) << name << " frame " << i;
            }
        }
    }
}
