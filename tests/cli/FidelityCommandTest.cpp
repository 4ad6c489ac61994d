// `tessarine fidelity` end to end on tones whose content is known: a pure
// harmonic tone between two keys comes back at its pitch (the detune takes the
// key there) with its harmonic levels and no holes, whether the reference
// pitch comes from a sidecar or is measured; a plucked note keeps the noise
// under its decay at the level recorded; and a missing recording is one error
// line and a failed exit. Its strict harmonic balance on tones whose levels
// are known: a harmonic off by a known amount shows by that amount less the
// mean difference, a level offset of the whole render does not show, harmonics
// 40 dB under the strongest do not count, and the steadiest second of a note
// is found past a wavering start.

#include "commands/StrictHarmonicBalance.h"
#include "support/BarePlugin.h"
#include "support/RunCommand.h"
#include "support/SoundFileHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <random>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace tessarine::host;
using tessarine::test::runCli;

std::vector<float> harmonicTone(double f0, int harmonics, double rate, double seconds)
{
    std::vector<float> x(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0.0;
        for (int h = 1; h <= harmonics; ++h) {
            v += std::sin(2.0 * std::numbers::pi * h * f0 * t) / h;
        }
        // 10 ms in and out, so neither end clicks.
        x[i] = static_cast<float>(0.3 * v * std::min({1.0, t / 0.01, (seconds - t) / 0.01}));
    }
    return x;
}

// The number after "key": in the n-th occurrence (0-based) of it.
double jsonNumber(const std::string& json, const std::string& key, int n)
{
    std::size_t at = 0;
    for (int i = 0; i <= n; ++i) {
        at = json.find("\"" + key + "\":", at);
        if (at == std::string::npos) {
            return NAN;
        }
        at += key.size() + 3;
    }
    return std::strtod(json.c_str() + at, nullptr);
}

TEST(FidelityCommand, HarmonicTonesComeBackWholeAndAMissingFileFails)
{
    const std::string withSidecar = testsound::scratchPath("fidelity-226.wav");
    const std::string measured = testsound::scratchPath("fidelity-330.wav");
    const std::string report = testsound::scratchPath("fidelity.json");
    ASSERT_TRUE(testsound::writeSound(withSidecar, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1,
                                      harmonicTone(226.0, 10, 44100.0, 1.0)));
    std::ofstream(testsound::scratchPath("fidelity-226.json")) << R"({"f0": 226, "pitched": true, "content": "test"})";
    ASSERT_TRUE(testsound::writeSound(measured, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1,
                                      harmonicTone(330.0, 8, 22050.0, 0.8)));

    // Noise 20 dB under the partials' peak, dying away with them.
    std::vector<float> pluck = harmonicTone(220.0, 10, 44100.0, 2.0);
    std::mt19937 random(5);
    std::normal_distribution<float> noise(0.0f, 0.03f);
    for (std::size_t i = 0; i < pluck.size(); ++i) {
        pluck[i] = (pluck[i] + noise(random)) * static_cast<float>(std::exp(-static_cast<double>(i) / 26460.0));
    }
    const std::string plucked = testsound::scratchPath("fidelity-pluck.wav");
    ASSERT_TRUE(testsound::writeSound(plucked, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1, pluck));

    const auto result = runCli("fidelity " + withSidecar + " " + measured + " " + plucked + " --json " + report +
                               " --plugin " + tessarine::test::barePluginPath());
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("h1-10 within 1 dB"), std::string::npos) << result.output;
    std::ifstream in(report);
    const std::string json(std::istreambuf_iterator<char>(in), {});
    for (int file = 0; file < 2; ++file) {
        SCOPED_TRACE(file == 0 ? "sidecar" : "measured");
        EXPECT_NEAR(jsonNumber(json, "reference_f0", file), file == 0 ? 226.0 : 330.0, 0.2);
        // The analysis's own estimate, judged by the benchmark's tolerance.
        EXPECT_LT(std::fabs(jsonNumber(json, "pitch_cents", file)), 5.0);
        EXPECT_LT(jsonNumber(json, "max_harmonic_diff_db", file), 2.0);
        EXPECT_LT(jsonNumber(json, "lsd_db", file), 3.0);
        EXPECT_LE(jsonNumber(json, "lsd_below_5k5_db", file), jsonNumber(json, "lsd_db", file) + 0.5);
        EXPECT_EQ(jsonNumber(json, "holes", file), 0.0);
        EXPECT_NEAR(jsonNumber(json, "render_seconds", file), jsonNumber(json, "recording_seconds", file), 0.1);
    }
    // A noise gated away or played 6 dB quiet leaves the spectrum between the
    // partials 6 dB or more apart.
    EXPECT_LT(jsonNumber(json, "lsd_db", 2), 4.0);

    const auto missing = runCli("fidelity " + testsound::scratchPath("no-such-note.wav") + " --plugin " +
                                tessarine::test::barePluginPath());
    EXPECT_NE(missing.status, 0);
    EXPECT_EQ(std::count(missing.output.begin(), missing.output.end(), '\n'), 1) << missing.output;
    EXPECT_EQ(missing.output.rfind("tessarine fidelity: ", 0), 0u) << missing.output;
}

