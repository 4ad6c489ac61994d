// Port symbols are what hosts store port values under in every saved project
// and preset: they must be valid, unique, and never change.

#include "shell/lv2/PortSymbols.h"
#include "shell/lv2/TtlText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace {

using namespace tessarine;

TEST(PortSymbols, AreValidUniqueAndPinned)
{
    const auto symbols = lv2::portSymbols();
    std::set<std::string> seen;
    for (const auto& symbol : symbols) {
        EXPECT_TRUE(lv2::validSymbol(symbol)) << symbol;
        EXPECT_TRUE(seen.insert(symbol).second) << symbol << " repeats";
    }
    // Shipped symbols: a change here breaks every project that stored the port.
    const std::pair<int, const char*> pinned[] = {
        {kMasterDetune, "MasterDetune"}, {kVolume, "Volume"},          {kFilterCutoff, "FilterCutoff"},
        {kModSource1, "ModSource1"},     {kModTarget1 + 9, "ModTarget10"}, {kSustainOn, "Sustain_On"},
        {kFilterSaturation, "param_162"}, {kParameterCount - 1, "param_172"},
    };
    for (const auto& [index, symbol] : pinned) {
        EXPECT_EQ(symbols[static_cast<std::size_t>(index)], symbol) << index;
    }
}

// Turtle reads every written value back as the same float, and every text
// back as the same text.
TEST(TtlText, ReadsBackExactly)
{
    for (float value : {0.0f, 1.0f, 0.5f, 0.02f, 0.03f, 126.0f, 1e-7f, 0.123456789f}) {
        const std::string text = lv2::ttlFloat(value);
        EXPECT_EQ(text.find('e'), std::string::npos) << text;
        EXPECT_NE(text.find('.'), std::string::npos) << text;
        EXPECT_EQ(std::strtof(text.c_str(), nullptr), value) << text;
    }
    EXPECT_EQ(lv2::ttlString("Damper (Sustain)"), "\"Damper (Sustain)\"");
    EXPECT_EQ(lv2::ttlString("a\"b\\c\nd"), "\"a\\\"b\\\\c\\nd\"");
}

} // namespace
