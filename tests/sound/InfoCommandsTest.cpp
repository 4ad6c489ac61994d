// `tessarine voice-info` and `tessarine instrument-info` on real files: the
// summary, its JSON form, names shown as text, and the one-line refusal of
// files they cannot read.

#include "support/RunCommand.h"
#include "support/TestVoices.h"

#include "sound/files/InstrumentFile.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace tessarine;
using namespace tessarine::test;

std::string savedInstrument(const std::string& file)
{
    auto instrument = std::make_unique<Instrument>();
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        instrument->parameterValues[i] = parameterTable()[i].start;
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

TEST(InfoCommands, SummariseVoiceAndInstrumentFiles)
{
    auto voice = std::make_unique<Voice>();
    fillRandomVoice(*voice, 4, 2, 1, 6);
    voice->loopOn = true;
    RecordStream stream;
    const std::string bell = tempPath("Glass Bell.t9v");
    ASSERT_TRUE(saveVoiceFile(bell, *voice, stream));
    char pitch[32];
    std::snprintf(pitch, sizeof(pitch), "%.2f Hz", static_cast<double>(voice->layer(1, 1).harmonic.basePitch));
    // A name from a file may hold anything: on a terminal it must show as text,
    // never act as an escape sequence.
    auto odd = std::make_unique<Voice>();
    fillRandomVoice(*odd, 5, 1, 1, 2);
    odd->setName("Red\x1b[2J\x07\\\xe9");
    const std::string escapes = tempPath("escapes.t9v");
    writeFile(escapes, voiceBytes(*odd));
    const std::string choir = savedInstrument("Night Choir.t9i");

    struct Case { std::string arguments; const char* streams; std::vector<std::string> shown, notShown; };
    const Case cases[] = {
        {"voice-info '" + bell + "'", " 2>&1",
         {"Name:          Glass Bell", "Version:       0x10004", "Loop:          on", "Multisamples:  2",
          "Layers:        1", "Multisample 2 layer 1: base pitch", pitch, "6 harmonic frames", "4 noise frames"},
         {}},
        {"voice-info --json '" + bell + "'", " 2>/dev/null",
         {"\"name\":", "\"Glass Bell\"", "\"version\":65540", "\"layers\":[", "\"harmonicFrames\":6",
          "\"noiseFrames\":4"},
         {}},
        {"voice-info '" + escapes + "'", " 2>&1", {"Name:          Red\\u001b[2J\\u0007\\\\\\u00e9\n"}, {"\x1b", "\x07"}},
        {"instrument-info '" + choir + "'", " 2>&1",
         {"Name:          Night Choir", "Version:       0x10006", " 17 VelocitySens", "0.7500  \"75\"", " 27 Unused3",
          "Slot C:\n  Name:          random 8", "  Multisamples:  2", "Noise morph Y        1 points",
          "Spectral shape       2 points"},
         {" 18 ChorusMix"}}, // start values are not listed
        {"instrument-info --json '" + choir + "'", " 2>/dev/null",
         {"\"index\":17", "\"display\":\"75\"", "\"slot\":\"C\"", "\"noiseMorphY\":1"},
         {}},
        {"voice-info --help", " 2>&1", {}, {}},
        {"instrument-info --help", " 2>&1", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CommandResult result = runCli(c.arguments, c.streams);
        ASSERT_EQ(result.status, 0) << result.output;
        for (const std::string& text : c.shown) {
            EXPECT_NE(result.output.find(text), std::string::npos) << text << "\n" << result.output;
        }
        for (const std::string& text : c.notShown) {
            EXPECT_EQ(result.output.find(text), std::string::npos) << text << "\n" << result.output;
        }
    }
}

TEST(InfoCommands, RefuseUnreadableFilesInOneLine)
{
    auto voice = std::make_unique<Voice>();
    fillRandomVoice(*voice, 4, 1, 2, 3);
    const std::vector<std::byte> voiceRecord = voiceBytes(*voice);
    const std::vector<std::byte> instrumentRecord = readFile(savedInstrument("whole.t9i"));
    const auto saved = [](const char* name, const std::vector<std::byte>& bytes) {
        writeFile(tempPath(name), bytes);
        return " '" + tempPath(name) + "'";
    };
    const auto cut = [](std::vector<std::byte> bytes, std::size_t length) { return (bytes.resize(length), bytes); };
    const auto patched = [](std::vector<std::byte> bytes, std::size_t at, std::byte value) { return (bytes[at] = value, bytes); };
    // The multisample count follows version, "random 4\0", loopOn, loopStart and
    // loopEnd; the parameter count follows the version and "whole\0".
    const std::pair<std::string, std::string> cases[] = {
        {"voice-info" + saved("cut.t9v", cut(voiceRecord, 700)), "truncated at byte 700"},
        {"voice-info" + saved("nothing.t9v", {}), "empty"},
        {"voice-info '" + tempPath("absent.t9v") + "'", "cannot open"},
        {"voice-info" + saved("bad.t9v", patched(voiceRecord, 25, std::byte{9})),
         "bad count: multisample count 9 at byte 25"},
        {"instrument-info" + saved("cut.t9i", cut(instrumentRecord, 900)), "truncated at byte 900"},
        {"instrument-info" + saved("bad.t9i", patched(instrumentRecord, 13, std::byte{0x80})),
         "bad count: parameter count -2147483475 at byte 10"},
    };
    for (const auto& [arguments, reason] : cases) {
        const CommandResult result = runCli(arguments);
        EXPECT_NE(result.status, 0) << arguments;
        EXPECT_NE(result.output.find(reason), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find('\n'), result.output.size() - 1) << "one line only: " << result.output;
    }
}

} // namespace
