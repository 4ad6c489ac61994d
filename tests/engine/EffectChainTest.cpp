// The chain's switches and the requests the engine makes of it: the output
// gain, chorus off copies left to right, resets clear tails, a tempo change
// clears the delay, and every value reaches its unit.

#include "support/SignalMeasure.h"
#include "engine/effects/EffectChain.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace tessarine {
namespace {

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
    struct Case {
        const char* what;
        float EffectInputs::*on;
        std::function<void(EffectChain&)> request;
        bool clears;
    };
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
    for (int b = 0; b < 3; ++b) {
        chain.process(in, out.left.data() + b * kBlock, out.right.data() + b * kBlock, kBlock);
    }
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
        if (c.on != nullptr) {
            usual.*c.on = 1.0f;
        }
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
