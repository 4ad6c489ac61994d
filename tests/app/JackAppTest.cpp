// The built application on a private JACK server, as a musician runs it:
// MIDI from jack_midiseq in, the outputs recorded with jack_rec, stopped with
// a signal, and started again from the session it kept.

#include "AppTestSupport.h"

#include "core/InstrumentCore.h"
#include "params/ParameterTable.h"
#include "support/TempFolder.h"
#include "support/WavFile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using apptest::ChildProcess;
using apptest::QuietHost;
using apptest::fileText;
using apptest::runCommand;

constexpr float kRate = 48000.0f;
constexpr float kDistinctReverbSize = 0.8125f; // no factory instrument has it

// A fresh folder whose data folder the application takes for the user's.
struct Scratch : tessarine::test::TempFolder {
    Scratch() : TempFolder("jack") { ::setenv("XDG_DATA_HOME", (path() / "data").c_str(), 1); }
};

float reverbSizeIn(const std::string& instrument)
{
    QuietHost host;
    tessarine::InstrumentCore core(host, TESSARINE_LIBRARY_ROOT);
    EXPECT_TRUE(core.loadInstrumentFile(instrument.c_str())) << instrument;
    return core.parameter(tessarine::kReverbSize);
}

// How far the note's fundamental stands above the other note and the pitches
// a semitone either side, in the stretch of the recording where it stands highest.
float bestPitchContrast(const std::vector<float>& sound, float frequency, float otherNote)
{
    constexpr std::size_t kStretch = 8192;
    float best = 0.0f;
    for (std::size_t from = 0; from + kStretch <= sound.size(); from += kStretch / 4) {
        best = std::max(best, apptest::pitchContrast(sound, from, kStretch, kRate, frequency, 1e-3f, otherNote));
    }
    return best;
}

// The first run plays a distinct instrument with its outputs connected; the
// second starts from the session the first kept, and connects nothing.
TEST(JackApp, PlaysWhatItHearsAndComesBackToTheSessionItKept)
{
    const Scratch scratch;
    const fs::path& folder = scratch.path();
    apptest::PrivateJackServer server((folder / "jackd.log").string());
    ASSERT_TRUE(server.up());
    const std::string instrument = (folder / "Distinct.t9i").string();
    {
        QuietHost host;
        tessarine::InstrumentCore core(host, TESSARINE_LIBRARY_ROOT);
        ASSERT_TRUE(core.loadInstrumentFile(
            (std::string(TESSARINE_LIBRARY_ROOT) + "/TessarineData/Instruments-Factory/Synth Leads/Square Lead.t9i").c_str()));
        core.setParameter(tessarine::kReverbSize, kDistinctReverbSize);
        ASSERT_TRUE(core.saveInstrumentFile(instrument.c_str()));
    }

    ChildProcess app({TESSARINE_APP_PATH, "--headless", "--connect", "--seed", "5", "--instrument", instrument},
                     (folder / "app.log").string());
    ASSERT_TRUE(apptest::waitForPorts({"Tessarine:midi_in", "Tessarine:out_right"})) << fileText(folder / "app.log");
    // A3 then E4 in a loop of one second.
    ChildProcess sequencer({"jack_midiseq", "Sequencer", "48000", "0", "57", "20000", "24000", "64", "20000"},
                           "/dev/null");
    ASSERT_TRUE(apptest::waitForPorts({"Sequencer:out"}));
    ASSERT_EQ(runCommand("jack_connect Sequencer:out Tessarine:midi_in").status, 0);
    const fs::path recording = folder / "out.wav";
    const auto recorded = runCommand("timeout 30 jack_rec -f '" + recording.string()
                                     + "' -d 3 Tessarine:out_left Tessarine:out_right");
    ASSERT_EQ(recorded.status, 0) << recorded.output;
    tessarine::test::Wav wav;
    ASSERT_TRUE(tessarine::test::readWav(recording, wav) && wav.info.channels == 2 && wav.info.samplerate == 48000);
    const std::vector<float> sound = wav.channel(0);
    ASSERT_GE(sound.size(), static_cast<std::size_t>(2.5f * kRate));
    EXPECT_GT(bestPitchContrast(sound, 220.0f, 329.63f), 10.0f) << "A3 at its pitch";
    EXPECT_GT(bestPitchContrast(sound, 329.63f, 220.0f), 10.0f) << "E4 at its pitch";
    EXPECT_EQ(runCommand("jack_lsp -c Tessarine:out").output,
              "Tessarine:out_left\n   system:playback_1\nTessarine:out_right\n   system:playback_2\n");

    app.signal(SIGTERM);
    const int status = app.waitForExit(std::chrono::seconds(20));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << ": " << fileText(folder / "app.log");
    // The dummy backend has no MIDI ports: --connect says so, and nothing else.
    EXPECT_EQ(fileText(folder / "app.log"), "tessarine-app: no physical MIDI capture ports to connect the input to\n");
    const std::string session = (folder / "data/tessarine/Last session.t9i").string();
    EXPECT_FLOAT_EQ(reverbSizeIn(session), kDistinctReverbSize);

    // Interrupted (Ctrl-C), the second run keeps the session it restored; the
    // start instrument would have saved another value.
    ChildProcess again({TESSARINE_APP_PATH, "--headless"}, (folder / "again.log").string());
    ASSERT_TRUE(apptest::waitForPorts({"Tessarine:out_right"})) << fileText(folder / "again.log");
    EXPECT_EQ(runCommand("jack_lsp -c Tessarine:out").output, "Tessarine:out_left\nTessarine:out_right\n");
    again.signal(SIGINT);
    EXPECT_EQ(again.waitForExit(std::chrono::seconds(20)), 0) << fileText(folder / "again.log");
    EXPECT_EQ(fileText(folder / "again.log"), "");
    EXPECT_FLOAT_EQ(reverbSizeIn(session), kDistinctReverbSize);
}

// Every way the application cannot start is one line on stderr and a failed
// exit, and keeps no session.
TEST(JackApp, RefusesToStartInOneLine)
{
    const Scratch scratch;
    const fs::path& folder = scratch.path();
    ::setenv("JACK_DEFAULT_SERVER", ("nobody-started-" + std::to_string(::getpid())).c_str(), 1);
    std::ofstream(folder / "broken.t9i") << "not an instrument";
    const std::pair<std::string, std::string> cases[] = {
        {"--headless", "tessarine-app: no JACK server is running\n"},
        {"--seed -3", "tessarine-app: Could not convert: --seed = -3\n"},
        {"--instrument '" + (folder / "missing.t9i").string() + "'", "missing.t9i"},
        {"--instrument '" + (folder / "broken.t9i").string() + "'",
         "tessarine-app: cannot read the instrument \"" + (folder / "broken.t9i").string() + "\"\n"},
        {"--no-such-option", "tessarine-app: "},
    };
    for (const auto& [arguments, said] : cases) {
        const auto result = runCommand(std::string(TESSARINE_APP_PATH) + " " + arguments);
        EXPECT_NE(result.status, 0) << arguments;
        EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << arguments << ": " << result.output;
        EXPECT_NE(result.output.find(said), std::string::npos) << arguments << ": " << result.output;
    }
    EXPECT_FALSE(fs::exists(folder / "data"));
    EXPECT_EQ(runCommand(std::string(TESSARINE_APP_PATH) + " --help").status, 0);
}

} // namespace
