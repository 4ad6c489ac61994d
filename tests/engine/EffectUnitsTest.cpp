// The effect units and the note filter measured as on the bench: each
// filter's gain at chosen frequencies, the drive curves at their defining
// points, the chorus, delay and reverb heard from their outputs, and every
// unit finite and free of denormals whatever the rate, the input and the
// setting. The finite sweep catches NaN from a bad parameter, an unstable
// design, an index past a buffer (under the sanitizers) and a tail that goes
// denormal.

#include "support/SignalMeasure.h"
#include "engine/effects/Biquad.h"
#include "engine/effects/BrightnessFilter.h"
#include "engine/effects/Chorus.h"
#include "engine/effects/DriveStage.h"
#include "engine/effects/EffectChain.h"
#include "engine/effects/Reverb.h"
#include "engine/effects/StereoDelay.h"
#include "engine/ScopedFlushDenormals.h"
#include "engine/voice/VoiceFilter.h"
#include "params/ParameterMapping.h"
#include "params/ParameterText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>

namespace tessarine {
namespace {

constexpr float kRate = 44100.0f;

Chorus makeChorus(float mix, float delay, float depth, float rate)
{
    Chorus chorus;
    chorus.setSampleRate(kRate);
    chorus.setMix(mix);
    chorus.setRate(rate);
    chorus.setTimes(delay, depth);
    return chorus;
}

Reverb makeReverb(float mix, float size, float decay)
{
    Reverb reverb;
    reverb.setSampleRate(kRate);
    reverb.setMix(mix);
    reverb.setSize(size);
    reverb.setDecay(decay);
    return reverb;
}

using Process = std::function<void(float*, int)>;
// A mono unit made for a sample rate, as the in-place process it runs.
using Filter = std::function<Process(double rate)>;

template <typename U, typename Setup>
Filter filter(Setup setup)
{
    return [=](double rate) {
        auto u = std::make_shared<U>();
        setup(*u, rate);
        return Process([u](float* x, int n) { u->process(x, n); });
    };
}

Filter biquad(void (Biquad::*design)(double, double, BiquadWidth), double fc, BiquadWidth width)
{
    return filter<Biquad>([=](Biquad& f, double rate) { (f.*design)(fc, rate, width); });
}

Filter peaking(double fc, BiquadWidth width, double peakDb)
{
    return filter<Biquad>([=](Biquad& f, double rate) { f.designPeaking(fc, rate, width, peakDb); });
}

// The rate is set last: the corner must follow a rate change.
Filter brightness(float value)
{
    return filter<BrightnessFilter>([=](BrightnessFilter& f, double rate) {
        f.setBrightness(value);
        f.setSampleRate(static_cast<float>(rate));
    });
}

Filter bass(float value)
{
    return filter<DriveStage>([=](DriveStage& s, double rate) {
        s.setSampleRate(static_cast<float>(rate));
        s.setBass(value);
    });
}

// The note filter at its knobs' values, whose corner must be the one the knob shows.
Filter voiceFilter(float mode, float cutoff)
{
    return filter<VoiceFilter>([=](VoiceFilter& f, double rate) {
        f.setSampleRate(static_cast<float>(rate));
        f.setup(filterMode(mode), 0.0f, false, cutoff, 0.0f);
        EXPECT_EQ(static_cast<int>(f.cutoffHz()), cutoffDisplayHz(cutoff)) << cutoff;
    });
}

TEST(EffectUnits, GainAtChosenFrequencies)
{
    struct Case { const char* what; Filter filter; double probe, expectDb, tolerance, rate = 48000.0; };
    const auto q = BiquadWidth::quality(std::sqrt(0.5));
    const auto octave = BiquadWidth::octaves(1);
    const auto lowPass = &Biquad::designLowPass, highPass = &Biquad::designHighPass, bandPass = &Biquad::designBandPass;
    const double edge = std::sqrt(2.0);
    std::vector<Case> cases = {
        {"low-pass corner", biquad(lowPass, 1000, q), 1000, -3.01, 0.05},
        {"low-pass pass band", biquad(lowPass, 1000, q), 50, 0.0, 0.05},
        {"low-pass Q 2 peaks at the corner", biquad(lowPass, 2000, BiquadWidth::quality(2)), 2000, 6.02, 0.05},
        {"high-pass corner", biquad(highPass, 1000, q), 1000, -3.01, 0.05},
        {"high-pass pass band", biquad(highPass, 1000, q), 12000, 0.0, 0.1},
        {"high-pass Q 2 peaks at the corner", biquad(highPass, 900, BiquadWidth::quality(2)), 900, 6.02, 0.05},
        {"band-pass 0 dB at centre", biquad(bandPass, 1000, BiquadWidth::quality(2)), 1000, 0.0, 0.05},
        {"band-pass one octave, lower edge", biquad(bandPass, 1000, octave), 1000 / edge, -3.01, 0.1},
        {"band-pass one octave, upper edge", biquad(bandPass, 1000, octave), 1000 * edge, -3.01, 0.1},
        {"peaking gain at centre", peaking(1000, octave, 10), 1000, 10.0, 0.05},
        {"peaking half gain at band edge", peaking(1000, octave, 10), 1000 * edge, 5.0, 0.1},
        {"peaking cut", peaking(1000, octave, -6), 1000, -6.0, 0.05},
        {"peaking flat far away", peaking(1000, octave, 10), 30, 0.0, 0.1},
        // Skirts, at a rate high enough that warping does not steepen them:
        // 40 dB a decade, 12 dB an octave.
        {"low-pass one decade up", biquad(lowPass, 500, q), 5000, -40.0, 0.3, 192000},
        {"low-pass one more octave", biquad(lowPass, 500, q), 10000, -52.0, 0.4, 192000},
        {"high-pass one decade down", biquad(highPass, 1000, q), 100, -40.0, 0.3, 192000},
        {"high-pass one more octave", biquad(highPass, 1000, q), 50, -52.0, 0.4, 192000},
        // Brightness: a dark 2 kHz low-pass at 0, the dry sound plus twice a 900 Hz high-pass at 1.
        {"dark pass band", brightness(0.0f), 100, 0.0, 0.1, kRate},
        {"dark Q 2 resonance at the corner", brightness(0.0f), 2000, 6.02, 0.05, kRate},
        {"dark stop band, steepened towards Nyquist", brightness(0.0f), 16000, -47.2, 0.2, kRate},
        {"a quarter: half dry, half dark", brightness(0.25f), 16000, -6.0, 0.3, kRate},
        {"bright adds nothing down low", brightness(1.0f), 50, 0.0, 0.1, kRate},
        {"bright: dry + 2 x high-pass", brightness(1.0f), 12000, 9.54, 0.1, kRate},
        {"three quarters: dry + 1 x high-pass", brightness(0.75f), 12000, 6.02, 0.1, kRate},
        {"the dark corner follows a rate change", brightness(0.0f), 2000, 6.02, 0.05, 96000},
        {"bass off", bass(0.0f), 90, 0.0, 1e-4, kRate},
        // The note filter's cutoff knob: fourth-order Butterworth low-pass,
        // -3 dB at the corner and 24 dB an octave (warped a little steeper),
        // second-order high-pass, band-pass times its 4 x Q dB peak, and unity
        // pass bands through the output stage.
        {"voice low-pass corner, cutoff 0.8", voiceFilter(1.0f, 0.8f), 2862.0, -3.01, 0.1, kRate},
        {"voice low-pass corner, cutoff 0.5", voiceFilter(1.0f, 0.5f), 1278.0, -3.01, 0.1, kRate},
        {"voice low-pass an octave up", voiceFilter(1.0f, 0.5f), 2556.0, -24.37, 0.1, kRate},
        {"voice low-pass pass band", voiceFilter(1.0f, 0.5f), 100.0, 0.0, 0.1, kRate},
        {"voice low-pass fully open", voiceFilter(1.0f, 1.0f), 10000.0, 0.0, 0.1, kRate},
        {"voice high-pass pass band", voiceFilter(0.0f, 0.5f), 10000.0, 0.05, 0.1, kRate},
        {"voice high-pass 12 dB an octave below", voiceFilter(0.0f, 0.5f), 320.0, -23.8, 0.1, kRate},
        {"voice band-pass peak", voiceFilter(0.34f, 0.5f), 1278.0, 4.0, 0.1, kRate},
        // Values past the knob's ends land on its limits.
        {"voice cutoff above the top", voiceFilter(1.0f, 5.0f), 10000.0, 0.0, 0.1, kRate},
        {"voice cutoff below the bottom", voiceFilter(0.0f, -2.0f), 10000.0, 0.0, 0.1, kRate},
        {"voice cutoff not a number", voiceFilter(0.0f, std::nanf("")), 10000.0, 0.0, 0.1, kRate},
    };
    // The bass enhancer: a +10 dB bell plus the 40 Hz high-pass's own
    // resonance, the mids alone, rumble cut, at two rates.
    for (double rate : {double(kRate), 192000.0}) {
        cases.push_back({"bass bell", bass(1.0f), 90, 11.7, 0.5, rate});
        cases.push_back({"bass leaves the mids", bass(1.0f), 2000, 0.0, 0.2, rate});
        cases.push_back({"bass cuts rumble", bass(1.0f), 10, -23.0, 1.5, rate});
    }
    for (const Case& c : cases) {
        EXPECT_NEAR(test::gainDb(c.filter(c.rate), c.probe, c.rate), c.expectDb, c.tolerance) << c.what << " at " << c.rate;
    }
}

// At mix 0 the chorus and the reverb, and the chain at its defaults, are bit-exact wires.
TEST(EffectUnits, ZeroMixAndDefaultChainAreBitExactWires)
{
    const std::vector<float> input = test::noise(8192);
    const std::function<void(float*, float*, int)> wires[] = {
        [](float* l, float* r, int n) { makeChorus(0.0f, 0.5f, 1.0f, 1.0f).process(l, r, n); },
        [](float* l, float* r, int n) { std::copy(l, l + n, r); makeReverb(0.0f, 0.5f, 0.5f).process(l, r, n); },
        [](float* l, float* r, int n) { EffectChain().process(EffectInputs{}, l, r, n); },
    };
    for (const auto& wire : wires) {
        std::vector<float> left = input, right(input.size(), 0.5f);
        wire(left.data(), right.data(), 8192);
        EXPECT_EQ(left, input);
        EXPECT_EQ(right, input);
    }
}

struct Amounts { float distortion = 0.0f; float tube = 0.0f; float compress = 0.0f; float bass = 0.0f; };

DriveStage makeStage(const Amounts& a, float rate = 44100.0f)
{
    DriveStage stage;
    stage.setSampleRate(rate);
    stage.setDistortion(a.distortion);
    stage.setTube(a.tube);
    stage.setCompress(a.compress);
    stage.setBass(a.bass);
    return stage;
}

float driveOne(const Amounts& a, float x)
{
    DriveStage stage = makeStage(a);
    stage.process(&x, 1);
    return x;
}

TEST(DriveStage, CurvesAtTheirDefiningPoints)
{
    struct Case { const char* what; Amounts amounts; float input; float expect; };
    const float compressDrive = 1.0f / 0.7f;
    const Case cases[] = {
        {"distortion linear up to the knee", {1.0f, 0, 0, 0}, 0.75f / 11.0f, 0.75f / 11.0f},
        {"distortion linear below the knee", {1.0f, 0, 0, 0}, -0.05f, -0.05f},
        {"distortion full scale lands on 1/g", {1.0f, 0, 0, 0}, 1.0f, 1.0f / 11.0f},
        {"distortion symmetric", {1.0f, 0, 0, 0}, -1.0f, -1.0f / 11.0f},
        {"distortion half way up the bend", {1.0f, 0, 0, 0}, 0.5f, (4.75f * 0.25f / 10.25f + 0.75f) / 11.0f},
        {"tube linear below its knee", {0, 0.02f, 0, 0}, 0.55f, 0.55f},
        {"tube full scale lands on 1/g", {0, 0.02f, 0, 0}, 1.0f, 1.0f / 1.08f},
        {"tube symmetric", {0, 0.02f, 0, 0}, -1.0f, -1.0f / 1.08f},
        {"compressor drives quiet samples", {0, 0, 0.3f, 0}, 0.1f, 0.1f * compressDrive},
        {"compressor limits full scale to 1", {0, 0, 0.3f, 0}, 1.0f, 1.0f},
        {"compress 1 is held at 0.99", {0, 0, 1.0f, 0}, 0.001f, 0.1f},
        {"NaN compress is off", {0, 0, std::nanf(""), 0}, 0.3f, 0.3f},
        {"all amounts 0 pass the signal", {0, 0, 0, 0}, 0.9f, 0.9f},
    };
    for (const Case& c : cases) EXPECT_NEAR(driveOne(c.amounts, c.input), c.expect, 1e-6f) << c.what;
}

TEST(DriveStage, LoudInputSaturatesInsteadOfFoldingBack)
{
    // A chord of several voices through the bright filter easily exceeds full
    // scale; the knees must hold at their top, never turn the sign around.
    for (Amounts a : {Amounts{0, 1.0f, 0, 0}, Amounts{0, 0.02f, 0, 0}, Amounts{0, 0, 0.99f, 0}, Amounts{0, 0, 0.3f, 0}}) {
        float previous = 0.0f;
        for (float x = 0.0f; x <= 10.0f; x += 0.01f) {
            float y = driveOne(a, x);
            EXPECT_GE(y, previous - 1e-6f) << "tube " << a.tube << " compress " << a.compress << " at " << x;
            EXPECT_LE(y, 1.0f + 1e-6f);
            previous = y;
        }
    }
}

TEST(DriveStage, CompressorAttacksAtOnceAndRecoversOverAQuarterSecond)
{
    const float rate = 44100.0f;
    DriveStage stage = makeStage({0, 0, 0.3f, 0}, rate);
    std::vector<float> x(20000, 0.01f);
    x[0] = 1.0f; // drives to exactly the top of the curve: gain 0.7
    stage.process(x.data(), static_cast<int>(x.size()));
    const float drive = 1.0f / 0.7f;
    EXPECT_NEAR(x[0], 1.0f, 1e-6f) << "instant attack";
    EXPECT_NEAR(x[1] / (0.01f * drive), 0.7f, 0.001f);
    EXPECT_NEAR(x[5513] / (0.01f * drive), 0.85f, 0.001f) << "half way after 0.125 s";
    EXPECT_NEAR(x[11100] / (0.01f * drive), 1.0f, 0.001f) << "back to full gain after 0.25 s";
}

TEST(Chorus, DepthZeroIsOneFixedDelayOnBothSides)
{
    for (float delay : {0.04f, 0.5f, 1.0f}) {
        Chorus chorus = makeChorus(1.0f, delay, 0.0f, 0.7f);
        std::vector<float> left(3000, 0.0f), right(3000);
        left[100] = 1.0f;
        chorus.process(left.data(), right.data(), 3000);
        EXPECT_EQ(left, right);
        EXPECT_FLOAT_EQ(left[100], 0.5f) << "half dry";
        int echo = -1;
        for (int i = 101; i < 3000; ++i) {
            if (left[static_cast<std::size_t>(i)] != 0.0f) {
                EXPECT_EQ(echo, -1) << "a single echo";
                echo = i;
                EXPECT_FLOAT_EQ(left[static_cast<std::size_t>(i)], 0.5f);
            }
        }
        EXPECT_NEAR(echo - 100, 0.03 * delay * kRate, 1.0) << delay;
    }
}

// The delay of each click's echo, as its centre of mass: the interpolated tap
// spreads a click over two samples.
double echoDelay(const std::vector<float>& out, int click, int window)
{
    double weight = 0.0, moment = 0.0;
    for (int i = click + 1; i < click + window; ++i) {
        double v = std::fabs(out[static_cast<std::size_t>(i)]);
        weight += v;
        moment += v * (i - click);
    }
    return weight > 0.0 ? moment / weight : -1.0;
}

TEST(Chorus, TapsSweepBetweenDelayAndDelayPlusDepthInQuadrature)
{
    const float delay = 0.5f, depth = 1.0f; // 15 ms plus up to 5 ms
    Chorus chorus = makeChorus(1.0f, delay, depth, 1.0f); // 3 Hz sweep
    const int spacing = 1500;
    const int frames = spacing * 60;
    std::vector<float> left(frames, 0.0f), right(frames);
    for (int click = 0; click < frames; click += spacing) left[static_cast<std::size_t>(click)] = 1.0f;
    chorus.process(left.data(), right.data(), frames);
    // The interpolated tap may sit up to two samples short of D.
    const double shortest = 0.015 * kRate - 2.0, longest = 0.020 * kRate + 1.0;
    double lowL = 1e9, highL = 0.0, differing = 0.0;
    for (int click = 0; click + spacing < frames; click += spacing) {
        double dl = echoDelay(left, click, spacing);
        double dr = echoDelay(right, click, spacing);
        EXPECT_GE(dl, shortest);
        EXPECT_LE(dl, longest);
        EXPECT_GE(dr, shortest);
        EXPECT_LE(dr, longest);
        lowL = std::min(lowL, dl);
        highL = std::max(highL, dl);
        differing = std::max(differing, std::fabs(dl - dr));
    }
    EXPECT_GT(highL - lowL, 0.8 * 0.005 * kRate) << "the sweep covers the depth";
    EXPECT_GT(differing, 0.5 * 0.005 * kRate) << "left and right move against each other";
}

TEST(Reverb, MixOneIsHalfDryUntilTheFirstReflection)
{
    const int frames = 8192;
    const std::vector<float> input = test::noise(frames);
    Reverb reverb = makeReverb(1.0f, 0.5f, 0.5f);
    std::vector<float> left = input, right(frames, 0.0f);
    reverb.process(left.data(), right.data(), frames);
    // Nothing comes back before the shortest comb has gone round once.
    for (int i = 0; i < 1116; ++i) {
        ASSERT_EQ(left[static_cast<std::size_t>(i)], 0.5f * input[static_cast<std::size_t>(i)]) << i;
        ASSERT_EQ(right[static_cast<std::size_t>(i)], 0.0f) << i;
    }
    EXPECT_GT(test::energy(right, 1116, frames), 1.0) << "the wet tail reaches both sides";
}

// Level of the tail in dB over a window, after a burst of noise.
double tailDb(const std::vector<float>& x, double fromSeconds, double toSeconds)
{
    int begin = static_cast<int>(fromSeconds * kRate), end = static_cast<int>(toSeconds * kRate);
    return 10.0 * std::log10(test::energy(x, begin, end) / (end - begin));
}

TEST(Reverb, SizeSetsHowFastTheRoomDecays)
{
    struct Case {
        float size;
        double dbPerSecond; // the comb loop gain, 20 log10(room), per trip of the mean comb length
    };
    const double meanComb = (1116 + 1188 + 1277 + 1356 + 1422 + 1491 + 1557 + 1617) / 8.0;
    const Case cases[] = {{0.0f, -20.0 * std::log10(0.7) * kRate / meanComb},
                          {1.0f, -20.0 * std::log10(0.98) * kRate / meanComb}};
    for (const Case& c : cases) {
        Reverb reverb = makeReverb(1.0f, c.size, 1.0f); // no damping: every frequency decays alike
        const int frames = static_cast<int>(1.2 * kRate);
        std::vector<float> left = test::noise(frames), right(frames, 0.0f);
        std::fill(left.begin() + 2000, left.end(), 0.0f);
        reverb.process(left.data(), right.data(), frames);
        double drop = tailDb(left, 0.3, 0.4) - tailDb(left, 0.9, 1.0);
        EXPECT_NEAR(drop / 0.6, c.dbPerSecond, 0.15 * c.dbPerSecond) << "size " << c.size << " measured " << drop / 0.6;
    }
}

TEST(Reverb, LargeRoomsTurnTheRightWetSignalDown)
{
    struct Case { float size; double rightOverLeft; };
    for (const Case& c : {Case{0.5f, 1.0}, Case{0.75f, 0.925}, Case{1.0f, 0.85}}) {
        Reverb reverb = makeReverb(1.0f, c.size, 0.5f);
        const int frames = static_cast<int>(3.0 * kRate);
        std::vector<float> left = test::noise(frames), right = test::noise(frames, 777);
        const std::vector<float> inLeft = left, inRight = right;
        reverb.process(left.data(), right.data(), frames);
        for (std::size_t i = 0; i < left.size(); ++i) {
            left[i] -= 0.5f * inLeft[i]; // keep the wet part only
            right[i] -= 0.5f * inRight[i];
        }
        double ratio = std::sqrt(test::energy(right, 4096, frames) / test::energy(left, 4096, frames));
        EXPECT_NEAR(ratio, c.rightOverLeft, 0.04) << "size " << c.size;
        EXPECT_FLOAT_EQ(reverb.rightWetFactor(), static_cast<float>(c.rightOverLeft));
    }
}

StereoDelay makeDelay(float rate, double tempo, float syncL, float syncR, float feedback = 0.0f)
{
    StereoDelay delay;
    delay.setSampleRate(rate);
    delay.setMix(1.0f);
    delay.setFeedback(feedback);
    delay.setTempo(tempo);
    delay.setSync(syncL, syncR);
    return delay;
}

int firstEcho(const std::vector<float>& out)
{
    for (std::size_t i = 1; i < out.size(); ++i) {
        if (out[i] != 0.0f) return static_cast<int>(i);
    }
    return -1;
}

TEST(StereoDelay, EchoTimesFollowTempoAndSync)
{
    struct Case {
        const char* what;
        float rate;
        double tempo;
        float syncL;
        float syncR;
        double secondsL;
        double secondsR;
    };
    const Case cases[] = {
        {"start values at 120 bpm: 1 and 11 sixteenths", 44100, 120.0, 1.0f, 0.5f, 0.125, 1.375},
        {"tempo 0 is 120", 44100, 0.0, 1.0f, 0.5f, 0.125, 1.375},
        {"NaN tempo is 120", 44100, std::nan(""), 1.0f, 0.5f, 0.125, 1.375},
        {"slowest steps", 22050, 120.0, 0.0f, 0.175f, 10.0, 4.0}, // 80 and 32 sixteenths
        {"lengths stop at the 24 s line", 22050, 30.0, 0.0f, 0.5f, 24.0, 5.5},
        {"high rate", 192000, 140.0, 0.9f, 0.575f, 3 * 0.25 * 60 / 140.0, 9 * 0.25 * 60 / 140.0},
    };
    for (const Case& c : cases) {
        StereoDelay delay = makeDelay(c.rate, c.tempo, c.syncL, c.syncR);
        const int frames = static_cast<int>(25.0f * c.rate);
        std::vector<float> left(static_cast<std::size_t>(frames), 0.0f), right = left;
        left[0] = right[0] = 1.0f;
        delay.process(left.data(), right.data(), frames);
        EXPECT_FLOAT_EQ(left[0], 0.5f) << c.what;
        EXPECT_EQ(firstEcho(left), static_cast<int>(c.secondsL * c.rate + 0.5)) << c.what;
        EXPECT_EQ(firstEcho(right), static_cast<int>(c.secondsR * c.rate + 0.5)) << c.what;
    }
}

TEST(StereoDelay, EachRepeatIsFeedbackTimesTheLast)
{
    StereoDelay delay = makeDelay(44100, 120.0, 1.0f, 1.0f, 1.0f);
    const int length = delay.lengthOf(0);
    std::vector<float> left(static_cast<std::size_t>(length) * 6, 0.0f), right = left;
    left[0] = 1.0f;
    // Processed in odd-sized pieces so the repeats cross block boundaries.
    for (int pos = 0; pos < static_cast<int>(left.size()); pos += 997) {
        int n = std::min(997, static_cast<int>(left.size()) - pos);
        delay.process(left.data() + pos, right.data() + pos, n);
    }
    for (int k = 1; k < 6; ++k) {
        EXPECT_NEAR(left[static_cast<std::size_t>(k * length)], 0.5 * std::pow(0.8, k - 1), 1e-6) << "repeat " << k;
    }
}

// A unit set up at a rate with every setting at one value, run a block at a
// time (mono units on the left); the effects within the processor's flushing,
// as render runs them, the note filter without it, so its own must end tails.
struct Unit {
    std::function<void(float* left, float* right, int frames)> run;
    int block = 512;
    bool flushToZero = true;
};

bool clean(float v) { return std::isfinite(v) && (v == 0.0f || std::fpclassify(v) == FP_NORMAL); }

template <typename U, typename Setup>
Unit make(float rate, Setup setup)
{
    auto unit = std::make_shared<U>();
    unit->setSampleRate(rate);
    setup(*unit);
    return {[unit](float* l, float* r, int n) {
        if constexpr (requires { unit->process(l, r, n); }) {
            unit->process(l, r, n);
        } else {
            unit->process(l, n);
        }
    }};
}

std::vector<Unit> unitsAt(float rate, float v)
{
    // Four biquads, brightness, drive, chorus, delay, reverb, the chain, then
    // the note filter's modes. Biquad frequencies run from 0 to far past
    // Nyquist, widths from 0 up.
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
    std::vector<Unit> units = {
        {[biquads](float* l, float*, int n) {
            for (Biquad& b : *biquads) {
                b.flushTinyState();
                b.process(l, n);
            }
        }},
        make<BrightnessFilter>(rate, [v](auto& u) { u.setBrightness(v); }),
        make<DriveStage>(rate, [v](auto& u) { u.setDistortion(v); u.setTube(v); u.setCompress(v); u.setBass(v); }),
        make<Chorus>(rate, [v](auto& u) { u.setMix(v); u.setRate(v); u.setTimes(v, v); }),
        make<StereoDelay>(rate, [v](auto& u) {
            u.setMix(v); u.setFeedback(v); u.setSync(v, 1.0f - v);
            u.setTempo(std::isnan(v) ? std::nan("") : 1000.0 * v);
        }),
        make<Reverb>(rate, [v](auto& u) { u.setMix(v); u.setSize(v); u.setDecay(v); }),
        {[chain, in](float* l, float* r, int n) { chain->process(in, l, r, n); }},
    };
    // Modes 3 to 6 repeat -1 to 2 on a filter that is only written to, as the
    // engine's own one is; the cutoff is written every voice sub-block.
    for (int mode = -1; mode <= 6; ++mode) {
        auto filter = std::make_shared<VoiceFilter>();
        filter->setSampleRate(rate);
        if (mode <= 2) {
            filter->setup(mode, v, mode % 2 == 0, v, v);
        } else {
            filter->setMode(mode - 4);
            filter->setEnvelopeAmount(v);
            filter->setSaturation(mode % 2 == 0);
            filter->setResonance(v);
        }
        units.push_back({[filter, v](float* l, float*, int n) { filter->setCutoff(v); filter->process(l, n); }, 256, false});
    }
    return units;
}

TEST(EffectUnits, FiniteOutputWithoutDenormalsForAnyInputAndSetting)
{
    // Noise, silence, a full-scale square wave and a long silence again, in
    // one run per unit so that each state change meets a running unit.
    std::vector<float> signal = test::noise(4000);
    signal.resize(20480, 0.0f);
    for (int i = 6000; i < 10000; ++i) signal[static_cast<std::size_t>(i)] = (i / 50) % 2 == 0 ? 1.0f : -1.0f;
    // A rate of 0 is what a scanning host announces; the units keep their last usable rate.
    for (float rate : {22050.0f, 192000.0f, 0.0f}) {
        for (float value : {0.0f, 1.0f, 0.37f, std::nanf(""), -3.0f, 7.5f}) {
            std::vector<Unit> units = unitsAt(rate, value);
            for (std::size_t which = 0; which < units.size(); ++which) {
                const Unit& unit = units[which];
                std::optional<ScopedFlushDenormals> noDenormals;
                if (unit.flushToZero) noDenormals.emplace();
                std::vector<float> left = signal, right = signal;
                for (int pos = 0; pos < static_cast<int>(left.size()); pos += unit.block) {
                    unit.run(left.data() + pos, right.data() + pos, std::min(unit.block, static_cast<int>(left.size()) - pos));
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
        const Process units[] = {brightness(0.0f)(rate), bass(1.0f)(rate)};
        for (const Process& unit : units) {
            std::vector<float> x = test::noise(1024);
            x.resize(static_cast<std::size_t>(4 * rate), 0.0f);
            for (std::size_t pos = 0; pos < x.size(); pos += 256) {
                unit(x.data() + pos, static_cast<int>(std::min<std::size_t>(256, x.size() - pos)));
            }
            EXPECT_EQ(x.back(), 0.0f) << rate;
        }
    }
}

} // namespace
} // namespace tessarine
