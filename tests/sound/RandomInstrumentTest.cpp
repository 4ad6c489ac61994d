// The random instrument: its distributions, the voice category it picks for
// an instrument category, and the category rules of its parameter draws,
// checked over thousands of draws.

#include "support/LibraryTree.h"

#include "params/ParameterTable.h"
#include "sound/library/RandomDraws.h"
#include "sound/library/RandomInstrument.h"
#include "sound/library/RandomParameters.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace tessarine;
using tessarine::test::RecordingTarget;

TEST(RandomDraws, UniformReachesBothEndsNormalHasUnitSpreadIndexStaysInside)
{
    RandomGenerator generator(12345);
    RandomDraws draw(generator);
    // Enough draws that every one of the 32768 raw values turns up in each loop.
    constexpr int kDraws = 400000;
    float uMin = 1.0f, uMax = 0.0f;
    for (int i = 0; i < kDraws; ++i) {
        const float u = draw.U();
        uMin = std::min(uMin, u);
        uMax = std::max(uMax, u);
        const int index = draw.index(3);
        ASSERT_TRUE(index >= 0 && index < 3) << "the top draw must stay inside the list";
    }
    EXPECT_EQ(uMin, 0.0f);
    EXPECT_EQ(uMax, 1.0f);
    double sum = 0.0, squares = 0.0;
    for (int i = 0; i < kDraws; ++i) {
        const double n = draw.normal();
        sum += n;
        squares += n * n;
    }
    EXPECT_NEAR(sum / kDraws, 0.0, 0.01);
    EXPECT_NEAR(squares / kDraws, 1.0, 0.01);
}

