// Our own dialogs on a real (virtual) display, answered by typing as a user
// would, through the XTest extension: Escape cancels, a save asks again
// before replacing a file, and a file is found by "~" and part of its name.

#include "support/TempFolder.h"
#include "support/XvfbServer.h"
#include "editor/dialogs/ToolkitDialogs.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "support/DialogTypist.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

TEST(ToolkitDialogs, EscapeCancelsASaveAsksBeforeReplacingAndAFileIsFoundByTildeAndPartOfItsName)
{
    tessarine::test::XvfbServer server;
    if (!server.running()) {
        GTEST_SKIP() << "Xvfb is not installed; the dialog is not tried";
    }
    Display* display = XOpenDisplay(server.display().c_str());
    ASSERT_NE(display, nullptr);
    const tessarine::test::TempFolder scratch("home");
    const fs::path& home = scratch.path();
    fs::create_directories(home / "elsewhere");
    for (const char* name : {"voice.t9v", "violin.wav", "viola.wav"}) {
        std::ofstream(home / name) << "x";
    }
    const char* previous = std::getenv("HOME");
    const std::string savedHome = previous != nullptr ? previous : "";
    setenv("HOME", home.c_str(), 1);
    tessarine::ToolkitDialogs dialogs((home / "recent-folders").string());

    // The window suites answer every load and save by typing a path and Return.
    std::string path = "kept";
    std::thread user([&] { tessarine::test::typeIntoDialog(display, "Load Voice File", "/no", XK_Escape); });
    EXPECT_FALSE(dialogs.openFile("t9v", path));
    user.join();
    EXPECT_EQ(path, "kept");

    // The name lacks its extension; the file it names exists, so the first Return only asks.
    path.clear();
    user = std::thread([&] {
        tessarine::test::typeIntoDialog(display, "Save Voice File", (home / "voice").string(), XK_Return);
        tessarine::test::typeIntoDialog(display, "Save Voice File", "", XK_Return);
    });
    EXPECT_TRUE(dialogs.saveFile("t9v", path));
    user.join();
    EXPECT_EQ(path, (home / "voice.t9v").string());

    dialogs.remember("wav", (home / "elsewhere" / "a.wav").string()); // so the dialog opens away from home
    std::vector<std::string> paths;
    user = std::thread([&] {
        tessarine::test::typeIntoDialog(display, "Load Sound File", "~", XK_Return);
        tessarine::test::typeIntoDialog(display, "Load Sound File", "olin", XK_Return);
    });
    EXPECT_TRUE(dialogs.openFiles("wav", paths));
    user.join();
    EXPECT_EQ(paths, std::vector<std::string>{(home / "violin.wav").string()});
    EXPECT_EQ(dialogs.startFolder("wav"), home.string()) << "the next one opens where this one chose";

    if (previous != nullptr) {
        setenv("HOME", savedHome.c_str(), 1);
    }
    XCloseDisplay(display);
}

} // namespace
