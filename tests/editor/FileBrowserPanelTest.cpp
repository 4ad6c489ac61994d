// The toolkit's file browser driven headless through its view tree, in a
// folder tree made for the test: what it lists, where typed paths lead, the
// keys and clicks that choose, and the question before a save replaces a file.

#include "editor/dialogs/FileBrowserPanel.h"
#include "editor/dialogs/RecentFolders.h"
#include "editor/dialogs/ToolkitDialogs.h"
#include "gui/FileList.h"
#include "support/ControlTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace gui = tessarine::gui;
using tessarine::FileBrowserPanel;
using Mode = FileBrowserPanel::Mode;
using Outcome = FileBrowserPanel::Outcome;
using Names = std::vector<std::string>;

constexpr int kDown = 1; // in typed texts: \1 is Down, \2 is Up
constexpr int kUp = 2;

class Tree {
public:
    Tree()
    {
        for (const char* file : {"home/violin.wav", "home/Viola.AIFF", "home/notes.txt", "home/.hidden.wav",
                                 "home/Strings/cello.wav", "home/Strings/bass.WAVE", "lib/x.t9v"}) {
            fs::create_directories((root_.path() / file).parent_path());
            std::ofstream(root_ / file) << "data";
        }
    }
    std::string operator/(const std::string& part) const { return root_ / part; }

private:
    tessarine::test::TempFolder root_{"browser"};
};

void type(FileBrowserPanel& panel, const std::string& keys)
{
    for (char c : keys) {
        const int code = c == kDown ? int{gui::kKeyDown} : c == kUp ? int{gui::kKeyUp} : static_cast<unsigned char>(c);
        panel.handle(gui::test::key(code));
    }
}

// A press and release on a row of the list, at a time, with modifiers.
void clickRow(FileBrowserPanel& panel, int row, std::int64_t ms, unsigned modifiers = 0)
{
    const gui::Rect list = FileBrowserPanel::kListArea;
    const double x = list.x + 30;
    const double y = list.y + 1 + (row - panel.list().firstShown()) * gui::FileList::kRowHeight + 9;
    gui::test::click(panel, x, y, ms, modifiers);
}

std::unique_ptr<FileBrowserPanel> browser(const Tree& tree, Mode mode, const std::string& start, const char* ext = "wav")
{
    return std::make_unique<FileBrowserPanel>(mode, ext, FileBrowserPanel::Places{tree / "home", tree / "lib", {}},
                                              tree / start);
}

TEST(FileBrowserPanel, ListsFoldersFirstThenFilesOfTheKindAndFiltersAsYouType)
{
    Tree tree;
    auto panel = browser(tree, Mode::Open, "home");
    EXPECT_EQ(panel->listedNames(), (Names{"Strings", "Viola.AIFF", "violin.wav"}));
    type(*panel, "VIOL");
    EXPECT_EQ(panel->listedNames(), (Names{"Viola.AIFF", "violin.wav"}));
    type(*panel, "i");
    EXPECT_EQ(panel->listedNames(), (Names{"violin.wav"}));
    type(*panel, "\b\b\b\b\b");
    EXPECT_EQ(panel->listedNames().size(), 3u);
    EXPECT_EQ(browser(tree, Mode::Open, "lib", "t9v")->listedNames(), (Names{"x.t9v"}));
    EXPECT_EQ(browser(tree, Mode::Open, "home/Strings")->listedNames(), (Names{"bass.WAVE", "cello.wav"}));

    // A folder that cannot be listed is said so and the one shown stays.
    EXPECT_FALSE(panel->showFolder(tree / "home/violin.wav"));
    EXPECT_EQ(panel->folder(), tree / "home");
    EXPECT_NE(panel->notice().find("Not a folder."), std::string::npos) << panel->notice();
}

