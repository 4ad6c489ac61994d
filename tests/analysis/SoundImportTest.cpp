// Sound files into the analysis: which files are taken, how channels mix, how
// the fundamental is chosen, the clean-up of the samples, and damaged or odd
// files, which must be refused or give a playable layer.

#include "SoundFileHelpers.h"

#include "analysis/FundamentalChoice.h"
#include "analysis/SoundFileAnalysis.h"
#include "analysis/SoundImport.h"
#include "params/NoteFrequencyTable.h"
#include "sound/Voice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>
#include <random>

namespace {

using tessarine::SampleBuffer;

TEST(SoundImport, TypesAndChannelMixing)
{
    struct Case {
        const char* name;
        int format;
        int channels;
        bool accepted;
    };
    const Case cases[] = {
        {"mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, true},
        {"stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, true},
        {"six.wav", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 6, true},
        {"stereo.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2, true},
        {"compressed.aiff", SF_FORMAT_AIFF | SF_FORMAT_ULAW, 1, false}, // written as AIFC
        {"sun.au", SF_FORMAT_AU | SF_FORMAT_PCM_16, 1, false},
        {"lossless.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, false},
    };
    for (const Case& c : cases) {
        // Channel k of every frame holds 0.1 * (k + 1) - 0.2: the average is known.
        std::vector<float> x;
        double expected = 0.0;
        for (int k = 0; k < c.channels; ++k) {
            expected += (0.1 * (k + 1) - 0.2) / c.channels;
        }
        for (int frame = 0; frame < 100; ++frame) {
            for (int k = 0; k < c.channels; ++k) {
                x.push_back(static_cast<float>(0.1 * (k + 1) - 0.2));
            }
        }
        const std::string path = testsound::scratchPath(c.name);
        ASSERT_TRUE(testsound::writeSound(path, c.format, 32000, c.channels, x)) << c.name;
        SampleBuffer buffer;
        buffer.rootNote = 99;
        ASSERT_EQ(tessarine::importSoundFile(path, buffer), c.accepted) << c.name;
        EXPECT_EQ(buffer.rootNote, c.accepted ? -1 : 99) << c.name << ": a refusal leaves the buffer alone";
        if (c.accepted) {
            EXPECT_EQ(buffer.count(), 100) << c.name;
            EXPECT_NEAR(buffer.samples[50], expected, 2e-4) << c.name;
        }
    }
}

TEST(SoundImport, FundamentalFromHeaderNameOrEstimate)
{
    struct Case {
        const char* name;
        int baseNote;
        double f0;
        tessarine::PitchSource source;
    };
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

TEST(SoundImport, TrimNormaliseAndLimit)
{
    const auto buffer = [](std::vector<float> samples) {
        SampleBuffer b;
        b.samples = std::move(samples);
        b.sampleRate = 1000.0f;
        return b;
    };
    struct Case {
        const char* what;
        std::vector<float> in;
        std::vector<float> trimmed;
    };
    std::vector<float> zerosThenTone(1000, 0.0f);
    zerosThenTone.insert(zerosThenTone.end(), {0.5f, -0.25f, 0.001f});
    const Case cases[] = {
        {"leading exact zeros and a quiet tail go", zerosThenTone, {0.5f, -0.25f}},
        {"noise loses only its first sample", {0.3f, -0.2f, 0.3f, 0.1f}, {-0.2f, 0.3f, 0.1f}},
        {"all quiet keeps the tail", {0.0f, 0.0f, 0.001f, -0.001f}, {0.001f, -0.001f}},
        {"a constant run and nothing after", {0.7f, 0.7f, 0.7f}, {0.7f, 0.7f, 0.7f}},
        {"empty", {}, {}},
    };
    for (const Case& c : cases) {
        SampleBuffer b = buffer(c.in);
        tessarine::trimSilence(b, tessarine::kSilenceThreshold);
        EXPECT_EQ(b.samples, c.trimmed) << c.what;
    }

    SampleBuffer silent = buffer({0.0f, 0.0f});
    tessarine::normalisePeak(silent, 1.0f);
    EXPECT_EQ(silent.samples, (std::vector<float>{0.0f, 0.0f}));
    SampleBuffer longSound = buffer(std::vector<float>(20 * 1000, 0.5f)); // 20 s
    tessarine::normalisePeak(longSound, 1.0f);
    tessarine::limitDuration(longSound, 12.0);
    EXPECT_EQ(longSound.samples, std::vector<float>(12 * 1000, 1.0f));
}

// Each file must be refused or give a layer the voice can play.
TEST(SoundImport, OddFilesAreRefusedOrGiveAPlayableLayer)
{
    struct Case {
        const char* name;
        int rate; // 0: raw bytes
        int channels;
        std::vector<float> samples;
        std::string raw;
    };
    std::vector<float> withNan = testsound::sawtooth(330.0, 44100, 0.3);
    for (std::size_t i = 0; i < withNan.size(); i += 97) {
        withNan[i] = (i % 2) ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
    }
    std::mt19937 random(7);
    std::string garbage(3000, '\0');
    for (char& byte : garbage) {
        byte = static_cast<char>(random());
    }
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
        EXPECT_LE(layer.harmonic.frameCount(), 80) << c.name;
        EXPECT_LE(layer.noise.frameCount(), 48) << c.name;
        float total = 0.0f; // NaN or infinity anywhere would show here
        for (int h = 0; h < tessarine::kHarmonicCount; ++h) {
            for (int k = 0; k < layer.harmonic.amplitude(h).pointCount(); ++k) {
                total += layer.harmonic.amplitude(h).value(k) + layer.harmonic.frequency(h).value(k);
            }
        }
        for (int f = 0; f < layer.noise.frameCount(); ++f) {
            for (int k = 0; k < layer.noise.frame(f).spectrum.pointCount(); ++k) {
                total += layer.noise.frame(f).spectrum.value(k);
            }
        }
        EXPECT_TRUE(std::isfinite(total)) << c.name;
    }
}

} // namespace
