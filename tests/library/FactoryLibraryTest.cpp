// The factory library as the build lays it beside the plug-in: complete, every
// file readable, every voice in tune with the notes it was recorded from, and
// every instrument playing finite, bounded, audible notes through the plug-in.

#include "PluginNote.h"

#include "params/NoteFrequencyTable.h"
#include "sound/files/InstrumentFile.h"
#include "sound/files/PresetFile.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tessarine;
using tessarine::host::PluginHost;

namespace {

const std::vector<std::string> kCategories = {"Basses",  "Brass-Winds", "Chromatics",  "Guitars",    "Organs",
                                              "Pianos",  "Strings",     "Synth Leads", "Synth Pads", "Voices"};

using librarytest::filesBelow;
using librarytest::libraryFolder;
using librarytest::pluginFolder;

// One line of the voice recipes: the voice's file and the keys and velocities it was recorded at.
struct VoiceSource { std::string path; std::vector<int> keys; int layers = 1; }; // path: CATEGORY/NAME

// The numbers of a line's field that starts with word.
std::vector<int> numbersOf(const std::string& line, const std::string& word)
{
    std::vector<int> numbers;
    const auto at = line.find("| " + word + " ");
    if (at != std::string::npos) {
        std::istringstream words(line.substr(at + word.size() + 3, line.find('|', at + 1) - at - word.size() - 3));
        for (int n = 0; words >> n;) {
            numbers.push_back(n);
        }
    }
    return numbers;
}

std::vector<VoiceSource> voiceSources()
{
    std::vector<VoiceSource> sources;
    std::ifstream in(TESSARINE_FACTORY_RECIPES "/voices.txt");
    for (std::string line; std::getline(in, line);) {
        const auto bar = line.find('|');
        if (line.empty() || line[0] == '#' || bar == std::string::npos) {
            continue;
        }
        const int layers = std::max(1, static_cast<int>(numbersOf(line, "velocities").size()));
        sources.push_back({line.substr(0, line.find_last_not_of(' ', bar - 1) + 1), numbersOf(line, "keys"), layers});
    }
    return sources;
}

// The pitch a layer sounds at, in cents from the key: the amplitude-weighted
// frequency of its lowest strong harmonic while the sound is up (after a 50 ms
// attack, above a tenth of that harmonic's peak), which is what the ear follows.
double centsFromKey(HarmonicData& data, int key)
{
    constexpr double kStep = 0.005;
    const int steps = static_cast<int>(data.duration / kStep);
    const auto at = [](BreakpointCurve& curve, int i) -> double {
        return curve.valueAt(static_cast<float>(i * kStep));
    };
    std::vector<double> energy(8, 0.0), peak(8, 0.0);
    for (int h = 0; h < 8; ++h) {
        for (int i = 10; i < steps; ++i) {
            energy[h] += at(data.amplitude(h), i);
            peak[h] = std::max(peak[h], at(data.amplitude(h), i));
        }
    }
    const double strongest = *std::max_element(energy.begin(), energy.end());
    const auto strong = std::find_if(energy.begin(), energy.end(), [&](double e) { return e >= 0.3 * strongest; });
    const int h = static_cast<int>(strong - energy.begin());
    double weight = 0.0, sum = 0.0;
    for (int i = 10; i < steps; ++i) {
        const double a = at(data.amplitude(h), i);
        if (a >= 0.1 * peak[h]) {
            weight += a;
            sum += a * at(data.frequency(h), i);
        }
    }
    if (!(weight > 0.0)) {
        return 1e9;
    }
    const double heard = sum / weight / (h + 1) * data.basePitch;
    return 1200.0 * std::log2(heard / noteFrequencyTable().frequency(key));
}

} // namespace

