// Our own dialog on a real (virtual) display, answered by typing as a user
// would, through the XTest extension: Escape cancels, and a save asks again
// before replacing a file.

#include "support/XvfbServer.h"
#include "editor/dialogs/ToolkitDialogs.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "support/DialogTypist.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

TEST(ToolkitDialogs, EscapeCancelsAndASaveAsksBeforeReplacing)
{
    tessarine::test::XvfbServer server;
    if (!server.running()) {
        GTEST_SKIP() << "Xvfb is not installed; the dialog is not tried";
    }
    Display* display = XOpenDisplay(server.display().c_str());
    ASSERT_NE(display, nullptr);
    const auto typeInto = [display](const char* title, const std::string& text, KeySym last) {
        tessarine::test::typeIntoDialog(display, title, text, last);
    };
    const fs::path folder = fs::temp_directory_path() / ("tsn-dlg-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string existing = (folder / "voice.t9v").string();
    std::ofstream(existing) << "x";

    // The window suites answer every load and save by typing a path and Return.
    tessarine::ToolkitDialogs dialogs;
    std::string path = "kept";
    std::thread user([&] { typeInto("Load Voice File", "/no", XK_Escape); });
    EXPECT_FALSE(dialogs.openFile("t9v", path));
    user.join();
    EXPECT_EQ(path, "kept");

    // The name lacks its extension; the file it names exists, so the first Return only asks.
    path.clear();
    user = std::thread([&] {
        typeInto("Save Voice File", (folder / "voice").string(), XK_Return);
        typeInto("Save Voice File", "", XK_Return);
    });
    EXPECT_TRUE(dialogs.saveFile("t9v", path));
    user.join();
    EXPECT_EQ(path, existing);
    XCloseDisplay(display);
    fs::remove_all(folder);
}

} // namespace
