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

// Several files come one a line; a single file is one line and nothing else.
TEST(DesktopDialogs, PathsComeFromTheToolAndAnythingElseIsACancel)
{
    FakeTool tool;
    enum Call { Open, Save, OpenMany };
    using Paths = std::vector<std::string>;
    struct Case {
        const char* name;
        DesktopDialogs::Tool kind;
        Call call;
        const char* extension;
        std::string output;
        int code;
        Paths chosen; // empty: cancelled, path untouched
        Paths arguments;
    };
    const auto zenity = DesktopDialogs::Tool::Zenity;
    const auto kdialog = DesktopDialogs::Tool::Kdialog;
    const Case cases[] = {
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
    for (const Case& c : cases) {
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
