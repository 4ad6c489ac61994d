// The desktop's dialogs as child processes, with a stand-in tool that records
// its arguments and answers as scripted: chosen paths, cancels, broken answers.

#include "editor/dialogs/DesktopDialogs.h"
#include "editor/dialogs/FileDialogKinds.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using tessarine::DesktopDialogs;
namespace fs = std::filesystem;

class FakeTool {
public:
    FakeTool()
    {
        std::ofstream script(program());
        script << "#!/bin/sh\nd=$(dirname \"$0\")\nprintf '%s\\n' \"$@\" > \"$d/args\"\ncat \"$d/answer\"\n"
                  "exit $(cat \"$d/code\")\n";
        script.close();
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
        std::ifstream in(folder_ / "args");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    tessarine::test::TempFolder folder_{"dialogs"};
};

TEST(DesktopDialogs, PathsComeFromTheToolAndAnythingElseIsACancel)
{
    FakeTool tool;
    struct Case {
        const char* name;
        DesktopDialogs::Tool kind;
        bool save;
        const char* extension;
        std::string output;
        int code;
        const char* chosen; // null: cancelled, path untouched
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {"zenity open", DesktopDialogs::Tool::Zenity, false, "t9v", "/lib/a b.t9v\n", 0, "/lib/a b.t9v",
         {"--file-selection\n", "--title=Load Voice File\n", "--file-filter=Voice files | *.t9v\n"}},
        {"zenity save gets the extension", DesktopDialogs::Tool::Zenity, true, "t9i", "/lib/new\n", 0, "/lib/new.t9i",
         {"--save\n", "--confirm-overwrite\n", "--title=Save Instrument File\n"}},
        {"extension already there", DesktopDialogs::Tool::Zenity, true, "t9h", "/lib/x.T9H\n", 0, "/lib/x.T9H", {}},
        {"cancel", DesktopDialogs::Tool::Zenity, false, "t9i", "", 1, nullptr, {}},
        {"tool failed", DesktopDialogs::Tool::Zenity, false, "t9i", "/lib/a.t9i\n", 5, nullptr, {}},
        {"empty answer", DesktopDialogs::Tool::Zenity, false, "t9i", "\n", 0, nullptr, {}},
        {"two lines", DesktopDialogs::Tool::Zenity, false, "t9i", "/a\n/b\n", 0, nullptr, {}},
        {"endless answer", DesktopDialogs::Tool::Zenity, false, "t9i", std::string(20000, 'x'), 0, nullptr, {}},
        {"kdialog sounds", DesktopDialogs::Tool::Kdialog, false, "wav", "/s/tone.aiff\n", 0, "/s/tone.aiff",
         {"--getopenfilename\n", "--title\nLoad Sound File\n", "*.wav *.WAV *.wave *.WAVE *.aif *.AIF *.aiff *.AIFF|Sound files\n"}},
        {"kdialog save", DesktopDialogs::Tool::Kdialog, true, "t9n", "/p/n\n", 0, "/p/n.t9n", {"--getsavefilename\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tool.answer(c.output, c.code);
        DesktopDialogs dialogs(c.kind, tool.program());
        std::string path = "before";
        bool chosen = c.save ? dialogs.saveFile(c.extension, path) : dialogs.openFile(c.extension, path);
        EXPECT_EQ(chosen, c.chosen != nullptr);
        EXPECT_EQ(path, c.chosen != nullptr ? c.chosen : "before");
        for (const std::string& argument : c.arguments) {
            EXPECT_NE(tool.arguments().find(argument), std::string::npos) << argument << " in\n" << tool.arguments();
        }
    }
}

TEST(DesktopDialogs, SeveralFilesComeOneALine)
{
    FakeTool tool;
    struct Case {
        DesktopDialogs::Tool kind;
        std::string output;
        std::vector<std::string> chosen; // empty: cancelled
        const char* arguments;
    };
    const Case cases[] = {
        {DesktopDialogs::Tool::Zenity, "/s/a|b.wav\n/s/c.wav\n", {"/s/a|b.wav", "/s/c.wav"}, "--multiple\n--separator=\n\n"},
        {DesktopDialogs::Tool::Kdialog, "/s/a.wav\n", {"/s/a.wav"}, "--multiple\n--separate-output\n"},
        {DesktopDialogs::Tool::Kdialog, "\n", {}, ""},
    };
    for (const Case& c : cases) {
        tool.answer(c.output, 0);
        std::vector<std::string> paths{"before"};
        EXPECT_EQ(DesktopDialogs(c.kind, tool.program()).openFiles("wav", paths), !c.chosen.empty()) << c.output;
        EXPECT_EQ(paths, c.chosen.empty() ? std::vector<std::string>{"before"} : c.chosen);
        EXPECT_NE(tool.arguments().find(c.arguments), std::string::npos) << tool.arguments();
    }
}

TEST(DesktopDialogs, MessageBoxShowsTextUnderCaptionAsPlainText)
{
    FakeTool tool;
    tool.answer("", 0);
    DesktopDialogs(DesktopDialogs::Tool::Zenity, tool.program()).messageBox("Unsupported file format.\n", "Tessarine");
    EXPECT_EQ(tool.arguments(), "--info\n--no-markup\n--title=Tessarine\n--text=Unsupported file format.\n\n");
    DesktopDialogs(DesktopDialogs::Tool::Kdialog, tool.program()).messageBox("<b>x</b>", "Tessarine");
    EXPECT_EQ(tool.arguments(), "--title\nTessarine\n--msgbox\n<b>x</b>\n");
}

TEST(DesktopDialogs, SavedNamesEndInTheirExtensionOnce)
{
    const struct {
        const char* typed;
        const char* extension;
        const char* saved;
    } cases[] = {
        {"/a/b", "t9v", "/a/b.t9v"},     {"/a/b.t9v", "t9v", "/a/b.t9v"}, {"/a/b.T9V", "t9v", "/a/b.T9V"},
        {"/a.t9v/b", "t9v", "/a.t9v/b.t9v"}, {"/a/b.t9", "t9v", "/a/b.t9.t9v"}, {"/a/bt9v", "t9v", "/a/bt9v.t9v"},
        {"/a/b", "", "/a/b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tessarine::withExtension(c.typed, c.extension), c.saved) << c.typed;
    }
}

} // namespace
