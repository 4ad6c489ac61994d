// The LV2 plug-in through lilv, as a host sees it: notes through the event
// port, state saved and recalled, refused state, presets, and run() that
// never allocates.

#include "Lv2TestHost.h"
#include "support/AllocationCounter.h"

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace lv2test {
namespace {

constexpr double kRate = 48000.0;
constexpr int kVolume = 47;

// The frequency between lowHz and highHz with the most energy (Goertzel, 1 Hz steps).
double peakFrequency(const std::vector<float>& samples, double lowHz, double highHz)
{
    double best = 0.0, bestPower = -1.0;
    for (double hz = lowHz; hz <= highHz; hz += 1.0) {
        const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kRate);
        double s1 = 0.0, s2 = 0.0;
        for (float x : samples) {
            const double s0 = x + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            best = hz;
        }
    }
    return best;
}

double rms(const std::vector<float>& samples, std::size_t from = 0)
{
    double sum = 0.0;
    for (std::size_t i = from; i < samples.size(); ++i) {
        sum += double{samples[i]} * samples[i];
    }
    return samples.size() > from ? std::sqrt(sum / static_cast<double>(samples.size() - from)) : 0.0;
}

// Finite everywhere and never louder than a few times full scale.
void expectBounded(const std::vector<float>& samples, const std::string& what)
{
    float peak = 0.0f;
    for (float x : samples) {
        ASSERT_TRUE(std::isfinite(x)) << what;
        peak = std::max(peak, std::fabs(x));
    }
    EXPECT_LT(peak, 4.0f) << what;
}

struct Played {
    std::vector<float> left, right;
};


class Lv2Plugin : public ::testing::Test {
protected:
    Played play(Instance& instance, int note, int frames, std::uint32_t seed = 1234)
    {
        instance.seed(seed);
        Sequence events(world.uris());
        events.midi(0, {0x90, static_cast<std::uint8_t>(note), 100});
        Played played;
        instance.render(frames, &events, played.left, played.right);
        return played;
    }

    World world;
};

TEST_F(Lv2Plugin, LoadsAndPlaysTheNoteItIsGiven)
{
    ASSERT_NE(world.plugin(), nullptr) << "the bundle lists the instrument";
    EXPECT_EQ(lilv_plugin_get_num_ports(world.plugin()), 176u);
    Instance instance(world, kRate);
    ASSERT_TRUE(instance.valid());
    const Played played = play(instance, 69, 24000);
    expectBounded(played.left, "note 69");
    std::vector<float> steady(played.left.begin() + 4800, played.left.end());
    ASSERT_GT(rms(steady), 1e-3);
    EXPECT_NEAR(peakFrequency(steady, 100.0, 2000.0), 440.0, 440.0 * 0.01);
}

} // namespace
} // namespace lv2test
