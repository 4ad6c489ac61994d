// The dialogs without a display: the toolkit's file browser and message box
// driven through their view trees in a folder tree made for the test, the
// desktop's dialogs as child processes of a stand-in tool, where the dialogs
// start, and the small files remembered between runs (recent folders, stars).

#include "editor/dialogs/DesktopDialogs.h"
#include "editor/dialogs/DialogPanel.h"
#include "editor/dialogs/FileBrowserPanel.h"
#include "editor/dialogs/FileDialogKinds.h"
#include "editor/dialogs/RecentFolders.h"
#include "editor/dialogs/ToolkitDialogs.h"
#include "editor/FavouriteList.h"
#include "gui/FileList.h"
#include "support/ControlTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace gui = tessarine::gui;
using tessarine::DesktopDialogs;
using tessarine::FileBrowserPanel;
using Mode = FileBrowserPanel::Mode;
using Outcome = FileBrowserPanel::Outcome;
using Names = std::vector<std::string>;

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

// In typed texts \1 is Down and \2 is Up.
void type(FileBrowserPanel& panel, const std::string& keys)
{
    for (char c : keys) {
        panel.handle(gui::test::key(c == 1 ? int{gui::kKeyDown} : c == 2 ? int{gui::kKeyUp} : static_cast<unsigned char>(c)));
    }
}

