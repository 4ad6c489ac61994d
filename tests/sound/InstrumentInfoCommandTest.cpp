// `tessarine instrument-info` on a real file: the summary, its JSON form, and
// the one-line refusal of files it cannot read.

#include "RunCommand.h"
#include "TestVoices.h"

#include "sound/InstrumentFile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace tessarine;
using namespace tessarine::test;

std::string savedInstrument(const std::string& file)
{
    auto instrument = std::make_unique<Instrument>();
    const auto& table = parameterTable();
    for (int i = 0; i < kParameterCount; ++i) {
        instrument->parameterValues[static_cast<std::size_t>(i)] = table[static_cast<std::size_t>(i)].start;
    }
    instrument->parameterValues[kVelocitySens] = 0.75f;
    fillRandomVoice(instrument->voices[2], 8, 2, 1, 5);
    instrument->voices[2].cutoff = 0.5f; // shows as a changed Unused3
    prepareVoice(instrument->voices[2]);
    instrument->morphPathCurves[kNoiseMorphY].insertPoint(0.5f, 0.5f);
    RecordStream stream;
    std::string path = tempPath(file);
    EXPECT_TRUE(saveInstrumentFile(path, *instrument, stream));
    return path;
}

TEST(InstrumentInfoCommand, SummarisesAnInstrumentFile)
{
    std::string path = savedInstrument("Night Choir.t9i");
    CommandResult text = runCli("instrument-info '" + path + "'");
    ASSERT_EQ(text.status, 0) << text.output;
    for (const char* expected : {"Name:          Night Choir", "Version:       0x10005", " 17 VelocitySens",
                                 "0.7500  \"75\"", " 27 Unused3", "Slot C:\n  Name:          random 8",
                                 "  Multisamples:  2", "Noise morph Y        1 points", "Spectral shape       2 points"}) {
        EXPECT_NE(text.output.find(expected), std::string::npos) << expected << "\n" << text.output;
    }
    EXPECT_EQ(text.output.find(" 18 ChorusMix"), std::string::npos) << "start values are not listed";

    CommandResult json = runCli("instrument-info --json '" + path + "'", " 2>/dev/null");
    ASSERT_EQ(json.status, 0);
    for (const char* expected : {"\"index\":17", "\"display\":\"75\"", "\"slot\":\"C\"", "\"noiseMorphY\":1"}) {
        EXPECT_NE(json.output.find(expected), std::string::npos) << expected << "\n" << json.output;
    }
    EXPECT_EQ(runCli("instrument-info --help").status, 0);
}

TEST(InstrumentInfoCommand, RefusesUnreadableFilesInOneLine)
{
    std::vector<std::byte> bytes = readFile(savedInstrument("whole.t9i"));
    std::string cut = tempPath("cut.t9i");
    writeFile(cut, std::vector<std::byte>(bytes.begin(), bytes.begin() + 900));
    // The parameter count follows the version and "whole\0".
    std::vector<std::byte> badCount = bytes;
    badCount[13] = std::byte{0x80};
    std::string bad = tempPath("bad.t9i");
    writeFile(bad, badCount);

    const std::pair<std::string, std::string> cases[] = {
        {cut, "truncated at byte 900"},
        {bad, "bad count: parameter count -2147483475 at byte 10"},
    };
    for (const auto& [path, reason] : cases) {
        CommandResult result = runCli("instrument-info '" + path + "'");
        EXPECT_NE(result.status, 0) << path;
        EXPECT_NE(result.output.find(reason), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find('\n'), result.output.size() - 1) << "one line only: " << result.output;
    }
}

} // namespace
