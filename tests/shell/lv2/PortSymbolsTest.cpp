// Port symbols are what hosts store port values under in every saved project
// and preset: they must be valid, unique, and never change.

#include "shell/lv2/PortSymbols.h"

#include <gtest/gtest.h>

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

} // namespace