// A press and release on a row of the list, at a time, with modifiers.
void clickRow(FileBrowserPanel& panel, int row, std::int64_t ms, unsigned modifiers = 0)
{
    const gui::Rect list = FileBrowserPanel::kListArea;
    const double y = list.y + 1 + (row - panel.list().firstShown()) * gui::FileList::kRowHeight + 9;
    gui::test::click(panel, list.x + 30, y, ms, modifiers);
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
    const struct {
        const char* name;
        Mode mode;
        const char* start;
        std::string keys;
        Outcome outcome;
        const char* folder; // shown at the end
        Names chosen;
        const char* notice = "";
    } cases[] = {
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
    for (const auto& c : cases) {
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

TEST(DialogPanel, AMessageIsAnsweredByReturnOrOkAndCancelledByEscape)
{
    using tessarine::DialogPanel;
    // The OK button sits in the bottom right corner.
    const struct {
        const char* name;
        int key; // 0: a click on OK
        DialogPanel::Outcome outcome;
    } cases[] = {
        {"Return", gui::kKeyReturn, DialogPanel::Outcome::Accepted},
        {"Escape", gui::kKeyEscape, DialogPanel::Outcome::Cancelled},
        {"OK", 0, DialogPanel::Outcome::Accepted},
        {"another key", 'x', DialogPanel::Outcome::Pending},
    };
    for (const auto& c : cases) {
        auto panel = DialogPanel::message("Unsupported file format.\n");
        if (c.key != 0) {
            panel->handle(gui::test::key(c.key));
        } else {
            gui::test::click(*panel, DialogPanel::kWidth - 50, DialogPanel::kHeight - 20);
        }
        EXPECT_EQ(panel->outcome(), c.outcome) << c.name;
    }
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

// Both files are read whole up to a bound: a broken or oversized one is an empty list.
TEST(RememberedLists, ABrokenOrOversizedFileIsIgnoredAndTheListStaysBounded)
{
    Tree tree;
    const std::string file = tree / "config/tessarine/recent-folders";
    const struct { const char* name; std::string text; Names folders; } cases[] = {
        {"plain", "/a\n/b\n", {"/a", "/b"}},
        {"relative and empty lines dropped, twice once", "x\n\n/a\n/a\n/b", {"/a", "/b"}},
        {"binary", std::string("/a\n/b\0\1\2", 8), {}},
        {"oversized", "/a\n" + std::string(tessarine::RecentFolders::kMaxFileBytes, 'x'), {}},
        {"too many", "/1\n/2\n/3\n/4\n/5\n/6\n/7\n/8\n/9\n", {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"}},
    };
    fs::create_directories(fs::path(file).parent_path());
    for (const auto& c : cases) {
        std::ofstream(file, std::ios::binary) << c.text;
        tessarine::RecentFolders recent(file);
        recent.load();
        EXPECT_EQ(recent.folders(), c.folders) << c.name;
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

    const std::string stars = tree / "favourites";
    const struct { const char* name; std::string text; bool deep; } starCases[] = {
        {"plain", "a/Deep.t9i\nb/Airy.t9i\n", true},
        {"binary", std::string("a/Deep.t9i\n\0\1", 13), false},
        {"oversized", "a/Deep.t9i\n" + std::string(tessarine::FavouriteList::kMaxFileBytes, 'x'), false},
        {"a control character in the line", "a/Deep.t9i\x01\n", false},
    };
    for (const auto& c : starCases) {
        std::ofstream(stars, std::ios::binary) << c.text;
        tessarine::FavouriteList favourites(stars);
        favourites.load();
        EXPECT_EQ(favourites.contains("a/Deep.t9i"), c.deep) << c.name;
    }
    // Its folder is a file: nothing can be written, the star holds in memory for the run.
    tessarine::FavouriteList unwritable(stars + "/favourites");
    EXPECT_FALSE(unwritable.set("a/Deep.t9i", true));
    EXPECT_TRUE(unwritable.contains("a/Deep.t9i"));
}

class FakeTool {
public:
    FakeTool()
    {
        std::ofstream(program()) << "#!/bin/sh\nd=$(dirname \"$0\")\nprintf '%s\\n' \"$@\" > \"$d/args\"\n"
                                    "cat \"$d/answer\"\nexit $(cat \"$d/code\")\n";
        fs::permissions(program(), fs::perms::owner_all);
    }
    std::string program() const { return folder_ / "tool"; }
    void answer(const std::string& output, int code)
    {
        std::ofstream(folder_ / "answer") << output;
        std::ofstream(folder_ / "code") << code;
    }
    std::string arguments() const
    {
        std::stringstream text;
        text << std::ifstream(folder_ / "args").rdbuf();
        return text.str();
    }

private:
    tessarine::test::TempFolder folder_{"dialogs"};
};

// Several files come one a line; a single file is one line and nothing else.
TEST(DesktopDialogs, PathsComeFromTheToolAndAnythingElseIsACancel)
{
    FakeTool tool;
    enum Call { Open, Save, OpenMany };
    using Paths = std::vector<std::string>;
    const auto zenity = DesktopDialogs::Tool::Zenity;
    const auto kdialog = DesktopDialogs::Tool::Kdialog;
    const struct {
        const char* name;
        DesktopDialogs::Tool kind;
        Call call;
        const char* extension;
        std::string output;
        int code;
        Paths chosen; // empty: cancelled, path untouched
        Paths arguments;
    } cases[] = {
        {"zenity open", zenity, Open, "t9v", "/lib/a b.t9v\n", 0, {"/lib/a b.t9v"},
         {"--file-selection\n", "--title=Load Voice File\n", "--file-filter=Voice files | *.t9v\n"}},
        {"zenity save gets the extension", zenity, Save, "t9i", "/lib/new\n", 0, {"/lib/new.t9i"},
         {"--save\n", "--confirm-overwrite\n", "--title=Save Instrument File\n"}},
        {"extension already there", zenity, Save, "t9h", "/lib/x.T9H\n", 0, {"/lib/x.T9H"}, {}},
        {"cancel", zenity, Open, "t9i", "", 1, {}, {}},
        {"tool failed", zenity, Open, "t9i", "/lib/a.t9i\n", 5, {}, {}},
        {"empty answer", zenity, Open, "t9i", "\n", 0, {}, {}},
        {"two lines", zenity, Open, "t9i", "/a\n/b\n", 0, {}, {}},
        {"endless answer", zenity, Open, "t9i", std::string(20000, 'x'), 0, {}, {}},
        {"kdialog sounds", kdialog, Open, "wav", "/s/tone.aiff\n", 0, {"/s/tone.aiff"},
         {"--getopenfilename\n", "--title\nLoad Sound File\n", "*.wav *.WAV *.wave *.WAVE *.aif *.AIF *.aiff *.AIFF|Sound files\n"}},
        {"kdialog save", kdialog, Save, "t9n", "/p/n\n", 0, {"/p/n.t9n"}, {"--getsavefilename\n"}},
        {"zenity several", zenity, OpenMany, "wav", "/s/a|b.wav\n/s/c.wav\n", 0, {"/s/a|b.wav", "/s/c.wav"},
         {"--multiple\n--separator=\n\n"}},
        {"kdialog several", kdialog, OpenMany, "wav", "/s/a.wav\n", 0, {"/s/a.wav"},
         {"--multiple\n--separate-output\n"}},
        {"kdialog several, empty answer", kdialog, OpenMany, "wav", "\n", 0, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tool.answer(c.output, c.code);
        DesktopDialogs dialogs(c.kind, tool.program());
        Paths paths{"before"};
        const bool chosen = c.call == Save ? dialogs.saveFile(c.extension, paths[0])
            : c.call == Open               ? dialogs.openFile(c.extension, paths[0])
                                           : dialogs.openFiles(c.extension, paths);
        EXPECT_EQ(chosen, !c.chosen.empty());
        EXPECT_EQ(paths, c.chosen.empty() ? Paths{"before"} : c.chosen);
        for (const std::string& argument : c.arguments) {
            EXPECT_NE(tool.arguments().find(argument), std::string::npos) << argument << " in\n" << tool.arguments();
        }
    }
    // A message box shows its text under its caption, as plain text.
    tool.answer("", 0);
    DesktopDialogs(zenity, tool.program()).messageBox("Unsupported file format.\n", "Tessarine");
    EXPECT_EQ(tool.arguments(), "--info\n--no-markup\n--title=Tessarine\n--text=Unsupported file format.\n\n");
    DesktopDialogs(kdialog, tool.program()).messageBox("<b>x</b>", "Tessarine");
    EXPECT_EQ(tool.arguments(), "--title\nTessarine\n--msgbox\n<b>x</b>\n");
}

TEST(DesktopDialogs, SavedNamesEndInTheirExtensionOnce)
{
    const struct { const char* typed; const char* extension; const char* saved; } cases[] = {
        {"/a/b", "t9v", "/a/b.t9v"},     {"/a/b.t9v", "t9v", "/a/b.t9v"}, {"/a/b.T9V", "t9v", "/a/b.T9V"},
        {"/a.t9v/b", "t9v", "/a.t9v/b.t9v"}, {"/a/b.t9", "t9v", "/a/b.t9.t9v"}, {"/a/bt9v", "t9v", "/a/bt9v.t9v"},
        {"/a/b", "", "/a/b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tessarine::withExtension(c.typed, c.extension), c.saved) << c.typed;
    }
}

} // namespace
