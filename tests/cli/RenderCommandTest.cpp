// `tessarine render` end to end: the WAV it writes, and an instrument it saves.

#include "support/EngineTestVoice.h"

#include "support/BarePlugin.h"
#include "support/RunCommand.h"
#include "support/WavFile.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace {

using tessarine::test::runCli;
using tessarine::test::readWav;
using tessarine::test::Wav;

TEST(RenderCommand, WritesAStereoFileOfTheNotesLength)
{
    // A format-0 file: a note at beat 0 held for two beats at 120 bpm (1 s).
    const unsigned char smf[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                                 'M', 'T', 'r', 'k', 0, 0, 0, 13,
                                 0x00, 0x90, 60, 100, 0x87, 0x40, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    const std::string midi = testing::TempDir() + "/phrase.mid";
    std::ofstream(midi, std::ios::binary).write(reinterpret_cast<const char*>(smf), sizeof(smf));
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
        // The last values of their ranges are taken.
        {"--note 60 --length 1 --tail 0 --bits 24 --set Volume=0.7 --set 47=0.6 --set ModSource1=126"
         " --set ModTarget2=53",
         44100, 44100, SF_FORMAT_PCM_24, false},
        {"--note 60 --length 1 --tail 0 --voice A=" + tessarine::test::steadyVoiceFile() + " --voice d=" +
             tessarine::test::steadyVoiceFile(),
         44100, 44100, SF_FORMAT_FLOAT, true},
        {"--midi " + midi + " --tail 0.5", 44100, static_cast<long long>(1.5 * 44100), SF_FORMAT_FLOAT, false},
    };
    std::string out = testing::TempDir() + "/render.wav";
    for (const Case& c : cases) {
        const auto result =
            runCli("render --plugin " + tessarine::test::barePluginPath() + " " + c.arguments + " -o " + out);
        ASSERT_EQ(result.status, 0) << result.output;
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

// An instrument built on the command line plays back exactly as it was set up.
TEST(RenderCommand, SavedInstrumentRendersTheSameAudio)
{
    const std::string voice = tessarine::test::steadyVoiceFile();
    const std::string instrument = testing::TempDir() + "/built.t9i";
    const std::string first = testing::TempDir() + "/built-first.wav";
    const std::string second = testing::TempDir() + "/built-second.wav";
    const std::string notes = " --note 57 --length 0.5 --note 64 --at 0.2 --tail 0.3 --seed 42 -o ";
    auto result = runCli("render --voice A=" + voice + " --voice B=" + voice +
                         " --set MorphHarmX=0.5 --set Stretch=0.5 --set LoopSync1=1 --save-instrument " + instrument +
                         notes + first);
    ASSERT_EQ(result.status, 0) << result.output;
    result = runCli("render --instrument " + instrument + notes + second);
    ASSERT_EQ(result.status, 0) << result.output;
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
}

} // namespace
