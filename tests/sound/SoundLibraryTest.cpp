// The library's folders as the menus show them: which names are listed, in
// which order, within which limits, and the file a menu choice opens; what the
// library loads at start-up, and after a rescan.

#include "support/LibraryTree.h"

#include "sound/library/LibraryListing.h"
#include "sound/library/LibraryMenu.h"
#include "sound/library/SoundLibrary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
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

std::vector<std::string> submenuNames(const LibraryMenu& menu, int k)
{
    return namesOf(menu.submenus[static_cast<std::size_t>(k)]);
}

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
    char name[32];
    for (int i = 0; i < 70; ++i) {
        std::snprintf(name, sizeof(name), "/F%03d", i);
        std::filesystem::create_directories(many + name);
    }
    for (int i = 0; i < 130; ++i) {
        std::snprintf(name, sizeof(name), "/V%03d.t9v", i);
        touchFile(many + name);
    }
    EXPECT_EQ(listSubfolders(many, names), kMaxLibraryFolders);
    EXPECT_EQ(names.back(), "F063");
    std::vector<LibraryFile> files;
    EXPECT_EQ(listFiles(many, "t9v", files), kMaxLibraryFiles);
    EXPECT_EQ(files.back().name, "V127");
}

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
}

TEST(LibraryMenu, AChoiceNamesTheFileOnDiskAndBecomesTheTitle)
{
    const std::string root = freshFolder("menu-paths");
    touchFile(root + "/Voices/Pianos/Grand.t9v");
    touchFile(root + "/Voices/Pianos/Upright.T9V");
    touchFile(root + "/Harm/Saw.t9h");
    LibraryMenu voices;
    buildLibraryMenu(root + "/Voices", "t9v", voices);
    LibraryMenu harmonics;
    buildLibraryMenu(root + "/Harm", "t9h", harmonics);

    struct Row {
        LibraryMenu* menu;
        LibraryMenuChoice choice;
        bool ok;
        std::string path; // and the title the menu shows afterwards
        std::string title;
    };
    const Row rows[] = {
        {&voices, {0, 1}, true, root + "/Voices/Pianos/Upright.T9V", "Upright"},
        {&voices, {0, 0}, true, root + "/Voices/Pianos/Grand.t9v", "Grand"},
        {&voices, {0, -1}, false, "", "Grand"}, // the category entry itself opens nothing
        {&voices, {0, 2}, false, "", "Grand"},
        {&voices, {1, 0}, false, "", "Grand"},
        {&harmonics, {0, -1}, true, root + "/Harm/Saw.t9h", "Saw"},
        {&harmonics, {0, 0}, false, "", "Saw"},
        {&harmonics, {-1, -1}, false, "", "Saw"},
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
