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

// A .clap path is validated as CLAP without being told (shell/clap/Validate);
// a format named outright wins over the path, and only known formats are taken.
TEST(ClapValidator, FormatIsChosenByNameOrOption)
{
    const std::string clap = TESSARINE_CLAP_PATH;
    const std::pair<std::string, const char*> cases[] = {
        {"--level 1 --format clap --plugin " + std::string(TESSARINE_PLUGIN_PATH), "FAIL load.entry: no clap_entry"},
        {"--level 1 --format vst --plugin " + clap, "FAIL load.entry"},
        {"--format vst3 --plugin " + clap, "the format is vst, clap, lv2 or auto"}};
    for (const auto& [arguments, expected] : cases) {
        const auto result = runCli("validate " + arguments);
        EXPECT_NE(result.status, 0) << arguments << "\n" << result.output;
        EXPECT_NE(result.output.find(expected), std::string::npos) << arguments << "\n" << result.output;
    }
}

} // namespace
