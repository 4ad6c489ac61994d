// Every effect unit, at every sample rate a host may run, driven with noise,
// silence and full-scale square waves at extreme settings, gives finite output
// with no denormals. Catches NaN from a bad parameter, an unstable design, an
// index past a buffer (under the sanitizers) and a tail that goes denormal.

#include "support/SignalMeasure.h"
#include "engine/effects/Biquad.h"
#include "engine/effects/BrightnessFilter.h"
#include "engine/effects/Chorus.h"
#include "engine/effects/DriveStage.h"
#include "engine/effects/EffectChain.h"
#include "engine/effects/Reverb.h"
#include "engine/ScopedFlushDenormals.h"
#include "engine/effects/StereoDelay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace tessarine {
namespace {

// A unit set up at a rate with every setting at one value; mono units use left.
using Unit = std::function<void(float* left, float* right, int frames)>;

bool clean(float v) { return std::isfinite(v) && (v == 0.0f || std::fpclassify(v) == FP_NORMAL); }

template <typename U, typename Setup>
Unit make(float rate, Setup setup)
{
    auto unit = std::make_shared<U>();
    unit->setSampleRate(rate);
    setup(*unit);
    return [unit](float* l, float* r, int n) {
        if constexpr (requires { unit->process(l, r, n); }) {
            unit->process(l, r, n);
        } else {
            unit->process(l, n);
        }
    };
}

std::vector<Unit> unitsAt(float rate, float v)
{
    // In order: four biquads, brightness, drive, chorus, delay, reverb, the chain.
    // Biquad frequencies run from 0 to far past Nyquist, widths from 0 up.
    auto biquads = std::make_shared<std::array<Biquad, 4>>();
    (*biquads)[0].designLowPass(30000.0 * v, rate, BiquadWidth::quality(4.0 * v));
    (*biquads)[1].designHighPass(30000.0 * v, rate, BiquadWidth::octaves(4.0 * v));
    (*biquads)[2].designBandPass(30000.0 * v, rate, BiquadWidth::quality(4.0 * v));
    (*biquads)[3].designPeaking(30000.0 * v, rate, BiquadWidth::octaves(4.0 * v), 40.0 * v - 20.0);
    EffectInputs in;
    for (float* field : {&in.volume, &in.width, &in.brightness, &in.distortion, &in.tube, &in.compress, &in.bass,
                         &in.chorusMix, &in.chorusDelay, &in.chorusDepth, &in.chorusRate, &in.delayMix,
                         &in.delayFeedback, &in.delaySyncL, &in.delaySyncR, &in.reverbMix, &in.reverbSize,
                         &in.reverbDecay}) {
        *field = v;
    }
    in.distortionOn = in.chorusOn = in.delayOn = in.reverbOn = 1.0f;
    auto chain = std::make_shared<EffectChain>();
    chain->setSampleRate(rate);
    chain->setTempo(std::isnan(v) ? 0.0 : 300.0 * v);
    return {
        [biquads](float* l, float*, int n) {
            for (Biquad& b : *biquads) {
                b.flushTinyState();
                b.process(l, n);
            }
        },
        make<BrightnessFilter>(rate, [v](auto& u) { u.setBrightness(v); }),
        make<DriveStage>(rate, [v](auto& u) { u.setDistortion(v); u.setTube(v); u.setCompress(v); u.setBass(v); }),
        make<Chorus>(rate, [v](auto& u) { u.setMix(v); u.setRate(v); u.setTimes(v, v); }),
        make<StereoDelay>(rate, [v](auto& u) {
            u.setMix(v); u.setFeedback(v); u.setSync(v, 1.0f - v);
            u.setTempo(std::isnan(v) ? std::nan("") : 1000.0 * v);
        }),
        make<Reverb>(rate, [v](auto& u) { u.setMix(v); u.setSize(v); u.setDecay(v); }),
        [chain, in](float* l, float* r, int n) { chain->process(in, l, r, n); },
    };
}

TEST(EffectUnits, FiniteOutputWithoutDenormalsForAnyInputAndSetting)
{
    // As in render: within a block, decaying recursions rely on flush-to-zero.
    ScopedFlushDenormals noDenormals;
    // Noise, silence, a full-scale square wave and silence again, in one run
    // per unit so that each state change meets a running unit.
    std::vector<float> signal = test::noise(4000);
    signal.resize(6000, 0.0f);
    for (int i = 0; i < 4000; ++i) {
        signal.push_back((i / 50) % 2 == 0 ? 1.0f : -1.0f);
    }
    signal.resize(12000, 0.0f);
    const int block = 512;
    // A rate of 0 is what a scanning host announces; the units keep their last usable rate.
    for (float rate : {22050.0f, 192000.0f, 0.0f}) {
        for (float value : {0.0f, 1.0f, 0.37f, std::nanf(""), -3.0f, 7.5f}) {
            std::vector<Unit> units = unitsAt(rate, value);
            for (std::size_t which = 0; which < units.size(); ++which) {
                const Unit& unit = units[which];
                std::vector<float> left = signal, right = signal;
                for (int pos = 0; pos < static_cast<int>(left.size()); pos += block) {
                    unit(left.data() + pos, right.data() + pos, std::min(block, static_cast<int>(left.size()) - pos));
                }
                for (std::size_t i = 0; i < left.size(); ++i) {
                    ASSERT_TRUE(clean(left[i]) && clean(right[i]))
                        << "unit " << which << " at " << rate << " Hz, value " << value << ", sample " << i << ": " << left[i]
                        << " " << right[i];
                }
            }
        }
    }
}

TEST(EffectUnits, FilterTailsSettleToExactZeroWithoutFlushToZero)
{
    // Without the processor's flushing, the units' own flush at each block
    // start must still end a decayed tail instead of leaving it denormal.
    for (float rate : {22050.0f, 192000.0f}) {
        BrightnessFilter brightness;
        brightness.setSampleRate(rate);
        brightness.setBrightness(0.0f);
        DriveStage drive;
        drive.setSampleRate(rate);
        drive.setBass(1.0f);
        std::vector<float> a = test::noise(1024), b = a;
        a.resize(static_cast<std::size_t>(4 * rate), 0.0f);
        b.resize(a.size(), 0.0f);
        for (std::size_t pos = 0; pos < a.size(); pos += 256) {
            int n = static_cast<int>(std::min<std::size_t>(256, a.size() - pos));
            brightness.process(a.data() + pos, n);
            drive.process(b.data() + pos, n);
        }
        EXPECT_EQ(a.back(), 0.0f) << rate;
        EXPECT_EQ(b.back(), 0.0f) << rate;
    }
}

} // namespace
} // namespace tessarine
