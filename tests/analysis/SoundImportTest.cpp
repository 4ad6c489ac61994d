// Sound files into the analysis: which files are taken, how channels mix, how
// the fundamental is chosen, the clean-up of the samples, and damaged or odd
// files, which must be refused or give a playable layer.

#include "support/SoundFileHelpers.h"

#include "analysis/FundamentalChoice.h"
#include "analysis/SoundFileAnalysis.h"
#include "analysis/SoundImport.h"
#include "analysis/SoundWindow.h"
#include "params/NoteFrequencyTable.h"
#include "sound/model/Voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using tessarine::SampleBuffer;

TEST(SoundImport, TypesAndChannelMixing)
{
    struct Case { const char* name; int format, channels; bool accepted; };
    const Case cases[] = {
        {"mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, true},
        {"stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, true},
        {"six.wav", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 6, true},
        {"stereo.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2, true},
        {"compressed.aiff", SF_FORMAT_AIFF | SF_FORMAT_ULAW, 1, false}, // written as AIFC
        {"sun.au", SF_FORMAT_AU | SF_FORMAT_PCM_16, 1, false},
        {"lossless.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, false},
    };
    // Channel k of frame i holds 0.1 * (k + 1) + 0.05 + 0.001 * i: the average
    // rises, so the import drops frame 0 (the leading run) and scales frame 99 to 1.
    const auto sample = [](int channel, int frame) { return 0.1 * (channel + 1) + 0.05 + 0.001 * frame; };
    // The mean of frame i over n channels: 0.05 * (n + 1) + 0.05 + 0.001 * i.
    const auto mean = [](int channels, int frame) { return 0.05 * (channels + 2) + 0.001 * frame; };
    for (const Case& c : cases) {
        std::vector<float> x;
        for (int i = 0; i < 100 * c.channels; ++i) {
            x.push_back(static_cast<float>(sample(i % c.channels, i / c.channels)));
        }
        const std::string path = testsound::scratchPath(c.name);
        ASSERT_TRUE(testsound::writeSound(path, c.format, 32000, c.channels, x)) << c.name;
        SampleBuffer buffer;
        buffer.rootNote = 99;
        tessarine::ImportRefusal refusal = tessarine::ImportRefusal::None;
        ASSERT_EQ(tessarine::importSoundFile(path, buffer, &refusal), c.accepted) << c.name;
        EXPECT_EQ(buffer.rootNote, c.accepted ? -1 : 99) << c.name << ": a refusal leaves the buffer alone";
        EXPECT_EQ(refusal, c.accepted ? tessarine::ImportRefusal::None : tessarine::ImportRefusal::UnsupportedFormat);
        if (c.accepted) {
            ASSERT_EQ(buffer.count(), 99) << c.name;
            EXPECT_NEAR(buffer.samples[49], mean(c.channels, 50) / mean(c.channels, 99), 2e-4) << c.name;
            EXPECT_NEAR(buffer.samples[98], 1.0, 1e-6) << c.name;
        }
    }
}

TEST(SoundImport, FundamentalFromHeaderNameOrEstimate)
{
    struct Case { const char* name; int baseNote; double f0; tessarine::PitchSource source; };
    const float middleC = tessarine::noteFrequencyTable().frequency(60);
    const Case cases[] = {
        {"violin_a_2x.wav", 0, 110.0, tessarine::PitchSource::FileName},
        {"violin_g#1x.wav", 0, 51.91, tessarine::PitchSource::FileName},
        {"trumpet_a#3x.wav", 0, 233.08, tessarine::PitchSource::FileName},
        {"violin_C 3x.wav", 0, 130.81, tessarine::PitchSource::FileName},
        {"noted_a_2x.wav", 60, middleC, tessarine::PitchSource::Header},
        {"violin_h_2x.wav", 0, 220.0, tessarine::PitchSource::Estimate},
        {"tone.wav", 0, 220.0, tessarine::PitchSource::Estimate},
    };
    const std::vector<float> tone = testsound::sawtooth(220.0, 22050, 0.5);
    for (const Case& c : cases) {
        const std::string path = testsound::scratchPath(c.name);
        ASSERT_TRUE(testsound::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, tone, c.baseNote));
        tessarine::PreparedSound sound;
        ASSERT_TRUE(tessarine::prepareSound(path, sound)) << c.name;
        EXPECT_EQ(sound.fundamental.source, c.source) << c.name;
        EXPECT_NEAR(sound.fundamental.f0, c.f0, c.source == tessarine::PitchSource::Estimate ? 2.0 : 0.01) << c.name;
    }
    EXPECT_EQ(tessarine::pitchFromFileName("_2x.wav"), 0.0) << "shorter than the pattern";

    SampleBuffer outOfRange;
    outOfRange.rootNote = 200;
    EXPECT_EQ(tessarine::chooseFundamental(outOfRange, "a_2x.wav").f0, 0.0) << "a note no key has: noise only";
}

// The clean-up of the whole sound, done while it streams in: the same result
// whatever the blocks, and the peak and tail of the whole sound even where
// only its first part is kept.
TEST(SoundImport, CleanUpKeepsWhatTheAnalysisTakes)
{
    struct Case { const char* what; std::vector<float> in; std::size_t limit; std::vector<float> out;
                  std::size_t fade = 0; std::uint64_t cutFrom = 0; /* checked when not 0 */ };
    std::vector<float> zerosThenTone(1000, 0.0f);
    std::vector<float> steady(13, 0.5f);
    steady[0] = 0.0f; // the leading run
    zerosThenTone.insert(zerosThenTone.end(), {0.5f, -0.25f, 0.0002f});
    const Case cases[] = {
        {"leading exact zeros and a quiet tail go", zerosThenTone, 100, {1.0f, -0.5f}},
        {"noise loses only its first sample", {0.3f, -0.2f, 0.3f, 0.1f}, 100, {-0.2f / 0.3f, 1.0f, 0.1f / 0.3f}},
        // The tail is quiet against the sound's own peak, not full scale.
        {"a quiet note keeps its decay", {0.0f, 0.01f, -0.005f, 0.0001f, 0.000003f}, 100, {1.0f, -0.5f, 0.01f}},
        {"all quiet is trimmed at its own level", {0.0f, 0.0f, 0.001f, -0.001f, 3e-7f}, 100, {1.0f, -1.0f}},
        {"a constant run and nothing after", {0.7f, 0.7f, 0.7f}, 100, {1.0f, 1.0f, 1.0f}},
        {"a loud sample only in the leading run", {0.7f, 0.7f, 0.0003f}, 100, {}},
        {"silence stays unscaled", {0.0f, 0.0f}, 100, {0.0f, 0.0f}},
        {"empty", {}, 100, {}},
        {"a long constant run is cut", std::vector<float>(10, 0.5f), 4, {1.0f, 1.0f, 1.0f, 1.0f}},
        {"the peak beyond the part kept", {0.0f, 0.1f, 0.2f, 0.1f, 0.2f, 0.8f}, 3, {0.125f, 0.25f, 0.125f}},
        {"a quiet stretch kept when loud follows", {0.5f, 0.001f, 0.001f, 0.5f, 0.5f}, 3, {0.002f, 0.002f, 1.0f}},
        {"cut to the limit, the sound fades out instead of stopping dead", steady, 8,
         {1.0f, 1.0f, 1.0f, 1.0f, 0.853553f, 0.5f, 0.146447f, 0.0f}, 4, 12},
    };
    for (const Case& c : cases) {
        for (std::size_t block : {std::size_t{1}, std::size_t{2}, std::size_t{4096}}) {
            tessarine::SoundWindow window(c.limit, tessarine::kSilenceThreshold, c.fade);
            for (std::size_t at = 0; at < c.in.size(); at += block) {
                ASSERT_TRUE(window.add(c.in.data() + at, std::min(block, c.in.size() - at)));
            }
            std::vector<float> out;
            ASSERT_TRUE(window.finish(out));
            ASSERT_EQ(out.size(), c.out.size()) << c.what << " in blocks of " << block;
            for (std::size_t i = 0; i < out.size(); ++i) {
                EXPECT_NEAR(out[i], c.out[i], 1e-6f) << c.what << " at " << i;
            }
            if (c.cutFrom != 0) {
                EXPECT_EQ(window.cutFrom(), c.cutFrom) << c.what;
            }
        }
    }
}

// Each file must be refused or give a layer the voice can play. A sound of
// noise alone has no pitch, and its voice plays for as long as the noise
// lasts rather than ending at once.
TEST(SoundImport, OddFilesAreRefusedOrGiveAPlayableLayer)
{
    // A rate of 0 writes the raw bytes instead of a sound.
    struct Case { const char* name; int rate, channels; std::vector<float> samples; std::string raw;
                  bool noiseOnly = false; };
    std::vector<float> withNan = testsound::sawtooth(330.0, 44100, 0.3);
    for (std::size_t i = 0; i < withNan.size(); i += 97) {
        withNan[i] = (i % 2) ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
    }
    std::mt19937 random(7);
    std::normal_distribution<float> gaussian(0.0f, 0.15f);
    std::vector<float> noise(44100);
    std::generate(noise.begin(), noise.end(), [&] { return gaussian(random); });
    std::string garbage(3000, '\0');
    std::generate(garbage.begin(), garbage.end(), [&] { return static_cast<char>(random()); });
    std::vector<float> eight;
    for (float v : testsound::sawtooth(150.0, 8000, 0.3)) {
        eight.insert(eight.end(), 8, v);
    }
    const Case cases[] = {
        {"empty-file.wav", 0, 0, {}, ""},
        {"random.wav", 0, 0, {}, garbage},
        {"too-slow.wav", 500, 1, std::vector<float>(500, 0.25f), ""},
        {"no-frames.wav", 44100, 1, {}, ""},
        {"one-sample.wav", 44100, 1, {0.5f}, ""},
        {"zeros.wav", 44100, 1, std::vector<float>(4410, 0.0f), ""},
        {"nan.wav", 44100, 1, withNan, ""},
        {"rate96k.wav", 96000, 1, testsound::sawtooth(440.0, 96000, 0.3), ""},
        {"eight-channels.wav", 8000, 8, eight, ""},
        {"breath.wav", 44100, 1, noise, "", true},
    };
    auto voice = std::make_unique<tessarine::Voice>();
    for (const Case& c : cases) {
        const std::string path = testsound::scratchPath(c.name);
        if (c.rate == 0) {
            std::ofstream(path, std::ios::binary) << c.raw;
        } else {
            ASSERT_TRUE(testsound::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, c.rate, c.channels, c.samples));
        }
        tessarine::PreparedSound sound;
        const bool expected = c.rate >= 1000;
        ASSERT_EQ(tessarine::prepareSound(path, sound), expected) << c.name;
        if (!expected) {
            continue;
        }
        tessarine::AnalysisSummary summary;
        ASSERT_TRUE(tessarine::analyseIntoVoice(sound.buffer, sound.fundamental.f0, *voice, 0, 1, nullptr, summary))
            << c.name;
        const tessarine::LayerData& layer = voice->layer(0, 1);
        if (c.noiseOnly) {
            EXPECT_EQ(sound.fundamental.f0, 0.0);
            EXPECT_EQ(summary.harmonics, 0);
            EXPECT_GT(layer.noise.frameCount(), 2);
            EXPECT_GT(layer.harmonic.duration, 0.9f);
        }
        EXPECT_LE(layer.harmonic.frameCount(), 80) << c.name;
        EXPECT_LE(layer.noise.frameCount(), 48) << c.name;
        float total = 0.0f; // NaN or infinity anywhere would show here
        const auto add = [&](const tessarine::BreakpointCurve& curve) {
            for (int k = 0; k < curve.pointCount(); ++k) {
                total += curve.value(k);
            }
        };
        for (int h = 0; h < tessarine::kHarmonicCount; ++h) {
            add(layer.harmonic.amplitude(h));
            add(layer.harmonic.frequency(h));
        }
        for (int f = 0; f < layer.noise.frameCount(); ++f) {
            add(layer.noise.frame(f).spectrum);
        }
        EXPECT_TRUE(std::isfinite(total)) << c.name;
    }
}

// Runs what in a child process that may take at most seconds; its exit status,
// or -1 when it hung or died. A hang or a crash then fails the test instead of
// stopping the suite.
int inChild(unsigned seconds, const std::function<int()>& what)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        alarm(seconds);
        _exit(what());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every refusal says what is wrong, and nothing that is not a regular file is
// ever opened in a way that could block.
TEST(SoundImport, RefusalsSayWhatIsWrong)
{
    using tessarine::ImportRefusal;
    const tessarine::test::TempFolder scratch("refusals");
    const std::string folder = scratch.str();
    const std::string fifo = folder + "/pipe.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string locked = folder + "/locked.wav";
    ASSERT_TRUE(testsound::writeSound(locked, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, {0.1f, 0.2f}));
    ::chmod(locked.c_str(), 0);
    const bool rootReadsAnything = ::access(locked.c_str(), R_OK) == 0;
    // libsndfile takes paths of up to 1,024 bytes; the descriptor has no such limit.
    std::string deep = folder;
    for (int level = 0; level < 6; ++level) {
        deep += "/" + std::string(200, static_cast<char>('a' + level));
    }
    std::filesystem::create_directories(deep);
    const std::string longPath = deep + "/tone.wav";
    const std::string shortPath = folder + "/tone.wav";
    ASSERT_TRUE(testsound::writeSound(shortPath, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, {0.1f, 0.2f}));
    std::filesystem::rename(shortPath, longPath);
    const std::string text = folder + "/text.wav";
    std::ofstream(text) << "not a sound at all";

    struct Case { std::string path; ImportRefusal refusal; const char* says; };
    const Case cases[] = {
        {folder + "/missing.wav", ImportRefusal::Missing, "No such file."},
        {folder, ImportRefusal::NotRegularFile, "Not a regular file."},
        {fifo, ImportRefusal::NotRegularFile, "Not a regular file."},
        {"/dev/zero", ImportRefusal::NotRegularFile, "Not a regular file."},
        {text, ImportRefusal::UnsupportedFormat, "Unsupported file format."},
        {locked, rootReadsAnything ? ImportRefusal::None : ImportRefusal::NotReadable,
         rootReadsAnything ? "imported" : "The file cannot be read."},
        {longPath, ImportRefusal::None, "imported"},
    };
    for (const Case& c : cases) {
        const auto refusalOf = [&] {
            SampleBuffer buffer;
            ImportRefusal refusal = ImportRefusal::None;
            tessarine::importSoundFile(c.path, buffer, &refusal);
            return static_cast<int>(refusal);
        };
        EXPECT_EQ(inChild(10, refusalOf), static_cast<int>(c.refusal)) << c.path;
        EXPECT_STREQ(tessarine::describe(c.refusal), c.says);
    }
    ASSERT_GT(longPath.size(), 1024u);
}

// Memory follows the 12 seconds kept, not the file: a ten-minute file imports
// under a limit far below its size, and a part kept that cannot be allocated
// is a refusal, not an abort. The sanitizers reserve address space beyond any
// such limit, so their builds leave this test out rather than skip it.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(SoundImport, MemoryFollowsThePartKept)
{
    const auto tone = [](int rate, double seconds) {
        std::vector<float> x(static_cast<std::size_t>(rate * seconds));
        for (std::size_t i = 0; i < x.size(); ++i) {
            x[i] = static_cast<float>(0.5 * std::sin(0.001 * static_cast<double>(i)));
        }
        return x;
    };
    const std::string tenMinutes = testsound::scratchPath("ten-minutes.wav");
    ASSERT_TRUE(testsound::writeSound(tenMinutes, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, tone(8000, 600.0)));
    const std::string fast = testsound::scratchPath("three-seconds-at-1MHz.wav");
    ASSERT_TRUE(testsound::writeSound(fast, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1000000, 1, tone(1000000, 3.0)));
    // The limit: what the child has mapped already, and room above it.
    const auto importUnder = [](const std::string& path, std::size_t room) {
        return inChild(60, [&] {
            std::ifstream statm("/proc/self/statm");
            std::size_t pages = 0;
            statm >> pages;
            const auto bytes = static_cast<rlim_t>(pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) + room);
            const rlimit limit{bytes, bytes};
            if (::setrlimit(RLIMIT_AS, &limit) != 0) {
                return 100;
            }
            SampleBuffer buffer;
            tessarine::ImportRefusal refusal = tessarine::ImportRefusal::None;
            const bool imported = tessarine::importSoundFile(path, buffer, &refusal);
            return imported && buffer.count() == 12 * 8000 ? 0 : static_cast<int>(refusal) + 10;
        });
    };
    constexpr std::size_t kMiB = 1024 * 1024;
    EXPECT_EQ(importUnder(tenMinutes, 16 * kMiB), 0) << "19 MB of samples were kept";
    EXPECT_EQ(importUnder(fast, 4 * kMiB), static_cast<int>(tessarine::ImportRefusal::OutOfMemory) + 10);
}
#endif

} // namespace
