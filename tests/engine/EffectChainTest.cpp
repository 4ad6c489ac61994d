// The chain's switches and the requests the engine makes of it: chorus off
// copies left to right, resets clear tails, a tempo change clears the delay.

#include "SignalMeasure.h"
#include "engine/EffectChain.h"

#include <gtest/gtest.h>

namespace tessarine {
namespace {

EffectInputs allOff()
{
    EffectInputs in;
    in.brightness = 0.5f;
    return in;
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
        {"delay kept by a reverb reset", &EffectInputs::delayOn, [](EffectChain& c) { c.resetReverb(); }, false},
        {"reverb kept", &EffectInputs::reverbOn, [](EffectChain&) {}, false},
        {"reverb reset", &EffectInputs::reverbOn, [](EffectChain& c) { c.resetReverb(); }, true},
        {"reverb by the whole reset", &EffectInputs::reverbOn, [](EffectChain& c) { c.reset(); }, true},
    };
    for (const Case& c : cases) {
        EffectChain chain;
        EffectInputs in = allOff();
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

} // namespace
} // namespace tessarine
