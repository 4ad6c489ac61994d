// `tessarine voice-info` on a real file: the summary, its JSON form, and the
// one-line refusal of files it cannot read.

#include "RunCommand.h"
#include "TestVoices.h"

#include "sound/VoiceFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace tessarine;
using namespace tessarine::test;

TEST(VoiceInfoCommand, SummarisesAVoiceFile)
{
    auto voice = std::make_unique<Voice>();
    fillRandomVoice(*voice, 4, 2, 1, 6);
    voice->loopOn = true;
    RecordStream stream;
    std::string path = tempPath("Glass Bell.t9v");
    ASSERT_TRUE(saveVoiceFile(path, *voice, stream));

    CommandResult text = runCli("voice-info '" + path + "'");
    ASSERT_EQ(text.status, 0) << text.output;
    char pitch[32];
    std::snprintf(pitch, sizeof(pitch), "%.2f Hz", static_cast<double>(voice->layer(1, 1).harmonic.basePitch));
    for (const std::string& expected : std::initializer_list<std::string>{"Name:          Glass Bell", "Version:       0x10003", "Loop:          on",
                                       "Multisamples:  2", "Layers:        1", "Multisample 2 layer 1: base pitch",
                                       std::string(pitch), "6 harmonic frames", "4 noise frames"}) {
        EXPECT_NE(text.output.find(expected), std::string::npos) << expected << "\n" << text.output;
    }

    CommandResult json = runCli("voice-info --json '" + path + "'", " 2>/dev/null");
    ASSERT_EQ(json.status, 0);
    for (const char* expected : {"\"name\":", "\"Glass Bell\"", "\"version\":65539", "\"layers\":[",
                                 "\"harmonicFrames\":6", "\"noiseFrames\":4"}) {
        EXPECT_NE(json.output.find(expected), std::string::npos) << expected << "\n" << json.output;
    }

    EXPECT_EQ(runCli("voice-info --help").status, 0);
}

// A name from a file may hold anything: on a terminal it must show as text,
// never act as an escape sequence.
TEST(VoiceInfoCommand, NamesAreEscapedAsInJson)
{
    auto voice = std::make_unique<Voice>();
    fillRandomVoice(*voice, 5, 1, 1, 2);
    voice->setName("Red\x1b[2J\x07\\\xe9");
    const std::string path = tempPath("escapes.t9v");
    writeFile(path, voiceBytes(*voice));
    CommandResult text = runCli("voice-info '" + path + "'");
    ASSERT_EQ(text.status, 0) << text.output;
    EXPECT_NE(text.output.find("Name:          Red\\u001b[2J\\u0007\\\\\\u00e9\n"), std::string::npos) << text.output;
    EXPECT_EQ(text.output.find('\x1b'), std::string::npos);
    EXPECT_EQ(text.output.find('\x07'), std::string::npos);
}

TEST(VoiceInfoCommand, RefusesUnreadableFilesInOneLine)
{
    auto voice = std::make_unique<Voice>();
    fillRandomVoice(*voice, 4, 1, 2, 3);
    std::vector<std::byte> bytes = voiceBytes(*voice);
    std::string cut = tempPath("cut.t9v");
    writeFile(cut, std::vector<std::byte>(bytes.begin(), bytes.begin() + 700));
    std::string empty = tempPath("nothing.t9v");
    writeFile(empty, {});
    // The multisample count follows version, "random 4\0", loopOn, loopStart and loopEnd.
    std::vector<std::byte> badCount = bytes;
    badCount[25] = std::byte{9};
    std::string bad = tempPath("bad.t9v");
    writeFile(bad, badCount);

    const std::pair<std::string, std::string> cases[] = {
        {cut, "truncated at byte 700"},
        {empty, "empty"},
        {tempPath("absent.t9v"), "cannot open"},
        {bad, "bad count: multisample count 9 at byte 25"},
    };
    for (const auto& [path, reason] : cases) {
        CommandResult result = runCli("voice-info '" + path + "'");
        EXPECT_NE(result.status, 0) << path;
        EXPECT_NE(result.output.find(reason), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find('\n'), result.output.size() - 1) << "one line only: " << result.output;
    }
}

} // namespace
