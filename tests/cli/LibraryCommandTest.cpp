// `tessarine library` and `tessarine random-instrument` on a small library tree.

#include "support/RunCommand.h"
#include "support/LibraryTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace tessarine::test;

std::string makeLibrary(const std::string& name)
{
    const std::string root = freshFolder(name);
    const std::string data = root + "/TessarineData";
    writeLibraryInstrument(data + "/Instruments-Factory/Keys/Second.t9i", 0.5f);
    writeLibraryInstrument(data + "/Instruments-Factory/Keys/First.t9i", 0.5f);
    writeLibraryVoice(data + "/Voices/Pianos/Grand.t9v", 3);
    writeLibraryVoice(data + "/Voices/Pianos/Upright.T9V", 4);
    touchFile(data + "/Presets-Harmonics/Saw.t9h");
    return root;
}

TEST(LibraryCommand, PrintsTheMenusInMenuOrder)
{
    const std::string root = makeLibrary("cli-library");
    auto result = runCli("library --root '" + root + "'", " 2>/dev/null");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "Library: " + root + "\nReset instrument: " + root +
                                 "/Reset.t9i (missing)\n"
                                 "\nInstruments\n  Keys\n    First\n    Second\n"
                                 "\nVoices\n  Pianos\n    Grand\n    Upright\n"
                                 "\nHarmonic presets\n  Saw\n"
                                 "\nNoise presets\n  (empty)\n");

    result = runCli("library --json --root '" + root + "'", " 2>/dev/null");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.output.find(R"("instrumentCategories":[{"name":"Keys","instruments":["First","Second"]}])"),
              std::string::npos)
        << result.output;

    result = runCli("library --root '" + root + "/nowhere'");
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(result.output, "tessarine: no library folder at '" + root + "/nowhere'\n");
}

TEST(LibraryCommand, RandomInstrumentIsRepeatableAndTakesItsCategorysVoices)
{
    const std::string root = makeLibrary("cli-random");
    const std::string first = freshFolder("cli-random-1") + "/Random.t9i";
    const std::string second = freshFolder("cli-random-2") + "/Random.t9i";
    for (const std::string& out : {first, second}) {
        auto result = runCli("random-instrument --category Pianos --seed 1 --root '" + root + "' -o '" + out + "'",
                             " 2>&1");
        ASSERT_EQ(result.status, 0) << result.output;
        EXPECT_NE(result.output.find("Category: Pianos (6)\nVoice category: Pianos\n"), std::string::npos)
            << result.output;
    }
    EXPECT_EQ(readFile(first), readFile(second));

    auto instrument = std::make_unique<tessarine::Instrument>();
    auto stream = std::make_unique<tessarine::RecordStream>();
    ASSERT_TRUE(tessarine::loadInstrumentFile(first, *instrument, *stream));
    for (const auto& voice : instrument->voices) {
        EXPECT_TRUE(voice.nameView() == "Grand" || voice.nameView() == "Upright") << voice.nameView();
    }

    auto refused = runCli("random-instrument --category Pianos --root '" + root + "/nowhere' -o '" + first + "'");
    EXPECT_NE(refused.status, 0);
    EXPECT_EQ(refused.output, "tessarine: no library folder at '" + root + "/nowhere'\n");
}

} // namespace
