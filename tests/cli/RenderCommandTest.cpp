// `tessarine render` end to end: the WAV it writes, and its refusals.

#include "engine/EngineTestVoice.h"

#include "BarePlugin.h"
#include "RunCommand.h"
#include "cli/WavFile.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

int run(const std::string& arguments, std::string* output = nullptr)
{
    tessarine::test::CommandResult result = tessarine::test::runCli(arguments);
    if (output != nullptr) {
        *output = result.output;
    }
    return result.status;
}

using tessarine::test::readWav;
using tessarine::test::Wav;

TEST(RenderCommand, WritesAStereoFileOfTheNotesLength)
{
    struct Case {
        std::string arguments;
        int rate;
        long long frames;
        int subtype;
        bool sounds;
    };
    const Case cases[] = {
        {"--note 60 --length 1", 44100, 3 * 44100, SF_FORMAT_FLOAT, false},
        {"--note 60 --at 0 --length 0.5 --note 64 --at 1 --tail 0.25 --rate 48000 --block 17 --bits 16", 48000,
         static_cast<long long>(2.25 * 48000), SF_FORMAT_PCM_16, false},
        {"--note 60 --length 1 --tail 0 --bits 24 --set Volume=0.7 --set 47=0.6", 44100, 44100, SF_FORMAT_PCM_24, false},
        {"--note 60 --length 1 --tail 0 --voice A=" + tessarine::test::steadyVoiceFile() + " --voice d=" +
             tessarine::test::steadyVoiceFile(),
         44100, 44100, SF_FORMAT_FLOAT, true},
    };
    std::string out = testing::TempDir() + "/render.wav";
    for (const Case& c : cases) {
        std::string output;
        ASSERT_EQ(run("render --plugin " + tessarine::test::barePluginPath() + " " + c.arguments + " -o " + out, &output),
                  0)
            << output;
        Wav wav;
        ASSERT_TRUE(readWav(out, wav));
        EXPECT_EQ(wav.info.channels, 2);
        EXPECT_EQ(wav.info.samplerate, c.rate);
        EXPECT_EQ(wav.info.frames, c.frames) << c.arguments;
        EXPECT_EQ(wav.info.format & SF_FORMAT_SUBMASK, c.subtype);
        float peak = 0.0f;
        for (float sample : wav.samples) {
            ASSERT_TRUE(std::isfinite(sample));
            peak = std::max(peak, std::fabs(sample));
        }
        // Empty slots play nothing; a loaded voice sounds.
        EXPECT_EQ(peak > 0.01f, c.sounds) << c.arguments << ": peak " << peak;
    }
}

TEST(RenderCommand, RefusalsLeaveTheOldFileAlone)
{
    std::string out = testing::TempDir() + "/keep.wav";
    std::ofstream(out) << "precious";
    std::string badMidi = testing::TempDir() + "/bad.mid";
    std::ofstream(badMidi) << "MThd\x00\x00";
    const char* cases[] = {
        "--midi /no/such/file.mid",
        "--midi BAD",
        "--note 60 --set NoSuchParameter=1",
        "--note 60 --set Volume=loud",
        "--note 200",
        "--note 60 --voice E=x.t9v",
        "--note 60 --rate 0",
    };
    for (std::string arguments : cases) {
        if (auto at = arguments.find("BAD"); at != std::string::npos) {
            arguments.replace(at, 3, badMidi);
        }
        std::string output;
        EXPECT_NE(run("render " + arguments + " -o " + out, &output), 0) << arguments;
        EXPECT_EQ(output.find('\n'), output.size() - 1) << "one line: " << output;
        std::ifstream in(out);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(content, "precious") << arguments;
    }
}

// Every parameter has its own range; a value past it is refused, not played.
TEST(RenderCommand, SettingsOutsideTheirRangeAreRefused)
{
    struct Case {
        const char* setting;
        const char* says;
    };
    const Case cases[] = {
        {"VelocitySens=127", "VelocitySens holds at most 1"},
        {"17=-0.5", "17 holds at least 0"},
        {"ModSource1=127", "ModSource1 holds at most 126"},
        {"ModTarget2=54", "ModTarget2 holds at most 53"},
    };
    const std::string out = testing::TempDir() + "/range.wav";
    for (const Case& c : cases) {
        std::string output;
        EXPECT_NE(run(std::string("render --note 60 --set ") + c.setting + " -o " + out, &output), 0) << c.setting;
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
    }
    EXPECT_EQ(run("render --note 60 --length 0.1 --set ModSource1=126 --set ModTarget2=53 -o " + out), 0);
}

} // namespace

namespace {

// A format-0 file: a note at beat 0 held for two beats at 120 bpm (1 s).
TEST(RenderCommand, PlaysAMidiFile)
{
    const unsigned char smf[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                                 'M', 'T', 'r', 'k', 0, 0, 0, 13,
                                 0x00, 0x90, 60, 100, 0x87, 0x40, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    std::string midi = testing::TempDir() + "/phrase.mid";
    std::ofstream(midi, std::ios::binary).write(reinterpret_cast<const char*>(smf), sizeof(smf));
    std::string out = testing::TempDir() + "/phrase.wav";
    std::string output;
    ASSERT_EQ(run("render --midi " + midi + " --tail 0.5 -o " + out, &output), 0) << output;
    Wav wav;
    ASSERT_TRUE(readWav(out, wav));
    EXPECT_EQ(wav.info.frames, static_cast<sf_count_t>(1.5 * 44100));
}

} // namespace

namespace {

// An instrument built on the command line plays back exactly as it was set up.
TEST(RenderCommand, SavedInstrumentRendersTheSameAudio)
{
    const std::string voice = tessarine::test::steadyVoiceFile();
    const std::string instrument = testing::TempDir() + "/built.t9i";
    const std::string first = testing::TempDir() + "/built-first.wav";
    const std::string second = testing::TempDir() + "/built-second.wav";
    const std::string notes = " --note 57 --length 0.5 --note 64 --at 0.2 --tail 0.3 --seed 42 -o ";
    std::string output;
    ASSERT_EQ(run("render --voice A=" + voice + " --voice B=" + voice +
                      " --set MorphHarmX=0.5 --set Stretch=0.5 --set LoopSync1=1 --save-instrument " + instrument +
                      notes + first,
                  &output),
              0)
        << output;
    ASSERT_EQ(run("render --instrument " + instrument + notes + second, &output), 0) << output;
    Wav a, b;
    ASSERT_TRUE(readWav(first, a));
    ASSERT_TRUE(readWav(second, b));
    ASSERT_EQ(a.samples.size(), b.samples.size());
    float peak = 0.0f;
    for (std::size_t i = 0; i < a.samples.size(); ++i) {
        ASSERT_EQ(a.samples[i], b.samples[i]) << "sample " << i;
        peak = std::max(peak, std::fabs(a.samples[i]));
    }
    EXPECT_GT(peak, 0.01f);
    EXPECT_NE(run("render --instrument /no/such.t9i --note 60 -o " + second, &output), 0);
}

} // namespace
