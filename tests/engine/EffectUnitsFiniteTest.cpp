// Every effect unit, at every sample rate a host may run, driven with noise,
// silence and full-scale square waves at extreme settings, gives finite output
// with no denormals. Catches NaN from a bad parameter, an unstable design, an
// index past a buffer (under the sanitizers) and a tail that goes denormal.

#include "SignalMeasure.h"
#include "engine/Biquad.h"
#include "engine/BrightnessFilter.h"
#include "engine/Chorus.h"
#include "engine/DriveStage.h"
#include "engine/EffectChain.h"
#include "engine/Reverb.h"
#include "engine/ScopedFlushDenormals.h"
#include "engine/StereoDelay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace tessarine {
namespace {

// Processes left and right (mono units use left) in the given block size.
using Unit = std::function<void(float* left, float* right, int frames)>;
using UnitFactory = std::function<Unit(float rate, float value)>;

bool clean(float v) { return std::isfinite(v) && (v == 0.0f || std::fpclassify(v) == FP_NORMAL); }

std::vector<float> squareWave(int frames)
{
    std::vector<float> out(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        out[static_cast<std::size_t>(i)] = (i / 50) % 2 == 0 ? 1.0f : -1.0f;
    }
    return out;
}

template <typename T>
std::shared_ptr<T> shared(T&& unit)
{
    return std::make_shared<T>(std::move(unit));
}

const std::vector<std::pair<std::string, UnitFactory>>& units()
{
    static const std::vector<std::pair<std::string, UnitFactory>> list = {
        {"Biquad", [](float rate, float v) -> Unit {
             // Frequencies from 0 to far past Nyquist, widths from 0 up.
             auto f = std::make_shared<std::array<Biquad, 4>>();
             double hz = 30000.0 * v, width = 4.0 * v;
             (*f)[0].designLowPass(hz, rate, BiquadWidth::quality(width));
             (*f)[1].designHighPass(hz, rate, BiquadWidth::octaves(width));
             (*f)[2].designBandPass(hz, rate, BiquadWidth::quality(width));
             (*f)[3].designPeaking(hz, rate, BiquadWidth::octaves(width), 40.0 * v - 20.0);
             return [f](float* l, float*, int n) {
                 for (Biquad& b : *f) {
                     b.flushTinyState();
                     b.process(l, n);
                 }
             };
         }},
        {"BrightnessFilter", [](float rate, float v) -> Unit {
             BrightnessFilter unit;
             unit.setSampleRate(rate);
             unit.setBrightness(v);
             auto u = shared(std::move(unit));
             return [u](float* l, float*, int n) { u->process(l, n); };
         }},
        {"DriveStage", [](float rate, float v) -> Unit {
             DriveStage unit;
             unit.setSampleRate(rate);
             unit.setDistortion(v);
             unit.setTube(v);
             unit.setCompress(v);
             unit.setBass(v);
             auto u = shared(std::move(unit));
             return [u](float* l, float*, int n) { u->process(l, n); };
         }},
        {"Chorus", [](float rate, float v) -> Unit {
             Chorus unit;
             unit.setSampleRate(rate);
             unit.setMix(v);
             unit.setRate(v);
             unit.setTimes(v, v);
             auto u = shared(std::move(unit));
             return [u](float* l, float* r, int n) { u->process(l, r, n); };
         }},
        {"StereoDelay", [](float rate, float v) -> Unit {
             StereoDelay unit;
             unit.setSampleRate(rate);
             unit.setMix(v);
             unit.setFeedback(v);
             unit.setSync(v, 1.0f - v);
             unit.setTempo(std::isnan(v) ? std::nan("") : 1000.0 * v);
             auto u = shared(std::move(unit));
             return [u](float* l, float* r, int n) { u->process(l, r, n); };
         }},
        {"Reverb", [](float rate, float v) -> Unit {
             Reverb unit;
             unit.setSampleRate(rate);
             unit.setMix(v);
             unit.setSize(v);
             unit.setDecay(v);
             auto u = shared(std::move(unit));
             return [u](float* l, float* r, int n) { u->process(l, r, n); };
         }},
        {"EffectChain", [](float rate, float v) -> Unit {
             auto chain = std::make_shared<EffectChain>();
             chain->setSampleRate(rate);
             chain->setTempo(std::isnan(v) ? 0.0 : 300.0 * v);
             EffectInputs in;
             for (float* field : {&in.volume, &in.width, &in.brightness, &in.distortion, &in.tube, &in.compress,
                                  &in.bass, &in.chorusMix, &in.chorusDelay, &in.chorusDepth, &in.chorusRate,
                                  &in.delayMix, &in.delayFeedback, &in.delaySyncL, &in.delaySyncR, &in.reverbMix,
                                  &in.reverbSize, &in.reverbDecay}) {
                 *field = v;
             }
             in.distortionOn = in.chorusOn = in.delayOn = in.reverbOn = 1.0f;
             return [chain, in](float* l, float* r, int n) { chain->process(in, l, r, n); };
         }},
    };
    return list;
}

TEST(EffectUnits, FiniteOutputWithoutDenormalsForAnyInputAndSetting)
{
    // As in render: within a block, decaying recursions rely on flush-to-zero.
    ScopedFlushDenormals noDenormals;
    // Noise, silence, a full-scale square wave and silence again, in one run
    // per unit so that each state change meets a running unit.
    std::vector<float> signal = test::noise(4000);
    signal.resize(6000, 0.0f);
    const std::vector<float> square = squareWave(4000);
    signal.insert(signal.end(), square.begin(), square.end());
    signal.resize(12000, 0.0f);
    const int block = 512;
    // A rate of 0 is what a scanning host announces; the units keep their last usable rate.
    for (float rate : {22050.0f, 192000.0f, 0.0f}) {
        for (float value : {0.0f, 1.0f, 0.37f, std::nanf(""), -3.0f, 7.5f}) {
            for (const auto& [name, factory] : units()) {
                Unit unit = factory(rate, value);
                std::vector<float> left = signal, right = signal;
                for (int pos = 0; pos < static_cast<int>(left.size()); pos += block) {
                    unit(left.data() + pos, right.data() + pos, std::min(block, static_cast<int>(left.size()) - pos));
                }
                for (std::size_t i = 0; i < left.size(); ++i) {
                    ASSERT_TRUE(clean(left[i]) && clean(right[i]))
                        << name << " at " << rate << " Hz, value " << value << ", sample " << i << ": " << left[i]
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
