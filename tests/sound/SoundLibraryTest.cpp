// The library's actions on a tree beside the plug-in: what loads at start-up,
// a listed instrument, the reset instrument, and a rescan.

#include "sound/LibraryTree.h"

#include "sound/SoundLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace tessarine;
using tessarine::test::freshFolder;
using tessarine::test::touchFile;

class LoadRecorder : public LibraryTarget {
public:
    void writeParameter(int, float) override { ++writes; }
    bool loadInstrumentFrom(const char* path) override
    {
        loaded.emplace_back(path);
        return std::filesystem::is_regular_file(path);
    }
    bool loadVoiceFrom(int, const char*) override { return true; }
    std::vector<std::string> loaded;
    int writes = 0;
};

TEST(SoundLibrary, StartUpLoadsTheFirstInstrumentOfTheFirstCategoryOrNothing)
{
    struct Row {
        const char* name;
        std::vector<std::string> files; // below Instruments-Factory
        std::string expected;           // empty: nothing is loaded
    };
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
        LoadRecorder target;
        EXPECT_EQ(library.loadStartInstrument(target), !row.expected.empty());
        if (row.expected.empty()) {
            EXPECT_TRUE(target.loaded.empty());
        } else {
            ASSERT_EQ(target.loaded.size(), 1u);
            EXPECT_EQ(target.loaded[0], root + "/TessarineData/Instruments-Factory/" + row.expected);
        }
    }
}

TEST(SoundLibrary, ListedInstrumentsResetAndRescanKeepTheSelection)
{
    const std::string root = freshFolder("library-actions");
    const std::string instruments = root + "/TessarineData/Instruments-Factory";
    for (const char* file : {"Keys/Piano.t9i", "Keys/Organ.t9i", "Pads/Warm.t9i"}) {
        touchFile(instruments + "/" + file);
    }
    SoundLibrary library;
    library.setRoot(root);
    LoadRecorder target;

    EXPECT_TRUE(library.loadListedInstrument("Pads", "Warm", target));
    EXPECT_FALSE(library.loadListedInstrument("Pads", "Cold", target));
    EXPECT_FALSE(library.loadListedInstrument("Pads/../Keys", "Piano", target)) << "only listed names load";
    ASSERT_EQ(target.loaded.size(), 1u);
    EXPECT_EQ(target.loaded.back(), instruments + "/Pads/Warm.t9i");
    EXPECT_EQ(library.instrumentMenus().selectedCategoryName(), "Pads");

    // A rescan finds new files and keeps the chosen instrument.
    touchFile(instruments + "/Pads/Airy.t9i");
    EXPECT_TRUE(library.rescanInstruments(true, true, target));
    EXPECT_EQ(target.loaded.back(), instruments + "/Pads/Warm.t9i");
    EXPECT_EQ(library.instrumentMenus().instruments(1).size(), 2u);
    // When the chosen instrument is gone, the category's first takes its place.
    std::filesystem::remove(instruments + "/Pads/Warm.t9i");
    EXPECT_TRUE(library.rescanInstruments(true, true, target));
    EXPECT_EQ(target.loaded.back(), instruments + "/Pads/Airy.t9i");

    EXPECT_FALSE(library.reset(target)) << "no Reset.t9i yet";
    touchFile(root + "/Reset.t9i");
    EXPECT_TRUE(library.reset(target));
    EXPECT_EQ(target.loaded.back(), root + "/Reset.t9i");

    SoundLibrary nowhere; // the plug-in could not find its own folder
    nowhere.setRoot("");
    EXPECT_FALSE(nowhere.reset(target));
    EXPECT_FALSE(nowhere.loadStartInstrument(target));
}

} // namespace