constexpr double kRate = 44100.0;
constexpr double kF0 = 220.0;

// Ten harmonics at 1/h, harmonic `changed` moved by changeDb and harmonic 10
// put weakDb under its level; the whole scaled by gain. From `steadyFrom`
// seconds on the tone is steady, before it a 6 Hz tremolo of ±6 dB.
std::vector<float> tone(int changed, double changeDb, double weakDb, double gain, double seconds, double steadyFrom)
{
    std::vector<float> x(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double v = 0.0;
        for (int h = 1; h <= 10; ++h) {
            double db = h == changed ? changeDb : 0.0;
            db -= h == 10 ? weakDb : 0.0;
            v += std::pow(10.0, db / 20.0) / h * std::sin(2.0 * std::numbers::pi * h * kF0 * t);
        }
        const double tremolo = t < steadyFrom ? std::pow(10.0, 6.0 * std::sin(2.0 * std::numbers::pi * 6.0 * t) / 20.0) : 1.0;
        x[i] = static_cast<float>(0.05 * gain * tremolo * v);
    }
    return x;
}

TEST(StrictHarmonicBalance, WorstHarmonicAfterTheMeanDifference)
{
    // weakDb: harmonic 10 under its 1/h level, in both sounds.
    struct Case { int changed; double changeDb, gain, weakDb, worst; int compared; };
    const Case cases[] = {
        {0, 0.0, 1.0, 0.0, 0.0, 10},
        {0, 0.0, 0.5, 0.0, 0.0, 10},       // a level offset is free
        {3, 2.0, 1.0, 0.0, 1.8, 10},       // 2 dB less the mean of 0.2 dB
        {3, -3.0, 2.0, 0.0, 2.7, 10},
        {3, 2.0, 1.0, 30.0, 2.0 - 2.0 / 9.0, 9}, // harmonic 10 is 50 dB under the first: not compared
    };
    for (const Case& c : cases) {
        const std::vector<float> recording = tone(0, 0.0, c.weakDb, 1.0, 2.0, 0.0);
        const StrictBalance b =
            strictBalance(recording, tone(c.changed, c.changeDb, c.weakDb, c.gain, 2.0, 0.0), kRate, kF0, 2.0);
        EXPECT_EQ(b.compared, c.compared) << c.changed << ' ' << c.changeDb;
        EXPECT_NEAR(b.worstDb, c.worst, 0.05) << c.changed << ' ' << c.changeDb;
        EXPECT_NEAR(b.worstSpanDb, c.worst, 0.05) << c.changed << ' ' << c.changeDb;
    }
}

TEST(StrictHarmonicBalance, SteadiestSecondLiesPastAWaveringStart)
{
    const std::vector<float> x = tone(0, 0.0, 0.0, 1.0, 3.0, 1.2);
    const double start = steadiestSegment(x, kRate, 3.0, 1.0);
    EXPECT_TRUE(start >= 1.15 && start <= 2.0) << start;
    EXPECT_EQ(steadiestSegment(x, kRate, 0.8, 1.0), 0.0) << "a shorter sound is measured whole";
}

} // namespace
