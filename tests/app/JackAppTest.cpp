// The built application on a private JACK server, as a musician runs it:
// MIDI from jack_midiseq in, the outputs recorded with jack_rec, stopped with
// SIGTERM, and started again from the session it kept.

#include "PrivateJackServer.h"

#include "core/CoreHost.h"
#include "core/InstrumentCore.h"
#include "params/ParameterTable.h"

#include "support/SignalMeasure.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using apptest::ChildProcess;
using apptest::PrivateJackServer;
using apptest::runCommand;

constexpr float kRate = 48000.0f;
// What the first run plays and the second must still have.
constexpr float kDistinctReverbSize = 0.8125f;

struct QuietHost final : tessarine::CoreHost {
    void automateFromEditor(int, float) override {}
    void automateFromAudio(int, float) override {}
    void serveIdle() override {}
    bool readTransport(tessarine::HostTransport&, bool) override { return false; }
    void editorChanged(bool) override {}
};

fs::path scratch()
{
    const fs::path folder = fs::path(testing::TempDir())
        / ("tessarine-jack-" + std::to_string(::getpid()) + "-"
           + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::string readText(const fs::path& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A factory instrument with one value no instrument of the library has.
std::string writeDistinctInstrument(const fs::path& folder)
{
    QuietHost host;
    tessarine::InstrumentCore core(host, TESSARINE_LIBRARY_ROOT);
    const std::string factory = std::string(TESSARINE_LIBRARY_ROOT)
        + "/TessarineData/Instruments-Factory/Synth Leads/Square Lead.t9i";
    EXPECT_TRUE(core.loadInstrumentFile(factory.c_str())) << factory;
    core.setParameter(tessarine::kReverbSize, kDistinctReverbSize);
    const std::string path = (folder / "Distinct.t9i").string();
    EXPECT_TRUE(core.saveInstrumentFile(path.c_str()));
    return path;
}

float savedReverbSize(const fs::path& session)
{
    QuietHost host;
    tessarine::InstrumentCore core(host, "");
    EXPECT_TRUE(core.loadInstrumentFile(session.c_str())) << session;
    return core.parameter(tessarine::kReverbSize);
}

std::vector<float> leftChannel(const fs::path& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr || info.channels != 2) {
        ADD_FAILURE() << "no stereo recording in " << path;
        if (file != nullptr) {
            sf_close(file);
        }
        return {};
    }
    EXPECT_EQ(info.samplerate, static_cast<int>(kRate));
    std::vector<float> frames(static_cast<std::size_t>(info.frames) * 2);
    const sf_count_t read = sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    std::vector<float> left(static_cast<std::size_t>(read));
    for (std::size_t i = 0; i < left.size(); ++i) {
        left[i] = frames[2 * i];
    }
    return left;
}

// The loudest of the note's fundamental over stretches of the recording,
// measured against the other note and the pitches a semitone either side:
// the best stretch's ratio to the strongest of those.
float bestPitchContrast(const std::vector<float>& sound, float frequency, float otherNote)
{
    constexpr std::size_t kStretch = 8192;
    const float semitone = std::pow(2.0f, 1.0f / 12.0f);
    float best = 0.0f;
    for (std::size_t from = 0; from + kStretch <= sound.size(); from += kStretch / 4) {
        const float at = tessarine::test::toneAmplitude(sound, from, kStretch, kRate, frequency);
        if (at < 1e-3f) {
            continue;
        }
        float rival = 0.0f;
        for (float other : {otherNote, frequency * semitone, frequency / semitone}) {
            rival = std::max(rival, tessarine::test::toneAmplitude(sound, from, kStretch, kRate, other));
        }
        best = std::max(best, at / std::max(rival, 1e-9f));
    }
    return best;
}

// One run: plays A3 and E4 in a loop of one second into the application,
// records three seconds of it, then stops it the way a session manager does.
TEST(JackApp, PlaysWhatItHearsAndComesBackToTheSessionItKept)
{
    const fs::path folder = scratch();
    PrivateJackServer server((folder / "jackd.log").string());
    ASSERT_TRUE(server.up());
    ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    const fs::path session = folder / "data/tessarine/Last session.t9i";
    const std::string instrument = writeDistinctInstrument(folder);

    ChildProcess app({TESSARINE_APP_PATH, "--headless", "--seed", "5", "--instrument", instrument},
                     (folder / "app.log").string());
    ASSERT_TRUE(apptest::waitForPorts({"Tessarine:midi_in", "Tessarine:out_left", "Tessarine:out_right"},
                                      std::chrono::seconds(30)))
        << readText(folder / "app.log");
    ChildProcess sequencer({"jack_midiseq", "Sequencer", "48000", "0", "57", "20000", "24000", "64", "20000"}, "");
    ASSERT_TRUE(apptest::waitForPorts({"Sequencer:out"}, std::chrono::seconds(10)));
    ASSERT_EQ(runCommand("jack_connect Sequencer:out Tessarine:midi_in").status, 0);
    const fs::path recording = folder / "out.wav";
    const apptest::CommandOutput recorded = runCommand("timeout 30 jack_rec -f '" + recording.string()
                                                       + "' -d 3 Tessarine:out_left Tessarine:out_right");
    ASSERT_EQ(recorded.status, 0) << recorded.text;

    const std::vector<float> sound = leftChannel(recording);
    ASSERT_GE(sound.size(), static_cast<std::size_t>(2.5f * kRate));
    const float a3 = bestPitchContrast(sound, 220.0f, 329.63f);
    const float e4 = bestPitchContrast(sound, 329.63f, 220.0f);
    EXPECT_GT(a3, 10.0f) << "A3 is heard at its pitch";
    EXPECT_GT(e4, 10.0f) << "E4 is heard at its pitch";

    app.signal(SIGTERM);
    const int status = app.waitForExit(std::chrono::seconds(20));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << ": " << readText(folder / "app.log");
    ASSERT_TRUE(fs::exists(session));
    EXPECT_FLOAT_EQ(savedReverbSize(session), kDistinctReverbSize);

    // Started again without an instrument, it plays the session and keeps it
    // when interrupted (Ctrl-C); the start instrument would have saved another value.
    ChildProcess again({TESSARINE_APP_PATH, "--headless"}, (folder / "again.log").string());
    ASSERT_TRUE(apptest::waitForPorts({"Tessarine:midi_in"}, std::chrono::seconds(30))) << readText(folder / "again.log");
    again.signal(SIGINT);
    const int againStatus = again.waitForExit(std::chrono::seconds(20));
    ASSERT_TRUE(WIFEXITED(againStatus) && WEXITSTATUS(againStatus) == 0) << readText(folder / "again.log");
    EXPECT_FLOAT_EQ(savedReverbSize(session), kDistinctReverbSize);
    EXPECT_EQ(readText(folder / "again.log"), "") << "a clean headless run says nothing";
}

// Outputs to the physical playback ports, and nothing connected without --connect.
TEST(JackApp, ConnectsToThePhysicalPortsOnlyWhenAsked)
{
    const fs::path folder = scratch();
    PrivateJackServer server((folder / "jackd.log").string());
    ASSERT_TRUE(server.up());
    ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    for (const bool connect : {false, true}) {
        std::vector<std::string> arguments = {TESSARINE_APP_PATH, "--headless"};
        if (connect) {
            arguments.push_back("--connect");
        }
        ChildProcess app(arguments, (folder / "app.log").string());
        ASSERT_TRUE(apptest::waitForPorts({"Tessarine:out_right"}, std::chrono::seconds(30)));
        std::string connections;
        for (int attempt = 0; attempt < 50; ++attempt) {
            connections = runCommand("jack_lsp -c Tessarine:out").text;
            if (!connect || connections.find("system:playback_2") != std::string::npos) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        const std::string expected = connect ? "Tessarine:out_left\n   system:playback_1\nTessarine:out_right\n"
                                               "   system:playback_2\n"
                                             : "Tessarine:out_left\nTessarine:out_right\n";
        EXPECT_EQ(connections, expected) << (connect ? "with" : "without") << " --connect";
        app.signal(SIGTERM);
        EXPECT_EQ(app.waitForExit(std::chrono::seconds(20)), 0);
    }
}

// Every way the application cannot start is one line on stderr and a failed exit.
TEST(JackApp, RefusesToStartInOneLine)
{
    const fs::path folder = scratch();
    ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    ::setenv("JACK_DEFAULT_SERVER", ("nobody-started-" + std::to_string(::getpid())).c_str(), 1);
    struct Case {
        std::string arguments;
        std::string said;
    };
    const Case cases[] = {
        {"--headless", "tessarine-app: no JACK server is running\n"},
        {"--headless --seed -3", "tessarine-app: Could not convert: --seed = -3\n"},
        {"--headless --instrument '" + (folder / "missing.t9i").string() + "'", "missing.t9i"},
        {"--no-such-option", "tessarine-app: "},
    };
    std::ofstream(folder / "broken.t9i") << "not an instrument";
    for (const Case& c : cases) {
        const apptest::CommandOutput result = runCommand(std::string(TESSARINE_APP_PATH) + " " + c.arguments);
        EXPECT_NE(result.status, 0) << c.arguments;
        EXPECT_EQ(std::count(result.text.begin(), result.text.end(), '\n'), 1) << c.arguments << ": " << result.text;
        EXPECT_NE(result.text.find(c.said), std::string::npos) << c.arguments << ": " << result.text;
    }
    const apptest::CommandOutput broken = runCommand(std::string(TESSARINE_APP_PATH) + " --headless --instrument '"
                                                     + (folder / "broken.t9i").string() + "'");
    EXPECT_EQ(broken.text, "tessarine-app: cannot read the instrument \"" + (folder / "broken.t9i").string() + "\"\n");
    EXPECT_NE(broken.status, 0);
    EXPECT_FALSE(fs::exists(folder / "data")) << "a run that never started keeps no session";
    EXPECT_EQ(runCommand(std::string(TESSARINE_APP_PATH) + " --help").status, 0);
}

} // namespace
