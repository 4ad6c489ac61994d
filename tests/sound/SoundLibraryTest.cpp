// What the library loads at start-up, and after a rescan.

#include "sound/LibraryTree.h"

#include "sound/SoundLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace tessarine;
using tessarine::test::freshFolder;
using tessarine::test::RecordingTarget;
using tessarine::test::touchFile;

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
        RecordingTarget target;
        EXPECT_EQ(library.loadStartInstrument(target), !row.expected.empty());
        if (row.expected.empty()) {
            EXPECT_TRUE(target.instruments.empty());
        } else {
            ASSERT_EQ(target.instruments.size(), 1u);
            EXPECT_EQ(target.instruments[0], root + "/TessarineData/Instruments-Factory/" + row.expected);
        }
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

} // namespace
