// The library's folders as the menus show them: which names are listed, in
// which order, within which limits, and the file a menu choice opens; what the
// library loads at start-up, and after a rescan. And the random instrument:
// its distributions, the voice category it picks for an instrument category,
// and the category rules of its parameter draws, checked over thousands of draws.

#include "support/LibraryTree.h"

#include "params/ParameterTable.h"
#include "sound/library/LibraryListing.h"
#include "sound/library/LibraryMenu.h"
#include "sound/library/RandomDraws.h"
#include "sound/library/RandomInstrument.h"
#include "sound/library/RandomParameters.h"
#include "sound/library/SoundLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace tessarine;
using tessarine::test::freshFolder;
using tessarine::test::RecordingTarget;
using tessarine::test::touchFile;

std::vector<std::string> namesOf(const std::vector<LibraryFile>& files)
{
    std::vector<std::string> names;
    for (const auto& file : files) {
        names.push_back(file.name);
    }
    return names;
}

std::vector<std::string> submenuNames(const LibraryMenu& menu, int k) { return namesOf(menu.submenus[static_cast<std::size_t>(k)]); }

TEST(LibraryListing, ListsByExtensionAfterTheFirstFullStopInCaseInsensitiveOrder)
{
    const std::string folder = freshFolder("listing-files");
    for (const char* name : {"Pad.T9V", "Pad.old.t9v", "bell.t9v", "Bell.t9v", "bass.t9v", "b.t9v", ".t9v",
                             ".Hidden.t9v", "Notes.txt", "Strings.t9vx", "Choir.t9V"}) {
        touchFile(folder + "/" + name);
    }
    std::filesystem::create_directories(folder + "/Folder.t9v"); // a folder is never a voice

    std::vector<LibraryFile> files;
    EXPECT_EQ(listFiles(folder, "t9v", files), 6);
    EXPECT_EQ(namesOf(files), (std::vector<std::string>{"b", "bass", "Bell", "bell", "Choir", "Pad"}));
    EXPECT_EQ(files.back().fileName, "Pad.T9V") << "the name on disk keeps its own spelling";

    EXPECT_EQ(listFiles(folder + "/missing", "t9v", files), 0);
    EXPECT_TRUE(files.empty());
}

TEST(LibraryListing, SubfoldersSkipDotFoldersAndFilesAndKeepTheirLimits)
{
    const std::string folder = freshFolder("listing-folders");
    for (const char* name : {"Synth Pads", "basses", "Basses", ".cache", "Apple", "apple"}) {
        std::filesystem::create_directories(folder + "/" + name);
    }
    touchFile(folder + "/Loose.t9v");
    std::vector<std::string> names;
    EXPECT_EQ(listSubfolders(folder, names), 5);
    EXPECT_EQ(names, (std::vector<std::string>{"Apple", "apple", "Basses", "basses", "Synth Pads"}));

    // Beyond the room of the lists, the last names in menu order are left out.
    const std::string many = freshFolder("listing-limits");
    for (int i = 0; i < 130; ++i) {
        const std::string number = std::to_string(1000 + i).substr(1);
        touchFile(many + "/V" + number + ".t9v");
        if (i < 70) {
            std::filesystem::create_directories(many + "/F" + number);
        }
    }
    EXPECT_EQ(listSubfolders(many, names), kMaxLibraryFolders);
    EXPECT_EQ(names.back(), "F063");
    std::vector<LibraryFile> files;
    EXPECT_EQ(listFiles(many, "t9v", files), kMaxLibraryFiles);
    EXPECT_EQ(files.back().name, "V127");
}

// A choice names the file on disk and becomes the menu's title.
TEST(LibraryMenu, SubfoldersMakeSubmenusAndHideLooseFilesWhileFlatFoldersListTheirFiles)
{
    const std::string root = freshFolder("menu-tree");
    const std::string voices = root + "/Voices";
    touchFile(voices + "/Pianos/Grand.t9v");
    touchFile(voices + "/Pianos/Upright.T9V");
    touchFile(voices + "/Basses/Finger.t9v");
    touchFile(voices + "/.trash/Old.t9v");
    touchFile(voices + "/Loose.t9v");
    std::filesystem::create_directories(voices + "/Empty");
    const std::string noise = root + "/Noise";
    touchFile(noise + "/Breath.t9n");
    touchFile(noise + "/air.T9N");
    touchFile(noise + "/Breath.t9h");

    LibraryMenu menu;
    buildLibraryMenu(voices, "t9v", menu);
    ASSERT_TRUE(menu.hasSubmenus());
    EXPECT_EQ(namesOf(menu.rootEntries), (std::vector<std::string>{"Basses", "Empty", "Pianos"}));
    EXPECT_EQ(submenuNames(menu, 0), std::vector<std::string>{"Finger"});
    EXPECT_TRUE(submenuNames(menu, 1).empty());
    EXPECT_EQ(submenuNames(menu, 2), (std::vector<std::string>{"Grand", "Upright"}));
    EXPECT_EQ(menu.title, " ");

    LibraryMenu presets;
    buildLibraryMenu(noise, "t9n", presets);
    EXPECT_FALSE(presets.hasSubmenus());
    EXPECT_EQ(namesOf(presets.rootEntries), (std::vector<std::string>{"air", "Breath"}));

    LibraryMenu missing;
    buildLibraryMenu(root + "/None", "t9h", missing);
    EXPECT_TRUE(missing.rootEntries.empty());
    EXPECT_FALSE(missing.hasSubmenus());

    struct Row { LibraryMenu* menu; LibraryMenuChoice choice; bool ok; std::string path, title; }; // title: shown after
    const Row rows[] = {
        {&menu, {2, 1}, true, voices + "/Pianos/Upright.T9V", "Upright"},
        {&menu, {2, 0}, true, voices + "/Pianos/Grand.t9v", "Grand"},
        {&menu, {2, -1}, false, "", "Grand"}, // the category entry itself opens nothing
        {&menu, {2, 2}, false, "", "Grand"},
        {&menu, {1, 0}, false, "", "Grand"}, // the empty category
        {&menu, {3, 0}, false, "", "Grand"},
        {&presets, {0, -1}, true, noise + "/air.T9N", "air"},
        {&presets, {0, 0}, false, "", "air"},
        {&presets, {-1, -1}, false, "", "air"},
    };
    for (const Row& row : rows) {
        std::string path = "unchanged";
        EXPECT_EQ(pathOfMenuChoice(*row.menu, row.choice, path), row.ok)
            << row.choice.rootEntry << "/" << row.choice.entry;
        EXPECT_EQ(path, row.ok ? row.path : "unchanged");
        EXPECT_EQ(row.menu->title, row.title);
        if (row.ok) {
            EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
        }
    }
}

