// Where the application keeps the musician's last session and finds its
// library, and what becomes of a session file that is damaged or cannot be
// written in full. (Saving into a new folder and restoring: JackAppTest.)

#include "app/AppFolders.h"
#include "app/SessionMemory.h"

#include "params/ParameterTable.h"

#include "AppTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using tessarine::InstrumentCore;
using tessarine::app::SessionMemory;

using apptest::QuietHost;
using apptest::fileText;

TEST(AppFolders, FindsTheUserDataFolderAndTheLibrary)
{
    struct Case { const char *xdg, *home; std::string expected; };
    const Case cases[] = {
        {"/data", "/home/m", "/data/tessarine"},
        {nullptr, "/home/m", "/home/m/.local/share/tessarine"},
        {"", "/home/m", "/home/m/.local/share/tessarine"},
        {"relative/data", "/home/m", "/home/m/.local/share/tessarine"}, // a relative one is ignored
        {nullptr, nullptr, ""},
        {nullptr, "not-absolute", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tessarine::app::userDataFolder(c.xdg, c.home), c.expected);
    }

    // A build tree has the library beside the program; an install has it under share.
    const tessarine::test::TempFolder scratch("app-folders");
    const fs::path built = scratch.path() / "built";
    fs::create_directories(built / "TessarineData");
    EXPECT_EQ(tessarine::app::libraryRootFor(built.string()), "");
    const fs::path installed = scratch.path() / "installed" / "bin";
    fs::create_directories(installed);
    EXPECT_EQ(tessarine::app::libraryRootFor(installed.string()), installed.string() + "/../share/tessarine");
}

// A damaged session is moved aside, never saved over, and the instrument
// stays as it was; the next save then starts a new session file. A save that
// cannot be written in full (here the file size limit stops it) fails and
// leaves the previous session byte for byte, with no temporary behind.
TEST(SessionMemory, KeepsADamagedSessionAsideAndAFailedSaveKeepsThePreviousOne)
{
    QuietHost host;
    const tessarine::test::TempFolder scratch("session");
    const fs::path& folder = scratch.path();
    std::ofstream(folder / "Last session.t9i") << "not an instrument";
    InstrumentCore core(host, "");
    core.setParameter(tessarine::kReverbSize, 0.25f);
    SessionMemory session(folder.string());
    std::string message;
    EXPECT_FALSE(session.restore(core, message));
    EXPECT_NE(message.find("Last session.t9i"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << "one line";
    EXPECT_FLOAT_EQ(core.parameter(tessarine::kReverbSize), 0.25f);
    EXPECT_EQ(fileText(folder / "Last session.t9i.unreadable"), "not an instrument");
    ASSERT_TRUE(session.save(core, message)) << message;
    const std::string before = fileText(session.path());
    ASSERT_GT(before.size(), 1024u);

    core.setParameter(tessarine::kReverbSize, 0.5f);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = before.size() / 2;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool savedInPart = session.save(core, message);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(savedInPart) << "a save cut short is reported as failed";
    EXPECT_EQ(fileText(session.path()), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2)
        << "beside the one put aside, no temporary is left behind";
}

} // namespace