TEST(FactoryLibrary, HoldsEveryCategoryAndTheResetInstrumentAndEveryFileLoads)
{
    ASSERT_TRUE(fs::is_directory(libraryFolder())) << libraryFolder() << " is missing: build the factory library";
    EXPECT_TRUE(fs::is_regular_file(pluginFolder() / "Reset.t9i"));
    struct Expected { const char* folder; const char* extension; std::size_t perCategory; };
    for (const Expected& e : {Expected{"Instruments-Factory", ".t9i", 3}, Expected{"Voices", ".t9v", 4}}) {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(libraryFolder() / e.folder)) {
            found.insert(entry.path().filename().string());
        }
        EXPECT_EQ(found, std::set<std::string>(kCategories.begin(), kCategories.end())) << e.folder;
        for (const std::string& category : kCategories) {
            EXPECT_GE(filesBelow(libraryFolder() / e.folder / category, e.extension).size(), e.perCategory)
                << e.folder << "/" << category;
        }
    }
    EXPECT_GE(filesBelow(libraryFolder() / "Presets-Harmonics", ".t9h").size(), 8u);
    EXPECT_GE(filesBelow(libraryFolder() / "Presets-Noise", ".t9n").size(), 8u);

    // Every file loads; the voices where their tuning is measured, the Reset
    // instrument where every instrument plays.
    auto voice = std::make_unique<Voice>();
    auto instrument = std::make_unique<Instrument>();
    RecordStream stream;
    for (const fs::path& path : filesBelow(libraryFolder() / "Presets-Harmonics", ".t9h")) {
        EXPECT_TRUE(loadHarmonicPresetInto(path.string(), *voice, stream)) << path;
        EXPECT_GT(voice->layer(0, 1).harmonic.frameCount(), 0) << path;
    }
    for (const fs::path& path : filesBelow(libraryFolder() / "Presets-Noise", ".t9n")) {
        EXPECT_TRUE(loadNoisePresetInto(path.string(), *voice, stream)) << path;
        EXPECT_GT(voice->layer(0, 1).noise.frameCount(), 0) << path;
    }
    auto instruments = filesBelow(libraryFolder() / "Instruments-Factory", ".t9i");
    for (const fs::path& path : instruments) {
        ASSERT_TRUE(loadInstrumentFile(path.string(), *instrument, stream)) << path;
        EXPECT_EQ(std::string(instrument->name.data()), path.stem().string());
        // A factory instrument morphs four different sounds.
        std::set<std::string> names;
        for (const Voice& slot : instrument->voices) {
            names.insert(std::string(slot.nameView()));
        }
        EXPECT_EQ(names.size(), 4u) << path;
    }
}

TEST(FactoryLibrary, EveryVoiceIsInTuneWithItsNotes)
{
    const std::vector<VoiceSource> sources = voiceSources();
    ASSERT_FALSE(sources.empty());
    auto voice = std::make_unique<Voice>();
    RecordStream stream;
    double worst = 0.0;
    double total = 0.0;
    int count = 0;
    for (const VoiceSource& source : sources) {
        const fs::path path = libraryFolder() / "Voices" / (source.path + ".t9v");
        ASSERT_TRUE(loadVoiceFile(path.string(), *voice, stream)) << path;
        // Spread over its range, so no note is transposed far from a recorded one.
        EXPECT_GE(source.keys.size(), 4u) << path;
        ASSERT_EQ(voice->multisampleCount, static_cast<int>(source.keys.size())) << path;
        ASSERT_EQ(voice->layerCount, source.layers) << path;
        for (int m = 0; m < voice->multisampleCount; ++m) {
            const int key = source.keys[static_cast<std::size_t>(m)];
            for (int layer = 2 - source.layers; layer < 2; ++layer) {
                HarmonicData& data = voice->layer(m, layer).harmonic;
                EXPECT_FLOAT_EQ(data.basePitch, noteFrequencyTable().frequency(key)) << path << " key " << key;
                const double cents = centsFromKey(data, key);
                EXPECT_LE(std::fabs(cents), 10.0) << path << " key " << key << " layer " << layer;
                worst = std::max(worst, std::fabs(cents));
                total += std::fabs(cents);
                ++count;
            }
        }
    }
    std::printf("factory voices: %d layers, pitch off by %.1f cents at worst, %.1f on average\n", count, worst,
                total / count);
}