TEST(FileBrowserPanel, TypedPathsAndKeysLeadWhereAPersonExpects)
{
    Tree tree;
    struct Case {
        const char* name;
        Mode mode;
        const char* start;
        std::string keys;
        Outcome outcome;
        const char* folder; // shown at the end
        Names chosen;
        const char* notice = "";
    };
    const Case cases[] = {
        {"~ is home", Mode::Open, "lib", "~\r", Outcome::Pending, "home", {}},
        {"~/ a file", Mode::Open, "lib", "~/violin.wav\r", Outcome::Accepted, "lib", {"home/violin.wav"}},
        {"relative to the folder shown", Mode::Open, "lib", "../home/Strings/cello.wav\r", Outcome::Accepted, "lib",
         {"home/Strings/cello.wav"}},
        {"absolute", Mode::Open, "home", (tree / "lib") + "\r", Outcome::Pending, "lib", {}},
        {"part of a name, Return", Mode::OpenMany, "home", "olin\r", Outcome::Accepted, "home", {"home/violin.wav"}},
        {"a folder's name opens it", Mode::Open, "home", "str\r", Outcome::Pending, "home/Strings", {}},
        {"Down Down Return", Mode::Open, "home", "\1\1\r", Outcome::Accepted, "home", {"home/Viola.AIFF"}},
        {"Up stops at the top", Mode::Open, "home", "\1\2\2\r", Outcome::Pending, "home/Strings", {}},
        {"Backspace goes up", Mode::Open, "home/Strings", "\b", Outcome::Pending, "home", {}},
        {"no match", Mode::Open, "home", "zzz\r", Outcome::Pending, "home", {}, "No such file."},
        {"no such path", Mode::Open, "home", "~/gone.wav\r", Outcome::Pending, "home", {}, "No such file."},
        {"Escape", Mode::Open, "home", "\x1b", Outcome::Cancelled, "home", {}},
        {"save a new name", Mode::Save, "home", "new\r", Outcome::Accepted, "home", {"home/new.wav"}},
        {"save into a sub-folder", Mode::Save, "home", "Strings/deep\r", Outcome::Accepted, "home",
         {"home/Strings/deep.wav"}},
        {"save asks before replacing", Mode::Save, "home", "violin\r", Outcome::Pending, "home", {},
         "\"violin.wav\" already exists. Replace it? (Return replaces, Escape keeps it)"},
        {"and Return replaces", Mode::Save, "home", "violin\r\r", Outcome::Accepted, "home", {"home/violin.wav"}},
        {"Escape keeps it", Mode::Save, "home", "violin\r\x1b\x1b", Outcome::Cancelled, "home", {}},
        {"an edit asks again", Mode::Save, "home", "violin\r\bn\r", Outcome::Pending, "home", {}, "\"violin.wav\" already"},
        {"no such folder", Mode::Save, "home", "none/x\r", Outcome::Pending, "home", {}, "No such folder: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto panel = browser(tree, c.mode, c.start);
        type(*panel, c.keys);
        EXPECT_EQ(panel->outcome(), c.outcome);
        EXPECT_EQ(panel->folder(), tree / c.folder);
        Names chosen;
        for (const std::string& path : c.chosen) {
            chosen.push_back(tree / path);
        }
        if (c.outcome == Outcome::Accepted) {
            EXPECT_EQ(panel->chosen(), chosen);
        }
        EXPECT_EQ(panel->notice().rfind(c.notice, 0), 0u) << panel->notice();
    }
}

TEST(FileBrowserPanel, ClicksSelectDoubleClicksChooseAndOnlyOpenManyTakesSeveral)
{
    Tree tree;
    auto open = browser(tree, Mode::Open, "home");
    clickRow(*open, 2, 1000);
    EXPECT_EQ(open->list().current(), 2);
    clickRow(*open, 1, 1100, gui::kControl); // one file only: Ctrl selects alone
    EXPECT_EQ(open->list().selection(), (std::vector<int>{1}));
    clickRow(*open, 1, 1700); // too slow for a double click
    EXPECT_EQ(open->outcome(), Outcome::Pending);
    clickRow(*open, 1, 1900);
    EXPECT_EQ(open->chosen(), (Names{tree / "home/Viola.AIFF"}));

    // A place clicked, then typing goes on in the path line.
    auto placed = browser(tree, Mode::Open, "home/Strings");
    gui::test::click(*placed, 70, 71); // Home, under "Parent folder"
    type(*placed, "olin\r");
    EXPECT_EQ(placed->chosen(), (Names{tree / "home/violin.wav"}));

    auto many = browser(tree, Mode::OpenMany, "home");
    clickRow(*many, 0, 1000);
    clickRow(*many, 2, 2000, gui::kShift);
    EXPECT_EQ(many->list().selection(), (std::vector<int>{0, 1, 2}));
    clickRow(*many, 1, 3000, gui::kControl);
    type(*many, "\r");
    EXPECT_EQ(many->chosen(), (Names{tree / "home/violin.wav"})) << "Ctrl took one out, the folder is left out";
    many = browser(tree, Mode::OpenMany, "home");
    clickRow(*many, 1, 1000);
    for (std::int64_t ms : {2000, 2100, 2200}) {
        clickRow(*many, 2, ms, gui::kControl);
    }
    EXPECT_EQ(many->outcome(), Outcome::Pending) << "quick Ctrl-clicks toggle, they do not open";
    type(*many, "\r");
    EXPECT_EQ(many->chosen(), (Names{tree / "home/Viola.AIFF", tree / "home/violin.wav"}));
}

TEST(FileBrowserPanel, AFolderOfThousandsScrollsByTheRowsInSight)
{
    Tree tree;
    const std::string big = tree / "home/big";
    fs::create_directories(big);
    for (int i = 0; i < 3000; ++i) {
        std::ofstream(big + "/take" + std::to_string(10000 + i) + ".wav");
    }
    auto panel = browser(tree, Mode::Open, "home/big");
    ASSERT_EQ(panel->listedNames().size(), 3000u);
    const gui::Rect list = FileBrowserPanel::kListArea;
    panel->handle(gui::test::wheel(list.x + 10, list.y + 10, -2));
    EXPECT_EQ(panel->list().firstShown(), 2 * gui::FileList::kWheelRows);
    type(*panel, "12999");
    EXPECT_EQ(panel->listedNames(), (Names{"take12999.wav"}));
    type(*panel, "\b\b\b\b\b\2"); // Up from nothing: the last row, scrolled into sight
    EXPECT_EQ(panel->list().current(), 2999);
    EXPECT_EQ(panel->list().firstShown(), 3000 - panel->list().rowsInSight());
}

TEST(RecentFolders, ABrokenOrOversizedFileIsIgnoredAndTheListStaysBounded)
{
    Tree tree;
    const std::string file = tree / "config/tessarine/recent-folders";
    const struct {
        const char* name;
        std::string text;
        Names folders;
    } cases[] = {
        {"plain", "/a\n/b\n", {"/a", "/b"}},
        {"relative and empty lines dropped, twice once", "x\n\n/a\n/a\n/b", {"/a", "/b"}},
        {"binary", std::string("/a\n/b\0\1\2", 8), {}},
        {"oversized", "/a\n" + std::string(tessarine::RecentFolders::kMaxFileBytes, 'x'), {}},
        {"too many", "/1\n/2\n/3\n/4\n/5\n/6\n/7\n/8\n/9\n", {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(fs::path(file).parent_path());
        std::ofstream(file, std::ios::binary) << c.text;
        tessarine::RecentFolders recent(file);
        recent.load();
        EXPECT_EQ(recent.folders(), c.folders);
    }
    fs::remove_all(tree / "config");
    tessarine::RecentFolders recent(file);
    recent.load();
    EXPECT_TRUE(recent.folders().empty()) << "missing";
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(recent.add("/f" + std::to_string(i % 9))) << "the folders are made";
    }
    tessarine::RecentFolders again(file);
    again.load();
    EXPECT_EQ(again.folders(), (Names{"/f0", "/f8", "/f7", "/f6", "/f5", "/f4", "/f3", "/f2"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(file).parent_path()), fs::directory_iterator()), 1)
        << "no temporary file is left beside it";
}

TEST(ToolkitDialogs, DialogsStartWhereTheKindWasLastChosenElseInTheLibrary)
{
    Tree tree;
    const std::string voices = tree / "lib/TessarineData/Voices";
    fs::create_directories(voices);
    tessarine::ToolkitDialogs dialogs(tree / "recent");
    dialogs.setLibraryFolder(tree / "lib");
    EXPECT_EQ(dialogs.startFolder("t9v"), voices);
    EXPECT_EQ(dialogs.startFolder("t9i"), tree / "lib") << "no instrument folder: the library's root";
    dialogs.remember("t9i", tree / "home/Strings/a.t9i");
    EXPECT_EQ(dialogs.startFolder("t9i"), tree / "home/Strings");
    EXPECT_EQ(dialogs.startFolder("t9v"), voices);
    EXPECT_EQ(dialogs.places().recent, (Names{tree / "home/Strings"}));
    EXPECT_EQ(dialogs.places().library, tree / "lib");
}

} // namespace
