// `tessarine analyse` end to end: sound files in, a voice file out that the
// plug-in's reader takes, with a multisample for each sound at its pitch.
// (How true the harmonics come back is the fidelity command's test.)

#include "sound/model/Voice.h"
#include "support/ReadBack.h"
#include "support/RunCommand.h"
#include "support/SoundFileHelpers.h"
#include "support/TestVoices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using tessarine::test::runCli;

const auto readVoiceFile = tessarine::test::loadVoice;

// A sawtooth written as a 16-bit WAV file of the name; its path.
std::string sawtoothFile(const std::string& name, double f0, int rate, double seconds)
{
    const std::string path = testsound::scratchPath(name);
    EXPECT_TRUE(testsound::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1,
                                      testsound::sawtooth(f0, rate, seconds)));
    return path;
}

TEST(AnalyseCommand, MultisamplesLayersAndRefusals)
{
    const std::string low = sawtoothFile("low_a_2x.wav", 110.0, 22050, 0.5);   // 110 Hz by its name
    const std::string high = sawtoothFile("high_a_3x.wav", 220.0, 22050, 0.5); // 220 Hz
    const std::string bad = testsound::scratchPath("not-a-sound.wav");
    const std::string out = testsound::scratchPath("multi.t9v");
    std::ofstream(bad) << "not a sound";

    // One sound without its pitch in its name: one layer at the pitch estimated, named after the file.
    const std::string saw = sawtoothFile("saw.wav", 220.0, 44100, 1.0);
    auto result = runCli("analyse " + saw + " -o " + out);
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("(estimate)"), std::string::npos) << result.output;
    auto voice = readVoiceFile(out);
    ASSERT_TRUE(voice) << "the voice reader refuses what analyse wrote";
    EXPECT_EQ(std::pair(std::string(voice->nameView()), voice->layerCount), std::pair(std::string("saw"), 1));
    EXPECT_NEAR(voice->layer(0, 1).harmonic.basePitch, 220.0f, 1.0f);

    // Several inputs: one multisample each, lowest first, whatever the order given.
    result = runCli("analyse " + high + " " + low + " -o " + out);
    ASSERT_EQ(result.status, 0) << result.output;
    voice = readVoiceFile(out);
    ASSERT_TRUE(voice);
    EXPECT_EQ(voice->multisampleCount, 2);
    EXPECT_FLOAT_EQ(voice->layer(0, 1).harmonic.basePitch, 110.0f);
    EXPECT_FLOAT_EQ(voice->layer(1, 1).harmonic.basePitch, 220.0f);

    // Into an existing voice: a third multisample on the soft layer makes it two-layer.
    const std::string into = testsound::scratchPath("into.t9v");
    result = runCli("analyse " + low + " --into " + out + " --multisample 2 --layer 0 --root-note 60 -o " + into);
    ASSERT_EQ(result.status, 0) << result.output;
    voice = readVoiceFile(into);
    ASSERT_TRUE(voice);
    EXPECT_EQ(std::pair(voice->multisampleCount, voice->layerCount), std::pair(3, 2));
    EXPECT_NEAR(voice->layer(2, 0).harmonic.basePitch, 261.63f, 0.01f);
    EXPECT_FLOAT_EQ(voice->layer(1, 1).harmonic.basePitch, 220.0f) << "other multisamples stay";

    // Refusals write nothing.
    const std::string none = testsound::scratchPath("none.t9v");
    result = runCli("analyse " + low + " " + bad + " -o " + none);
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.output.find(bad + ": Unsupported file format."), std::string::npos) << result.output;
    EXPECT_NE(runCli("analyse " + low + " " + high + " --multisample 1 -o " + none).status, 0);
    EXPECT_FALSE(std::filesystem::exists(none));
}

TEST(AnalyseCommand, JobsWriteTheVoiceOfASerialRun)
{
    // Lengths and pitches that finish out of order on several threads.
    const double pitches[] = {330.0, 110.0, 247.0, 165.0};
    const double seconds[] = {0.3, 1.2, 0.6, 0.9};
    std::string inputs;
    for (int i = 0; i < 4; ++i) {
        inputs += sawtoothFile("jobs" + std::to_string(i) + ".wav", pitches[i], 22050, seconds[i]) + " ";
    }
    // The summary lines without their timings.
    const auto summaries = [](const std::string& text) {
        std::string kept;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            const std::string line = text.substr(start, end - start);
            kept += line.substr(0, line.rfind(", ")) + "\n";
            start = end + 1;
        }
        return kept;
    };
    const std::string serial = testsound::scratchPath("jobs1.t9v");
    const auto one = runCli("analyse " + inputs + "--name jobs --jobs 1 -o " + serial, " 2>/dev/null");
    ASSERT_EQ(one.status, 0) << one.output;
    for (const char* jobs : {"2", "4"}) {
        const std::string parallel = testsound::scratchPath(std::string("jobs") + jobs + ".t9v");
        const auto many = runCli("analyse " + inputs + "--name jobs --jobs " + jobs + " -o " + parallel, " 2>/dev/null");
        ASSERT_EQ(many.status, 0) << many.output;
        EXPECT_EQ(summaries(many.output), summaries(one.output));
        EXPECT_TRUE(tessarine::test::readFile(parallel) == tessarine::test::readFile(serial)) << jobs << " jobs write another voice";
    }
}

} // namespace
