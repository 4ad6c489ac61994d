#pragma once
// What the application's tests share: a core host that tells nobody anything,
// a file's bytes, how clearly a recording plays a pitch, and a JACK server of
// the test's own (private_jackd.py, periods of 512) under a name no
// other test uses, which reaches every program the test starts through
// JACK_DEFAULT_SERVER in this process's environment.

#include "core/CoreHost.h"
#include "support/ChildProcess.h"
#include "support/RunCommand.h"
#include "support/SignalMeasure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace apptest {

using tessarine::test::ChildProcess;

struct QuietHost final : tessarine::CoreHost {
    void automateFromEditor(int, float) override {}
    void automateFromAudio(int, float) override {}
    void serveIdle() override {}
    bool readTransport(tessarine::HostTransport&, bool) override { return false; }
    void editorChanged(bool) override {}
};

inline std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How far a note's fundamental stands above the pitches a semitone either
// side, and above otherNote when one is given, in n samples from `from`;
// 0 when the fundamental itself is below level.
inline float pitchContrast(const std::vector<float>& sound, std::size_t from, std::size_t n, float rate,
                           float frequency, float level, float otherNote = 0.0f)
{
    const auto at = [&](float f) { return f > 0.0f ? tessarine::test::toneAmplitude(sound, from, n, rate, f) : 0.0f; };
    const float semitone = std::pow(2.0f, 1.0f / 12.0f);
    const float rival = std::max({at(otherNote), at(frequency * semitone), at(frequency / semitone), 1e-6f});
    return at(frequency) > level ? at(frequency) / rival : 0.0f;
}

// A shell command line's exit status and its output, stderr joined.
inline tessarine::test::CommandResult runCommand(const std::string& command)
{
    return tessarine::test::runShell(command + " 2>&1");
}

// Waits until jack_lsp lists every port named.
inline bool waitForPorts(const std::vector<std::string>& ports)
{
    for (int attempt = 0; attempt < 300; ++attempt) {
        const std::string listed = runCommand("jack_lsp").output;
        if (std::all_of(ports.begin(), ports.end(),
                        [&](const std::string& port) { return listed.find(port + "\n") != std::string::npos; })) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

class PrivateJackServer {
public:
    // A server that does not start fails the test with its own words: CI has jackd, nothing is skipped.
    explicit PrivateJackServer(const std::string& logPath)
        : name_("tessarine-" + std::to_string(::getpid()) + "-"
                + testing::UnitTest::GetInstance()->current_test_info()->name()),
          server_(serverCommand(name_), logPath)
    {
        up_ = server_.started() && runCommand("jack_wait -w -t 20").status == 0;
        if (!up_) {
            ADD_FAILURE() << "the private JACK server " << name_ << " did not start:\n" << fileText(logPath);
        }
    }
    ~PrivateJackServer()
    {
        // Killed, a server would keep its place in JACK's registry of eight.
        server_.signal(SIGTERM);
        EXPECT_EQ(server_.waitForExit(std::chrono::seconds(30)), 0) << "the private JACK server stops when asked";
    }

    bool up() const { return up_; }

private:
    static std::vector<std::string> serverCommand(const std::string& name)
    {
        ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        return {"python3", TESSARINE_PRIVATE_JACKD, name, "512"};
    }

    std::string name_;
    ChildProcess server_;
    bool up_ = false;
};

} // namespace apptest
