// The host's refusals of modules it cannot use (and of an option it does not
// know), and the command line's one-line error with a non-zero exit for each;
// its record of automations made from several threads at once.

#include "host/PluginHost.h"

#include "support/RunCommand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using tessarine::host::PluginHost;

std::string fixture(const char* name) { return std::string(TESSARINE_FIXTURE_DIR) + "/" + name; }

using tessarine::test::CommandResult;
using tessarine::test::runCli;

TEST(PluginHost, RefusesWhatIsNotAPlugin)
{
    std::string textFile = testing::TempDir() + "/not_a_plugin.so";
    std::ofstream(textFile) << "this is not an ELF file\n";

    const struct { std::string path; const char* reason; } cases[] = {
        {fixture("missing.so"), "no such file"},
        {textFile, "not a loadable shared object"},
        {fixture("no_entry.so"), "no entry symbol"},
        {fixture("null_entry.so"), "returned no effect"},
        {fixture("bad_magic.so"), "wrong magic"},
    };
    for (const auto& c : cases) {
        std::string error;
        auto host = PluginHost::load(c.path, error);
        EXPECT_EQ(host, nullptr) << c.path;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.path << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line only: " << error;

        CommandResult cli = runCli("info --plugin '" + c.path + "'");
        EXPECT_NE(cli.status, 0) << c.path;
        EXPECT_NE(cli.output.find(c.reason), std::string::npos) << cli.output;
        EXPECT_EQ(cli.output.find('\n'), cli.output.size() - 1) << "one line only: " << cli.output;
    }
    CommandResult cli = runCli("info --no-such-option");
    EXPECT_NE(cli.status, 0);
    EXPECT_EQ(cli.output.rfind("tessarine:", 0), 0u) << cli.output;
}

TEST(PluginHost, InfoReportsTheInstrument)
{
    CommandResult cli = runCli("info");
    ASSERT_EQ(cli.status, 0) << cli.output;
    for (const char* expected : {"Tessarine", "Brightmoor Labs", "2300", "synth (2)", "0x139", "Parameters:     173",
                                 "MasterDetune", "\"50\"", "\"%\""}) {
        EXPECT_NE(cli.output.find(expected), std::string::npos) << expected;
    }
}

// A plug-in reports automation from its audio and its editor thread at once:
// every report within the room is kept whole, each thread's in its own order,
// and the ones past it are counted.
TEST(PluginHost, AutomationsFromSeveralThreadsAreAllKept)
{
    using tessarine::host::AutomationLog;
    AutomationLog log;
    constexpr int kThreads = 4;
    constexpr int kEach = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kEach; ++i) {
                log.add(t, static_cast<float>(i));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    ASSERT_EQ(log.size(), static_cast<std::size_t>(kThreads * kEach));
    std::vector<float> next(kThreads, 0.0f);
    for (std::size_t i = 0; i < log.size(); ++i) {
        ASSERT_TRUE(log[i].index >= 0 && log[i].index < kThreads) << i;
        ASSERT_EQ(log[i].value, next[static_cast<std::size_t>(log[i].index)]++) << i;
    }
    while (log.calls() < static_cast<long>(AutomationLog::kCapacity) + 5) {
        log.add(0, 0.0f);
    }
    EXPECT_EQ(log.size(), AutomationLog::kCapacity);
}

} // namespace