// Every instrument that ships, the Reset instrument and random ones play
// finite, bounded, audible notes through the plug-in, and the pedal holds a
// let-go note on each with none of their files asking for it.
TEST(FactoryLibrary, EveryInstrumentPlaysBoundedAudibleNotesThatThePedalHolds)
{
    std::vector<fs::path> instruments = filesBelow(libraryFolder() / "Instruments-Factory", ".t9i");
    instruments.push_back(pluginFolder() / "Reset.t9i");
    const int randomCount = 3;
    constexpr int kBlock = 441; // 10 ms
    const auto host = librarytest::openPlugin(kBlock);
    ASSERT_TRUE(host);
    std::vector<float> left(kBlock), right(kBlock);
    // The peak over every block and channel, the level over the last `measured` blocks.
    struct Played { double peak = 0.0, rms = 0.0; bool finite = true; };
    auto play = [&](std::vector<PluginHost::Midi> midi, int blocks, int measured) {
        Played played;
        double energy = 0.0;
        for (int block = 0; block < blocks; ++block) {
            host->processBlock(block == 0 ? midi : std::vector<PluginHost::Midi>{}, left.data(), right.data(), kBlock);
            for (int i = 0; i < kBlock; ++i) {
                for (float x : {left[static_cast<std::size_t>(i)], right[static_cast<std::size_t>(i)]}) {
                    played.finite = played.finite && std::isfinite(x);
                    played.peak = std::max(played.peak, static_cast<double>(std::fabs(x)));
                    energy += block >= blocks - measured ? static_cast<double>(x) * x : 0.0;
                }
            }
        }
        played.rms = std::sqrt(energy / (2.0 * kBlock * measured));
        return played;
    };
    for (int n = 0; n < static_cast<int>(instruments.size()) + randomCount; ++n) {
        const bool random = n >= static_cast<int>(instruments.size());
        const std::string what = random ? "random instrument " + std::to_string(n) : instruments[n].string();
        const int request =
            random ? tessarine::host::kFileRequestRandomInstrument : tessarine::host::kFileRequestInstrumentLoad;
        ASSERT_TRUE(librarytest::fileRequest(*host, request, random ? nullptr : what.c_str())) << what;
        host->dispatch(vst::effMainsChanged, 0, 1);
        for (int key = 36; !random && key <= 96; key += 6) {
            for (int velocity : {40, 110}) {
                // About 0.2 s held and 0.1 s of its release.
                const auto k = static_cast<unsigned char>(key);
                Played note = play({{0, 0x90, k, static_cast<unsigned char>(velocity)}}, 20, 20);
                const Played tail = play({{0, 0x80, k, 0}}, 10, 10);
                note.rms = std::sqrt((2.0 * note.rms * note.rms + tail.rms * tail.rms) / 3.0);
                EXPECT_TRUE(note.finite && tail.finite) << what << " key " << key << " velocity " << velocity;
                EXPECT_LE(std::max(note.peak, tail.peak), 2.0) << what << " key " << key << " velocity " << velocity;
                // -60 dB: quiet for a soft note at the edge of a range, but clearly playing.
                EXPECT_GE(note.rms, 0.001) << what << " key " << key << " velocity " << velocity;
            }
        }
        // All sound off ends the notes above; then a short release and no echoes,
        // so what sounds after the key is the note itself.
        play({{0, 0xB0, 120, 0}}, 1, 1);
        host->setParameter(kRelease, 0.0f);
        host->setParameter(kReverbOn, 0.0f);
        host->setParameter(kDelayOn, 0.0f);
        double after[2] = {};
        for (int pedal = 0; pedal < 2; ++pedal) {
            play({{0, 0xB0, 64, static_cast<unsigned char>(pedal * 127)}, {0, 0x90, 60, 100}}, 10, 1);
            after[pedal] = play({{0, 0x80, 60, 0}}, 20, 10).rms;
            play({{0, 0xB0, 64, 0}}, 30, 1);
        }
        EXPECT_GT(after[1], 1e-4) << what << ": the pedal holds the note";
        EXPECT_LT(after[0], 0.1 * after[1]) << what << ": without it the note ends";
        host->dispatch(vst::effMainsChanged, 0, 0);
    }
}