TEST(RandomInstrument, VoiceCategorySharesTheLongestBeginningOfMoreThanTwoCharacters)
{
    const std::vector<std::string> synths{"Basses", "Synth Leads", "Synth Pads", "Pianos"};
    struct Row {
        const char* instrumentCategory;
        std::vector<std::string> voiceCategories;
        int expected;
    };
    const Row rows[] = {
        {"Synth Leads Extra", synths, 1},
        {"Synth Pads", synths, 2},
        {"Synth", synths, 1}, // a tie: the first wins
        {"Pianos", synths, 3},
        {"Pia", synths, 3},
        {"Pi", synths, -1},
        {"pianos", synths, -1},
        {"", synths, -1},
        {"Basses", {}, -1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(matchingVoiceCategory(row.instrumentCategory, row.voiceCategories), row.expected)
            << row.instrumentCategory;
    }
    EXPECT_EQ(instrumentCategoryNumber("Voices"), kVoicesCategory);
    EXPECT_EQ(instrumentCategoryNumber("Synth Leads Extra"), kOtherCategory);
}

// How often each parameter was on (> 0.5), its largest value, and whether a
// rule held in every draw, over many random instruments of one category.
struct CategoryStatistics {
    std::map<int, double> onShare;
    std::map<int, float> largest;
    bool valuesInRange = true;
    bool glideAlwaysLoops = true;
    bool sharedPointWhenModeZero = true;
};

CategoryStatistics drawCategory(int category, int draws)
{
    RandomGenerator generator(static_cast<std::uint32_t>(category) * 7919u + 3u);
    RandomDraws draw(generator);
    CategoryStatistics stats;
    for (int i = 0; i < draws; ++i) {
        RecordingTarget target;
        randomiseMorph(draw, target);
        randomiseSound(draw, category, target);
        randomiseEffects(draw, category, target);
        auto& v = target.values;
        for (const auto& [index, value] : v) {
            stats.onShare[index] += value > 0.5f ? 1.0 / draws : 0.0;
            stats.largest[index] = std::max(stats.largest[index], value);
            stats.valuesInRange = stats.valuesInRange && value >= 0.0f && value <= 1.0f;
        }
        if (v[kPortamentoRate] > 0.0f && v[kGlobalLoopOn] != 1.0f) {
            stats.glideAlwaysLoops = false;
        }
        if (v[kMorphModeSelector] == 0.0f &&
            !(v[kMorphHarmX] == v[kMorphNoiseX] && v[kMorphHarmX] == v[kMorphAmpX] &&
              v[kMorphHarmY] == v[kMorphNoiseY] && v[kMorphHarmY] == v[kMorphAmpY])) {
            stats.sharedPointWhenModeZero = false;
        }
    }
    return stats;
}

TEST(RandomInstrument, CategoryRulesHoldOverManyDraws)
{
    constexpr int kDraws = 4000;
    for (int category = kOtherCategory; category <= kVoicesCategory; ++category) {
        SCOPED_TRACE(category);
        CategoryStatistics stats = drawCategory(category, kDraws);
        EXPECT_TRUE(stats.valuesInRange);
        EXPECT_TRUE(stats.glideAlwaysLoops);
        EXPECT_TRUE(stats.sharedPointWhenModeZero);
        EXPECT_EQ(stats.largest[kFormantFilterOn], 0.0f);
        EXPECT_EQ(stats.largest[kEnvelopeMorphOn], 0.0f);
        EXPECT_NEAR(stats.onShare[kMorphModeSelector], 0.4, 0.03) << "separate pad points";

        const bool neverGlides = category == kChromatics || category == kOrgans || category == kPianos ||
                                 category == kSynthPads;
        if (neverGlides) {
            EXPECT_EQ(stats.largest[kPortamentoRate], 0.0f);
        } else {
            EXPECT_GT(stats.largest[kPortamentoRate], 0.3f);
        }
        const bool instantAttack = (category >= kBasses && category <= kPianos) || category == kSynthLeads;
        if (instantAttack) {
            EXPECT_EQ(stats.largest[kAttack], 0.0f);
        }
        // Effects: three times as likely for synths and unknown sounds, a tenth of that for basses.
        const double k = (category == kOtherCategory || category == kSynthLeads || category == kSynthPads) ? 3.0
                         : category == kBasses                                                          ? 0.3
                                                                                                        : 1.0;
        EXPECT_NEAR(stats.onShare[kFilterOn], 0.1 * k, 0.03);
        EXPECT_NEAR(stats.onShare[kChorusOn], 0.1 * k, 0.03);
        EXPECT_NEAR(stats.onShare[kDelayOn], 0.15 * k, 0.03);
        EXPECT_NEAR(stats.onShare[kReverbOn], std::min(0.3 * k, 1.0), 0.03);
        const bool distorted = category == kBasses || category == kGuitars || category == kSynthLeads;
        EXPECT_NEAR(stats.onShare[kDistortionOn], distorted ? 0.4 : 0.1, 0.03);
        const bool vibrato = category == kOrgans || category == kSynthLeads;
        EXPECT_NEAR(stats.onShare[kLfoOn], vibrato ? 0.4 : 0.15, 0.03);
    }

    EXPECT_EQ(drawCategory(kPianos, kDraws).largest[kGlobalLoopOn], 0.0f);
    EXPECT_GT(drawCategory(kSynthPads, kDraws).largest[kAttack], 0.99f) << "pads may swell in slowly";
    EXPECT_NEAR(drawCategory(kStrings, kDraws).onShare[kGlobalLoopOn], 0.4 + 0.6 * 0.1, 0.03) << "loops or glides";
    EXPECT_NEAR(drawCategory(kGuitars, kDraws).onShare[kGlobalLoopOn], 0.2 + 0.8 * 0.1, 0.03) << "loops or glides";
}

TEST(RandomInstrument, SlotsTakeMostVoicesFromTheMatchingCategory)
{
    const std::string root = tessarine::test::freshFolder("random-voices");
    const LibraryFolders folders = LibraryFolders::at(root);
    for (const char* voice : {"Synth Leads/Lead1.t9v", "Synth Leads/Lead2.t9v", "Synth Pads/Pad1.t9v",
                              "Basses/Bass1.t9v", "Basses/notes.txt"}) {
        tessarine::test::touchFile(folders.voices + "/" + voice);
    }
    std::filesystem::create_directories(folders.voices + "/Empty");

    RandomGenerator generator(99);
    int fromLeads = 0;
    int loads = 0;
    constexpr int kInstruments = 500;
    for (int i = 0; i < kInstruments; ++i) {
        RecordingTarget target;
        randomInstrument("Synth Leads Extra", folders, generator, target);
        EXPECT_GT(target.writes, 40) << "the parameters are drawn whatever the voices";
        for (std::size_t v = 0; v < target.voices.size(); ++v) {
            const std::string& load = target.voices[v];
            ++loads;
            fromLeads += load.find("/Synth Leads/") != std::string::npos ? 1 : 0;
        }
    }
    // Four slots; a slot whose stray pick lands on the empty category keeps its voice.
    EXPECT_GT(loads, kInstruments * 4 * 95 / 100);
    // Nine slots in ten match; a stray pick is any of the four categories, the matching one included.
    EXPECT_NEAR(static_cast<double>(fromLeads) / loads, (0.9 + 0.1 / 4) / (0.9 + 0.1 * 3 / 4), 0.03);

    // Without voices the slots stay as they are, and the values are still drawn.
    RecordingTarget target;
    randomInstrument("Pianos", LibraryFolders::at(root + "/nowhere"), generator, target);
    EXPECT_TRUE(target.voices.empty());
    EXPECT_EQ(target.values.count(kFormantFilterOn), 1u);
    EXPECT_EQ(target.values[kAttack], 0.0f);
}

} // namespace
