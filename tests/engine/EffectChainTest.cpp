// The chain must keep its sound through any rework of its inner loops: a fixed
// two-second signal (noise, clicks and a sine) through every effect together
// and each one alone, at two rates, still measures as it did when the table
// below was recorded. Each channel is reduced to its level and four
// projections onto a fixed random sign sequence, one per half second: a level
// catches a wrong gain, a projection a shift by one sample or a lost block.
// Both agree to -100 dB of the signal, room for sums taken in another order.
// The chain is fed in uneven stretches, so no block size can hide a fault at
// the edge of a stretch.
//
// And the chain's switches and the requests the engine makes of it: resets
// clear tails, a tempo change clears the delay, and every value reaches its
// unit; and the output gain, which leaves a mono input mono.

#include "support/SignalMeasure.h"
#include "engine/ScopedFlushDenormals.h"
#include "engine/effects/EffectChain.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

namespace tessarine {
namespace {

constexpr int kWindows = 4;
constexpr std::array<int, 7> kStretches = {64, 1, 17, 512, 300, 4096, 5};

struct Setting { const char* name; EffectInputs inputs; double tempo; };

std::vector<Setting> settings()
{
    const EffectInputs all{.width = 0.5f, .brightness = 0.8f, .distortionOn = 1.0f, .distortion = 0.5f, .tube = 0.5f,
                           .compress = 0.5f, .bass = 0.5f, .chorusOn = 1.0f, .delayOn = 1.0f, .delaySyncL = 0.8f,
                           .delaySyncR = 0.55f, .reverbOn = 1.0f};
    const EffectInputs brightness{.brightness = 0.2f};
    const EffectInputs drive{.distortionOn = 1.0f, .distortion = 0.6f, .tube = 0.4f, .compress = 0.7f, .bass = 0.6f};
    const EffectInputs chorus{.chorusOn = 1.0f, .chorusMix = 0.7f, .chorusDelay = 0.3f, .chorusDepth = 0.6f,
                              .chorusRate = 0.4f};
    const EffectInputs delay{.delayOn = 1.0f, .delayMix = 0.8f, .delayFeedback = 0.7f, .delaySyncL = 0.85f,
                             .delaySyncR = 0.6f};
    const EffectInputs reverb{.reverbOn = 1.0f, .reverbMix = 0.6f, .reverbSize = 0.8f, .reverbDecay = 0.3f};
    return {{"all", all, 97.0},          {"brightness", brightness, 120.0}, {"drive", drive, 120.0},
            {"chorus", chorus, 120.0},   {"delay", delay, 140.0},           {"reverb", reverb, 120.0}};
}

std::vector<float> testSignal(float rate)
{
    const int frames = static_cast<int>(2.0f * rate);
    std::vector<float> x(static_cast<std::size_t>(frames));
    std::uint32_t seed = 777;
    for (int i = 0; i < frames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        double noise = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
        double sine = std::sin(2.0 * std::numbers::pi * 220.0 * i / rate);
        x[static_cast<std::size_t>(i)] = static_cast<float>(0.1 * noise + 0.3 * sine);
    }
    for (double at : {0.1, 0.6, 1.25}) x[static_cast<std::size_t>(at * rate)] = 0.9f;
    return x;
}

// Level and the per-window projections of one channel.
struct Measure { double rms; std::array<double, kWindows> projection; };

Measure measure(const std::vector<float>& x)
{
    Measure m{};
    const std::size_t window = x.size() / kWindows;
    std::uint32_t seed = 4242;
    double energy = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        double sign = (seed >> 31) != 0 ? 1.0 : -1.0;
        energy += static_cast<double>(x[i]) * x[i];
        m.projection[std::min<std::size_t>(i / window, kWindows - 1)] += sign * x[i];
    }
    m.rms = std::sqrt(energy / static_cast<double>(x.size()));
    return m;
}

std::array<Measure, 2> render(const Setting& setting, float rate)
{
    ScopedFlushDenormals noDenormals;
    EffectChain chain;
    chain.setSampleRate(rate);
    chain.setTempo(setting.tempo);
    std::vector<float> left = testSignal(rate);
    std::vector<float> right(left.size());
    const int frames = static_cast<int>(left.size());
    for (int at = 0, k = 0; at < frames; ++k) {
        int n = std::min(kStretches[static_cast<std::size_t>(k) % kStretches.size()], frames - at);
        chain.process(setting.inputs, left.data() + at, right.data() + at, n);
        at += n;
    }
    return {measure(left), measure(right)};
}

// Setting by setting, 44.1 kHz then 96 kHz, left then right.
constexpr Measure kRecorded[6][2][2] = {
    { // all
        {{0.0705528744, {0.559248751, 5.83513095, 1.89134552, 13.0160994}}, {0.0531612997, {-2.37271302, 6.54127896, 4.30217001, 16.968351}}},
        {{0.0705925575, {5.28041513, -6.23694367, 4.81333297, -13.7656769}}, {0.0526540317, {0.364948846, -0.671164669, 4.14678967, -2.35284385}}},
    },
    { // brightness
        {{0.215584624, {-11.671453, 13.6509155, 24.0130511, 60.6880537}}, {0.215584624, {-11.671453, 13.6509155, 24.0130511, 60.6880537}}},
        {{0.215196518, {33.6326547, 10.080364, -17.2676729, 39.0284635}}, {0.215196518, {33.6326547, 10.080364, -17.2676729, 39.0284635}}},
    },
    { // drive
        {{0.328954041, {-3.56826391, 28.7303762, 32.3310217, 111.581056}}, {0.328954041, {-3.56826391, 28.7303762, 32.3310217, 111.581056}}},
        {{0.328785838, {53.8741801, 32.4261591, -13.1894203, 18.5064769}}, {0.328785838, {53.8741801, 32.4261591, -13.1894203, 18.5064769}}},
    },
    { // chorus
        {{0.149764436, {-33.4771606, 1.71529803, 8.35009932, 15.6048051}}, {0.155432841, {-4.54512434, 14.9990161, 32.8685919, 42.3123513}}},
        {{0.149585916, {21.8942086, -1.66484896, -9.29312162, 35.1994325}}, {0.15514712, {31.1143215, 16.0551967, -0.106190103, 7.24076726}}},
    },
    { // delay
        {{0.117789149, {-7.98368249, 19.8886726, 9.36585394, 29.759926}}, {0.105452491, {-10.7469397, 7.03402604, 5.99531961, 21.9415876}}},
        {{0.117636832, {-8.18790839, 10.3525264, -16.3308877, 25.2148964}}, {0.105457604, {18.1854203, 7.73185181, -6.58312244, 0.0672188542}}},
    },
    { // reverb
        {{0.145124681, {-5.92834828, 3.36528237, 9.78816545, 30.4545188}}, {0.132385884, {-6.84497266, 13.9893849, 13.3715434, 30.7574071}}},
        {{0.146136501, {21.3245253, 0.872986299, -20.5140175, 16.9044329}}, {0.130961859, {11.5935689, 14.3418686, -9.51700969, 32.7431013}}},
    },
};

TEST(EffectChainReference, SoundsAsRecorded)
{
    const std::vector<Setting> all = settings();
    const std::array<float, 2> rates = {44100.0f, 96000.0f};
    for (std::size_t s = 0; s < all.size(); ++s) {
        for (std::size_t r = 0; r < rates.size(); ++r) {
            std::array<Measure, 2> got = render(all[s], rates[r]);
            for (std::size_t c = 0; c < 2; ++c) {
                const Measure& want = kRecorded[s][r][c];
                SCOPED_TRACE(testing::Message() << all[s].name << " at " << rates[r] << " Hz, channel " << c);
                EXPECT_NEAR(got[c].rms, want.rms, 1e-5 * want.rms);
                // A projection of n samples at level a spreads as a x sqrt(n).
                const double spread = want.rms * std::sqrt(2.0 * rates[r] / kWindows);
                for (int w = 0; w < kWindows; ++w) {
                    EXPECT_NEAR(got[c].projection[w], want.projection[w], 1e-5 * spread) << "window " << w;
                }
            }
        }
    }
}

// Gain is twice the volume, and a mono input stays mono at any width.
TEST(EffectChain, GainIsTwiceTheVolumeAndMonoStaysMono)
{
    for (const EffectInputs& in : {EffectInputs{.volume = 0.0f}, EffectInputs{.volume = 1.0f},
                                   EffectInputs{.width = 0.0f}, EffectInputs{.width = 0.5f}}) {
        std::vector<float> left(64, 0.25f), right(64, 99.0f);
        EffectChain().process(in, left.data(), right.data(), 64);
        for (std::size_t i = 0; i < left.size(); ++i) {
            ASSERT_FLOAT_EQ(left[i], 0.5f * in.volume) << "volume " << in.volume << ", width " << in.width;
            ASSERT_FLOAT_EQ(right[i], left[i]);
        }
    }
}

// Energy of the output after a click, over the next frames samples of silence.
double tailAfterClick(EffectChain& chain, const EffectInputs& in, const std::function<void()>& between)
{
    std::vector<float> left(4096, 0.0f), right(4096);
    left[0] = 1.0f;
    chain.process(in, left.data(), right.data(), 4096);
    between();
    std::vector<float> tailL(30000, 0.0f), tailR(30000);
    chain.process(in, tailL.data(), tailR.data(), 30000);
    return test::energy(tailL, 0, 30000) + test::energy(tailR, 0, 30000);
}

TEST(EffectChain, ResetsAndTempoChangesClearTheTails)
{
    struct Case { const char* what; float EffectInputs::*on; std::function<void(EffectChain&)> request; bool clears; };
    const Case cases[] = {
        {"delay kept", &EffectInputs::delayOn, [](EffectChain&) {}, false},
        {"delay reset", &EffectInputs::delayOn, [](EffectChain& c) { c.resetDelay(); }, true},
        {"delay after a tempo change", &EffectInputs::delayOn, [](EffectChain& c) { c.setTempo(90.0); }, true},
        {"delay after the same tempo", &EffectInputs::delayOn, [](EffectChain& c) { c.setTempo(120.0); }, false},
        {"delay after tempo 0, read as 120", &EffectInputs::delayOn, [](EffectChain& c) { c.setTempo(0.0); }, false},
        {"delay kept by a reverb reset", &EffectInputs::delayOn, [](EffectChain& c) { c.resetReverb(); }, false},
        {"reverb kept", &EffectInputs::reverbOn, [](EffectChain&) {}, false},
        {"reverb reset", &EffectInputs::reverbOn, [](EffectChain& c) { c.resetReverb(); }, true},
        {"reverb by the whole reset", &EffectInputs::reverbOn, [](EffectChain& c) { c.reset(); }, true},
    };
    for (const Case& c : cases) {
        EffectChain chain;
        EffectInputs in; // every unit off
        in.*c.on = 1.0f;
        in.delaySyncL = in.delaySyncR = 1.0f; // first echo at 5513 samples, after the click's block
        double tail = tailAfterClick(chain, in, [&] { c.request(chain); });
        if (c.clears) {
            EXPECT_EQ(tail, 0.0) << c.what;
        } else {
            EXPECT_GT(tail, 0.0) << c.what;
        }
    }
}

struct Stereo {
    std::vector<float> left, right;
    bool operator==(const Stereo&) const = default;
};

// A burst of noise, then silence long enough to hear the delay's
// first echoes and the reverb's tail, processed in three blocks.
Stereo processBurst(EffectChain& chain, const EffectInputs& in)
{
    constexpr int kBlock = 4096;
    Stereo out{test::noise(1024), std::vector<float>(3 * kBlock, 0.0f)};
    out.left.resize(3 * kBlock, 0.0f);
    for (int b = 0; b < 3; ++b) chain.process(in, out.left.data() + b * kBlock, out.right.data() + b * kBlock, kBlock);
    return out;
}

// Every value reaches its unit on the first block, even one that equals the
// chain's idea of "unchanged", and again whenever it changes; a reset leaves
// no trace of what came before.
TEST(EffectChain, EveryValueIsHeardFromTheFirstBlockAndWhenItChanges)
{
    struct Case {
        const char* what;
        float EffectInputs::*value;
        float other;
        float EffectInputs::*on; // the unit's switch, or nullptr
    };
    const Case cases[] = {
        {"volume", &EffectInputs::volume, 0.25f, nullptr},
        {"width", &EffectInputs::width, 0.0f, &EffectInputs::chorusOn},
        {"brightness", &EffectInputs::brightness, 0.9f, nullptr},
        {"distortion", &EffectInputs::distortion, 0.8f, &EffectInputs::distortionOn},
        {"tube", &EffectInputs::tube, 0.5f, &EffectInputs::distortionOn},
        {"compress", &EffectInputs::compress, 0.9f, &EffectInputs::distortionOn},
        {"bass", &EffectInputs::bass, 1.0f, &EffectInputs::distortionOn},
        {"chorus mix", &EffectInputs::chorusMix, 1.0f, &EffectInputs::chorusOn},
        {"chorus delay", &EffectInputs::chorusDelay, 0.3f, &EffectInputs::chorusOn},
        {"chorus depth", &EffectInputs::chorusDepth, 0.1f, &EffectInputs::chorusOn},
        {"chorus rate", &EffectInputs::chorusRate, 0.8f, &EffectInputs::chorusOn},
        {"delay mix", &EffectInputs::delayMix, 0.3f, &EffectInputs::delayOn},
        {"delay feedback", &EffectInputs::delayFeedback, 0.9f, &EffectInputs::delayOn},
        {"delay sync left", &EffectInputs::delaySyncL, 0.3f, &EffectInputs::delayOn},
        {"delay sync right", &EffectInputs::delaySyncR, 1.0f, &EffectInputs::delayOn},
        {"reverb mix", &EffectInputs::reverbMix, 0.3f, &EffectInputs::reverbOn},
        {"reverb size", &EffectInputs::reverbSize, 0.9f, &EffectInputs::reverbOn},
        {"reverb decay", &EffectInputs::reverbDecay, 0.9f, &EffectInputs::reverbOn},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EffectInputs usual; // every unit off
        if (c.on != nullptr) usual.*c.on = 1.0f;
        EffectInputs changed = usual;
        changed.*c.value = c.other;

        EffectChain fresh;
        const Stereo heard = processBurst(fresh, usual);
        EffectChain other;
        const Stereo otherHeard = processBurst(other, changed);
        EXPECT_FALSE(heard == otherHeard) << "the value makes no difference";

        other.reset();
        EXPECT_TRUE(processBurst(other, usual) == heard) << "changed back after a reset, it sounds as from new";
    }
}

} // namespace
} // namespace tessarine
