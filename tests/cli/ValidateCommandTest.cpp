// The validator judged by what it finds: a correct small instrument passes,
// and the same instrument with one fault fails exactly the check that should
// catch it. Its own pieces are tested where they can be wrong.

#include "host/GuardedText.h"
#include "validate/OutputCheck.h"
#include "support/RunCommand.h"
#include "validate/ValidatorReport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using tessarine::test::runCli;

std::string fixture(const std::string& name) { return std::string(TESSARINE_FIXTURE_DIR) + "/" + name + ".so"; }

TEST(ValidateCommand, FindsEachFaultOfTheFixtureInstrument)
{
    // An empty expectedLine: every check passes. The report holds each text of `says`.
    struct Case { const char *plugin, *flags, *expectedLine; std::vector<const char*> says = {"summary: "}; };
    const Case cases[] = {
        // The JSON report carries the checks, their figures and the summary.
        {"validator_synth", "--level 2 --strict --json", "",
         {"\"checks\":[", "\"name\":\"sweep.48000\"", "\"realTimeFactor\":", "\"audioThreadAllocations\":",
          "\"failed\":0"}},
        {"validator_overrun", "--level 2 --strict",
         "FAIL load.parameter-texts: parameter 0 name: wrote 48 bytes past its 24"},
        // Past what any host hands out, so a fault without --strict too.
        {"validator_overrun", "--level 2", "FAIL load.parameter-texts: parameter 0 name: wrote 8 bytes past its 64"},
        {"validator_allocates", "--level 2 --strict", "FAIL realtime.allocations:"},
        {"validator_nan", "--level 2", "FAIL sweep.44100: block 64: NaN at sample"},
        {"validator_chunk", "--level 2", "FAIL state.bad-chunks:"},
        // Sanitizer builds end the child their own way; a crash is the group failing.
        {"validator_scan", "--level 2", "FAIL scan: "},
        // A module that does not load fails that check alone, whatever the level.
        {"no_entry", "--level 3", "FAIL load.entry: cannot load", {"summary: 0 passed, 1 failed"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plugin);
        auto result = runCli(std::string("validate ") + c.flags + " --plugin " + fixture(c.plugin), " 2>/dev/null");
        const bool passes = *c.expectedLine == '\0';
        EXPECT_EQ(result.status == 0, passes) << result.output;
        EXPECT_EQ(result.output.find(passes ? "FAIL" : c.expectedLine) == std::string::npos, passes) << result.output;
        for (const char* said : c.says) {
            EXPECT_NE(result.output.find(said), std::string::npos) << said << "\n" << result.output;
        }
    }
}

TEST(GuardedText, TellsAWriteWithinTheLimitFromOnePast)
{
    using tessarine::host::GuardedText;
    // Bytes written, the last one a terminator unless unterminated.
    struct Case { std::size_t written; bool terminated; const char* fault; };
    const Case cases[] = {
        {24, true, ""},
        {1, true, ""},
        {25, true, "wrote 1 byte past its 24-byte limit"},
        {60, true, "wrote 36 bytes past its 24-byte limit"},
        {24, false, "left its text without a terminator within 24 bytes"},
    };
    for (const Case& c : cases) {
        GuardedText buffer(24);
        std::memset(buffer.data(), 'x', c.written);
        if (c.terminated) {
            buffer.data()[c.written - 1] = '\0';
        }
        EXPECT_EQ(buffer.fault(), c.fault) << c.written;
    }
}

TEST(OutputCheck, FlagsNonFiniteLoudAndDenormalSamplesAndWaitsForSilence)
{
    using tessarine::host::OutputCheck;
    struct Case { float sample; const char* fault; }; // the start of the fault, empty for none
    const Case cases[] = {
        {0.5f, ""},           {-15.9f, ""},
        {NAN, "NaN at sample 3 of output 1"}, {-INFINITY, "infinity at sample 3"},
        {17.0f, "level 17.0 (+25 dBFS) above +24 dBFS"}, {1e-40f, "denormal number"},
    };
    for (const Case& c : cases) {
        float left[8] = {}, right[8] = {};
        right[3] = c.sample;
        const float* channels[2] = {left, right};
        OutputCheck check(1000.0);
        check.scan(channels, 2, 8, 0);
        EXPECT_EQ(check.fault().rfind(c.fault, 0), 0u) << c.sample << ": " << check.fault();
    }

    // 50 ms at 1 kHz: silent after 50 quiet frames, and a loud one starts over.
    float quiet[49] = {};
    float loud[1] = {0.01f};
    const float* q[1] = {quiet};
    const float* l[1] = {loud};
    OutputCheck check(1000.0);
    check.scan(q, 1, 49, 0);
    EXPECT_FALSE(check.silent());
    check.scan(l, 1, 1, 49);
    check.scan(q, 1, 49, 50);
    EXPECT_FALSE(check.silent());
    check.scan(q, 1, 1, 99);
    EXPECT_TRUE(check.silent());
    EXPECT_FLOAT_EQ(check.peak(), 0.01f);
}

TEST(ValidatorReport, SurvivesThePipeBetweenProcesses)
{
    using namespace tessarine::host;
    ValidatorReport sent;
    sent.pass("load.entry");
    sent.fail("sweep.44100", "block 17: NaN at sample 3 of output 1");
    sent.skip("state.round-trip", "no chunk");
    sent.addFigure({48000, 0, 123.5, 0.25, -6.0});
    const std::uint64_t counts[3] = {4, 0, 2};
    sent.addAllocations(counts);
    sent.setUniqueId(0x4e735434);

    ValidatorReport received;
    received.deserialise(sent.serialise());
    ASSERT_EQ(received.outcomes().size(), 3u);
    EXPECT_EQ(ValidatorReport::line(received.outcomes()[1]), "FAIL sweep.44100: block 17: NaN at sample 3 of output 1");
    EXPECT_EQ(received.count(CheckStatus::kSkip), 1);
    ASSERT_EQ(received.figures().size(), 1u);
    EXPECT_EQ(received.figures()[0].blockSize, 0);
    EXPECT_DOUBLE_EQ(received.figures()[0].realTimeFactor, 123.5);
    EXPECT_EQ(received.allocations(0), 4u);
    EXPECT_EQ(received.allocations(2), 2u);
    EXPECT_EQ(received.uniqueId(), 0x4e735434);
}

} // namespace
