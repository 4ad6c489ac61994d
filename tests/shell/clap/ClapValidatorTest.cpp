// The validator's CLAP host, run as the command line runs it: on our own
// plug-in every check passes; on one made with known faults, exactly the
// checks those faults belong to fail, each saying why.

#include "support/RunCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using tessarine::test::runCli;

TEST(ClapValidator, FindsEachFaultWhereItBelongs)
{
    const auto result = runCli(std::string("validate --strict --plugin ") + TESSARINE_FAULTY_CLAP_PATH);
    EXPECT_NE(result.status, 0) << result.output;
    // Each check's line, and what its reason must say.
    const std::pair<const char*, const char*> expected[] = {
        {"PASS load.entry", ""},     {"PASS load.descriptor", ""},  {"PASS scan.ports", ""},
        {"PASS params.info", ""},    {"PASS params.flush", ""},     {"PASS state.roundtrip", ""},
        {"FAIL params.text", "reads back as"},
        {"FAIL state.refused", "an empty stream was taken"},
        {"FAIL process.44100", "block 17: NaN"},
        {"FAIL process.48000", "block 17: NaN"},
        {"FAIL process.96000", "clap_host_params.request_flush on the audio thread"},
        {"FAIL threads.calls", "clap_host_params.request_flush on the audio thread"},
        {"FAIL realtime.allocations", "heap allocations on the audio thread"},
    };
    for (const auto& [check, reason] : expected) {
        const std::size_t at = result.output.find(check);
        ASSERT_NE(at, std::string::npos) << check << " in\n" << result.output;
        const std::string line = result.output.substr(at, result.output.find('\n', at) - at);
        EXPECT_NE(line.find(reason), std::string::npos) << line;
    }
}

TEST(ClapValidator, FormatIsChosenByNameOrOption)
{
    struct Case {
        std::string arguments;
        int exitStatus;
        const char* expected;
    };
    const std::string clap = TESSARINE_CLAP_PATH;
    for (const Case& c : {Case{"--level 1 --plugin " + clap, 0, "PASS scan.ports"},
                          Case{"--level 1 --format clap --plugin " + std::string(TESSARINE_PLUGIN_PATH), 1,
                               "FAIL load.entry: no clap_entry"},
                          Case{"--level 1 --format vst --plugin " + clap, 1, "FAIL load.entry"},
                          Case{"--format vst3 --plugin " + clap, 1, "the format is vst, clap, lv2 or auto"}}) {
        const auto result = runCli("validate " + c.arguments);
        EXPECT_EQ(result.status == 0 ? 0 : 1, c.exitStatus) << c.arguments << "\n" << result.output;
        EXPECT_NE(result.output.find(c.expected), std::string::npos) << c.arguments << "\n" << result.output;
    }
}

} // namespace