TEST(SoundLibrary, StartUpLoadsTheFirstInstrumentOfTheFirstCategoryOrNothing)
{
    // Files below Instruments-Factory, and the one loaded (none when empty).
    struct Row { const char* name; std::vector<std::string> files; std::string expected; };
    const Row rows[] = {
        {"no-library", {}, ""},
        {"no-categories", {"Loose.t9i", ".hidden/Secret.t9i"}, ""},
        {"empty-first-category", {"Aaa/readme.txt", "Bass/Sub.t9i"}, ""},
        {"sorted", {"strings/Violin.t9i", "Pianos/upright.t9i", "Pianos/Grand.T9I", "Synth Leads/Buzz.t9i"},
         "Pianos/Grand.T9I"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string root = freshFolder(std::string("start-") + row.name);
        for (const std::string& file : row.files) {
            touchFile(root + "/TessarineData/Instruments-Factory/" + file);
        }
        SoundLibrary library;
        library.setRoot(root);
        RecordingTarget target;
        EXPECT_EQ(library.loadStartInstrument(target), !row.expected.empty());
        const std::vector<std::string> loaded{root + "/TessarineData/Instruments-Factory/" + row.expected};
        EXPECT_EQ(target.instruments, row.expected.empty() ? std::vector<std::string>{} : loaded);
    }
}

TEST(SoundLibrary, ARescanKeepsTheChosenInstrumentByName)
{
    const std::string root = freshFolder("library-rescan");
    const std::string pads = root + "/TessarineData/Instruments-Factory/Pads";
    touchFile(pads + "/Warm.t9i");
    SoundLibrary library;
    library.setRoot(root);
    RecordingTarget target;
    ASSERT_TRUE(library.loadListedInstrument("Pads", "Warm", target));

    touchFile(pads + "/Airy.t9i"); // now first in the menu
    EXPECT_TRUE(library.rescanInstruments(true, true, target));
    EXPECT_EQ(target.instruments.back(), pads + "/Warm.t9i");
    std::filesystem::remove(pads + "/Warm.t9i");
    EXPECT_TRUE(library.rescanInstruments(true, true, target));
    EXPECT_EQ(target.instruments.back(), pads + "/Airy.t9i");
}

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
    struct Row { const char* instrumentCategory; std::vector<std::string> voiceCategories; int expected; };
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
        stats.glideAlwaysLoops = stats.glideAlwaysLoops && (v[kPortamentoRate] == 0.0f || v[kGlobalLoopOn] == 1.0f);
        stats.sharedPointWhenModeZero = stats.sharedPointWhenModeZero &&
            (v[kMorphModeSelector] != 0.0f || (v[kMorphHarmX] == v[kMorphNoiseX] && v[kMorphHarmX] == v[kMorphAmpX] &&
                                               v[kMorphHarmY] == v[kMorphNoiseY] && v[kMorphHarmY] == v[kMorphAmpY]));
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
        const float glide = stats.largest[kPortamentoRate];
        EXPECT_TRUE(neverGlides ? glide == 0.0f : glide > 0.3f) << glide;
        if ((category >= kBasses && category <= kPianos) || category == kSynthLeads) {
            EXPECT_EQ(stats.largest[kAttack], 0.0f) << "an instant attack";
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
    const std::string root = freshFolder("random-voices");
    const LibraryFolders folders = LibraryFolders::at(root);
    for (const char* voice : {"Synth Leads/Lead1.t9v", "Synth Leads/Lead2.t9v", "Synth Pads/Pad1.t9v",
                              "Basses/Bass1.t9v", "Basses/notes.txt"}) {
        touchFile(folders.voices + "/" + voice);
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
        loads += static_cast<int>(target.voices.size());
        fromLeads += static_cast<int>(std::count_if(target.voices.begin(), target.voices.end(), [](const std::string& load) {
            return load.find("/Synth Leads/") != std::string::npos;
        }));
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
