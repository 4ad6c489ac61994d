// The noise a voice plays. The synthesiser measured from its output: where
// its energy lies, how loud it is, when frames change, and that nothing
// non-finite gets out. The frames a note takes from a slot at note-on: a solo
// layer as it is, or the four corners blended along the union of their frame
// times. And the noise half of a note heard through the engine: it sounds in
// the band its frames hold, two notes never share their random phases, and a
// note that started with the noise off stays without it.

#include "EngineFixture.h"
#include "analysis/RealFft.h"
#include "engine/voice/NoiseBandLookup.h"
#include "engine/voice/NoiseDataBlend.h"
#include "engine/voice/NoiseSynthesiser.h"

#include <limits>

namespace tessarine::test {
namespace {

// Frames at times, each with level on bands lo..hi.
inline void setNoiseFrames(NoiseData& data, const std::vector<float>& times, int lo, int hi, float level = 50.0f)
{
    for (int i = 0; i < static_cast<int>(times.size()); ++i) {
        data.frame(i).bands.fill(0.0f);
        for (int k = lo; k <= hi; ++k) data.frame(i).bands[static_cast<std::size_t>(k)] = level;
        data.setFrameTime(i, times[static_cast<std::size_t>(i)]);
    }
    data.setFrameCount(static_cast<int>(times.size()));
}

// Renders in sub-blocks of step with the same block inputs throughout.
inline std::vector<float> renderNoiseFor(NoiseSynthesiser& synth, int samples, const NoiseBlock& block,
                                         RandomGenerator& random, int step = 256)
{
    std::vector<float> out(static_cast<std::size_t>(samples), 0.0f);
    NoiseVoiceState state;
    for (int i = 0; i < samples; i += step) synth.renderNoise(state, out.data() + i, std::min(step, samples - i), block, random);
    return out;
}

// Power of x between f0 and f1 Hz, from 4096-point Hann-windowed spectra averaged over x.
inline double bandPower(const std::vector<float>& x, double rate, double f0, double f1)
{
    constexpr int n = 4096;
    RealFft fft(n);
    std::vector<double> re(n / 2 + 1), im(n / 2 + 1);
    double sum = 0.0;
    for (std::size_t start = 0; start + n <= x.size(); start += n / 2) {
        for (int j = 0; j < n; ++j) fft.input()[j] = x[start + j] * (0.5 - 0.5 * std::cos(2.0 * M_PI * j / n));
        fft.transform(re.data(), im.data());
        for (int k = 0; k <= n / 2; ++k)
            if (k * rate / n >= f0 && k * rate / n <= f1) sum += re[k] * re[k] + im[k] * im[k];
    }
    return sum;
}

inline double meanSquare(const std::vector<float>& x) { return energy(x, 0, static_cast<int>(x.size())) / x.size(); }

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
double bandHz(int k) { return (k + 1) * 44100.0 / 512.0; }

struct NoiseFixture : ::testing::Test {
    NoiseSynthesiser synth;
    std::array<std::unique_ptr<NoiseData>, 4> data{std::make_unique<NoiseData>(), std::make_unique<NoiseData>(),
                                                  std::make_unique<NoiseData>(), std::make_unique<NoiseData>()};
    NoiseBlock block;
    void SetUp() override
    {
        for (int s = 0; s < 4; ++s) block.slots[s] = data[s].get();
        block.slotStartTimes.fill(1.0f);
        block.gainStart = block.gainEnd = 1.0f;
    }
};

TEST_F(NoiseFixture, BandRangeSoundsAtItsFrequenciesAndLevelAtEveryRate)
{
    setNoiseFrames(*data[0], {0.0f, 10.0f}, 20, 30);
    double reference = 0.0;
    for (float rate : {44100.0f, 22050.0f, 48000.0f, 96000.0f, 192000.0f}) {
        SCOPED_TRACE(rate);
        synth.setSampleRate(rate);
        RandomGenerator random(7);
        const std::vector<float> out = renderNoiseFor(synth, static_cast<int>(rate), block, random);
        for (float v : out) ASSERT_TRUE(std::isfinite(v));
        const double inside = bandPower(out, rate, bandHz(20) - 150.0, bandHz(30) + 150.0);
        EXPECT_GT(inside / bandPower(out, rate, 0.0, rate), 0.97);
        if (reference == 0.0) reference = meanSquare(out);
        EXPECT_NEAR(10.0 * std::log10(meanSquare(out) / reference), 0.0, 1.0);
    }
    // Another generator state: other random phases, a different wave, the same spectral envelope.
    synth.setSampleRate(44100.0f);
    RandomGenerator first(1), second(2);
    const std::vector<float> a = renderNoiseFor(synth, 88200, block, first);
    const std::vector<float> b = renderNoiseFor(synth, 88200, block, second);
    double ab = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) ab += static_cast<double>(a[i]) * b[i];
    EXPECT_LT(std::fabs(ab / a.size()) / std::sqrt(meanSquare(a) * meanSquare(b)), 0.1);
    for (int k : {20, 24, 28}) {
        const double pa = bandPower(a, 44100.0, bandHz(k), bandHz(k + 2)), pb = bandPower(b, 44100.0, bandHz(k), bandHz(k + 2));
        EXPECT_NEAR(10.0 * std::log10(pa / pb), 0.0, 1.0) << k;
    }
}

TEST_F(NoiseFixture, FramesAreRebuiltEveryHalfFrame)
{
    setNoiseFrames(*data[0], {1.0f, 2.0f}, 10, 20);
    struct Case { float rate; int half; };
    for (Case c : {Case{44100.0f, 256}, Case{48000.0f, 256}, Case{96000.0f, 512}, Case{192000.0f, 512}}) {
        SCOPED_TRACE(c.rate);
        synth.setSampleRate(c.rate);
        RandomGenerator random(3);
        NoiseVoiceState state;
        std::vector<float> out(6000, 0.0f);
        // Slot A's sound is reached only in samples 1000..2999; before and after it is silent.
        for (int i = 0; i < 6000; i += 100) {
            block.slotStartTimes[0] = i >= 1000 && i < 3000 ? 1.5f : 0.5f;
            synth.renderNoise(state, out.data() + i, 100, block, random);
        }
        int first = 0, last = 5999;
        while (out[first] == 0.0f) ++first;
        while (out[last] == 0.0f) --last;
        const int lastBuild = (2999 / c.half) * c.half;
        EXPECT_EQ(first, (1000 + c.half - 1) / c.half * c.half + 1);
        EXPECT_EQ(last, lastBuild + 2 * c.half - 1);
    }
}

TEST_F(NoiseFixture, MorphCornersPlayOnlyTheirSlot)
{
    const int ranges[4][2] = {{3, 6}, {15, 18}, {30, 33}, {50, 53}};
    for (int s = 0; s < 4; ++s) setNoiseFrames(*data[s], {0.0f, 10.0f}, ranges[s][0], ranges[s][1]);
    struct Case { float x, y; int slot; }; // slot −1: all four equally
    for (Case c : {Case{0, 0, 0}, Case{1, 0, 1}, Case{0, 1, 2}, Case{1, 1, 3}, Case{0.5f, 0.5f, -1}}) {
        SCOPED_TRACE(c.slot);
        block.noiseX = c.x;
        block.noiseY = c.y;
        RandomGenerator random(5);
        const std::vector<float> out = renderNoiseFor(synth, 44100, block, random);
        double power[4];
        for (int s = 0; s < 4; ++s) power[s] = bandPower(out, 44100.0, bandHz(ranges[s][0]) - 100.0, bandHz(ranges[s][1]) + 100.0);
        for (int s = 0; s < 4; ++s) {
            if (c.slot < 0) {
                EXPECT_NEAR(10.0 * std::log10(power[s] / power[0]), 0.0, 1.5);
            } else if (s != c.slot) {
                EXPECT_LT(power[s], 1e-4 * power[c.slot]) << s;
            }
        }
    }
}

TEST_F(NoiseFixture, GainRampsScaleTheNoiseAndSubBlockSizesLeaveItAlone)
{
    // Frames refill mid-sub-block and sub-blocks start mid-crossfade; with
    // steady inputs the result must be the same however the host slices it,
    // and each sub-block's gain ramp scales it sample by sample, across a
    // refill too.
    setNoiseFrames(*data[0], {0.0f, 10.0f}, 10, 40);
    RandomGenerator referenceRandom(4);
    const std::vector<float> reference = renderNoiseFor(synth, 4096, block, referenceRandom);
    struct Case { int size; float g0, g1, tolerance; };
    for (const Case c : {Case{1, 1, 1, 1e-4f}, Case{17, 1, 1, 1e-4f}, Case{64, 1, 1, 1e-4f}, Case{100, 1, 1, 1e-4f},
                         Case{255, 1, 1, 1e-4f}, Case{256, 0.5f, 0.5f, 1e-6f}, Case{256, 0, 1, 1e-6f},
                         Case{256, 2, 0, 1e-6f}, Case{256, 0, 0, 1e-6f}, Case{100, 0, 1, 1e-4f}}) {
        block.gainStart = c.g0;
        block.gainEnd = c.g1;
        RandomGenerator random(4);
        const std::vector<float> out = renderNoiseFor(synth, 4096, block, random, c.size);
        for (int j = 0; j < 4096; ++j) {
            const int start = j / c.size * c.size, length = std::min(c.size, 4096 - start);
            ASSERT_NEAR(out[j], reference[j] * (c.g0 + (c.g1 - c.g0) * (j - start) / length), c.tolerance)
                << c.size << " " << c.g0 << " " << c.g1 << " " << j;
        }
    }
}

TEST_F(NoiseFixture, CrossfadesKeepTheLevelUpAtFrameJoins)
{
    // Consecutive frames are uncorrelated, so the power of their linear
    // crossfade runs from full at a join (one frame alone) to half between.
    setNoiseFrames(*data[0], {0.0f, 100.0f}, 5, 60);
    RandomGenerator random(11);
    const std::vector<float> out = renderNoiseFor(synth, 441000, block, random);
    double join = 0.0, middle = 0.0, all = 0.0;
    int joins = 0, middles = 0;
    for (std::size_t i = 512; i < out.size(); ++i) {
        const double p = static_cast<double>(out[i]) * out[i];
        const int phase = static_cast<int>(i % 256);
        all += p;
        if (phase <= 8 || phase >= 248) join += p, ++joins;
        if (phase >= 120 && phase <= 136) middle += p, ++middles;
    }
    all /= static_cast<double>(out.size() - 512);
    join /= joins;
    middle /= middles;
    EXPECT_NEAR(join / all, 1.5, 0.12);
    EXPECT_NEAR(middle / all, 0.75, 0.08);
}

TEST_F(NoiseFixture, SilentOutsideFramesAndFiniteWithExtremeInputs)
{
    std::array<float, kNoiseBandCount> formant{};
    struct Case { const char* name; void (*change)(NoiseBlock&, NoiseData&, float*); bool silent; };
    const Case cases[] = {
        {"before the frames", [](NoiseBlock& b, NoiseData&, float*) { b.slotStartTimes[0] = 0.5f; }, true},
        {"after the frames", [](NoiseBlock& b, NoiseData&, float*) { b.slotStartTimes[0] = 2.5f; }, true},
        {"time not a number", [](NoiseBlock& b, NoiseData&, float*) { b.slotStartTimes[0] = kNaN; }, true},
        {"no data", [](NoiseBlock& b, NoiseData&, float*) { b.slots[0] = nullptr; }, true},
        {"gain not a number", [](NoiseBlock& b, NoiseData&, float*) { b.gainStart = b.gainEnd = kNaN; }, true},
        {"formant closed", [](NoiseBlock& b, NoiseData&, float* f) { b.formantTable = f; }, true},
        {"infinite gain", [](NoiseBlock& b, NoiseData&, float*) { b.gainStart = kInf; b.gainEnd = -kInf; }, false},
        {"morph not a number", [](NoiseBlock& b, NoiseData&, float*) { b.noiseX = kNaN; b.noiseY = -kInf; }, false},
        {"formant broken", [](NoiseBlock& b, NoiseData&, float* f) { f[3] = kNaN; f[4] = kInf; f[5] = 1e30f; b.formantTable = f; }, false},
        {"huge bands", [](NoiseBlock&, NoiseData& d, float*) { d.frame(0).bands.fill(3e38f); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setNoiseFrames(*data[0], {1.0f, 2.0f}, 0, 63);
        NoiseBlock changed = block;
        formant.fill(0.0f);
        c.change(changed, *data[0], formant.data());
        RandomGenerator random(13);
        const std::vector<float> out = renderNoiseFor(synth, 4096, changed, random);
        float peak = 0.0f;
        for (float v : out) {
            ASSERT_TRUE(std::isfinite(v));
            peak = std::max(peak, std::fabs(v));
        }
        EXPECT_EQ(peak == 0.0f, c.silent);
    }
}

TEST_F(NoiseFixture, FramesFitTransformAndBuffersAtEveryRate)
{
    for (float rate = 22050.0f; rate <= 192000.0f; rate += 50.0f) {
        synth.setSampleRate(rate);
        ASSERT_TRUE(synth.frameLength() >= 512 && synth.frameLength() <= synth.transformSize()) << rate;
        ASSERT_LE(synth.transformSize(), kMaxNoiseFrameLength) << rate;
    }
    struct Case { float rate; int frame, transform; float scale; };
    for (Case c : {Case{44100, 512, 512, 1 / 512.0f}, Case{48000, 512, 1024, 0.737711f / 512}, Case{88200, 1024, 1024, 1 / 512.0f},
                   Case{192000, 1024, 1024, 1.475422f / 512}, Case{0, 1024, 1024, 1.475422f / 512}, Case{kNaN, 1024, 1024, 1.475422f / 512}}) {
        synth.setSampleRate(c.rate);
        EXPECT_EQ(synth.frameLength(), c.frame) << c.rate;
        EXPECT_EQ(synth.transformSize(), c.transform) << c.rate;
        EXPECT_NEAR(synth.outputScale(), c.scale, 1e-7f) << c.rate;
    }
    // A rate change under a sounding note restarts its frames instead of reading past them.
    setNoiseFrames(*data[0], {0.0f, 10.0f}, 10, 20);
    NoiseVoiceState state;
    RandomGenerator random(1);
    std::vector<float> out(1000, 0.0f);
    synth.setSampleRate(96000.0f);
    synth.renderNoise(state, out.data(), 1000, block, random);
    synth.setSampleRate(44100.0f);
    synth.renderNoise(state, out.data(), 1000, block, random);
    for (float v : out) ASSERT_TRUE(std::isfinite(v));
}

struct BlendFixture : ::testing::Test {
    std::unique_ptr<Voice> voice = std::make_unique<Voice>();
    std::unique_ptr<NoiseData> out = std::make_unique<NoiseData>();
    NoiseData& corner(int c) { return voice->layer(c % 2 == 0 ? 0 : 1, c / 2).noise; } // lo0, hi0, lo1, hi1
    SlotBlend blend{0, 1, 0.0f, 0.0f, false, 0};
};

TEST_F(BlendFixture, SoloCopiesTheChosenLayer)
{
    setNoiseFrames(voice->layer(1, 1).noise, {0.0f, 0.2f, 0.21f}, 7, 9, 3.0f);
    blend = SlotBlend{1, 1, 0.0f, 1.0f, true, 1};
    blendNoiseData(*out, *voice, blend);
    ASSERT_EQ(out->frameCount(), 3);
    EXPECT_EQ(out->frameTime(2), 0.21f);
    EXPECT_EQ(out->frame(1).bands, voice->layer(1, 1).noise.frame(1).bands);
}

TEST_F(BlendFixture, CornersBlendWithPitchAndVelocityWeights)
{
    for (int c = 0; c < 4; ++c) setNoiseFrames(corner(c), {0.0f, 1.0f}, 10 * c, 10 * c, 1.0f);
    corner(3).frame(0).bands[100] = 5.0f; // above the synthesised bands: dropped
    for (auto [k, v] : std::initializer_list<std::pair<float, float>>{{0.0f, 0.0f}, {0.25f, 0.6f}, {1.0f, 1.0f}}) {
        blend.pitchWeight = k;
        blend.velocityWeight = v;
        blendNoiseData(*out, *voice, blend);
        ASSERT_EQ(out->frameCount(), 2);
        const float expected[4] = {(1 - k) * (1 - v), k * (1 - v), (1 - k) * v, k * v};
        for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(out->frame(1).bands[10 * c], expected[c]) << k << " " << v;
        EXPECT_EQ(out->frame(0).bands[100], 0.0f);
    }
}

TEST_F(BlendFixture, FrameTimesKeepTheirGapsAndNeighboursBlend)
{
    // 5 ms apart in the attack (a frame at 0 lets the next follow at once), 30 ms after 0.1 s.
    setNoiseFrames(corner(0), {0.0f, 0.006f, 0.5f}, 5, 5, 0.0f);
    corner(0).frame(2).bands[5] = 1.0f;
    setNoiseFrames(corner(1), {0.003f, 0.0105f, 0.097f}, 6, 6);
    setNoiseFrames(corner(2), {0.09f, 0.125f, 0.14f, 0.16f}, 7, 7);
    blend.pitchWeight = 0.5f;
    blend.velocityWeight = 0.5f;
    blendNoiseData(*out, *voice, blend);
    const std::vector<float> expected = {0.0f, 0.003f, 0.0105f, 0.09f, 0.125f, 0.16f, 0.5f};
    ASSERT_EQ(out->frameCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < out->frameCount(); ++i) EXPECT_EQ(out->frameTime(i), expected[static_cast<std::size_t>(i)]);
    EXPECT_FLOAT_EQ(out->frame(4).bands[5], 0.25f * (0.125f - 0.006f) / (0.5f - 0.006f)); // between corner 0 frames
    EXPECT_EQ(out->frame(6).bands[7], 0.0f);                          // after corner 2's last frame
    EXPECT_EQ(out->frame(0).bands[7], 0.0f);                          // before its first
}

TEST_F(BlendFixture, LongCornersAreThinnedToSixtyFourFramesReachingTheEnd)
{
    for (int c = 0; c < 4; ++c) {
        std::vector<float> times;
        for (int i = 0; i < 64; ++i) times.push_back(0.2f + (4 * i + c) * 0.04f);
        setNoiseFrames(corner(c), times, 0, 63);
    }
    blendNoiseData(*out, *voice, blend);
    ASSERT_EQ(out->frameCount(), kMaxNoiseFrames);
    for (int i = 0; i < 49; ++i) EXPECT_FLOAT_EQ(out->frameTime(i), 0.2f + i * 0.04f);
    EXPECT_GT(out->frameTime(63), 0.2f + 230 * 0.04f);
}

// A note makes its frames as it plays; whatever the steps, it ends with the
// list made at once, and what it holds at each step answers a lookup at that
// time as the whole list does. An edit while it waits is taken up past the
// time it had reached.
TEST_F(BlendFixture, FramesMadeAsTheNotePlaysMatchTheWholeList)
{
    for (int c = 0; c < 4; ++c) {
        std::vector<float> times;
        for (int i = 0; i < 64; ++i) times.push_back(0.01f * static_cast<float>(i * (c + 1)) + 0.001f * c);
        setNoiseFrames(corner(c), times, c, 10 + c, 1.0f + static_cast<float>(c));
    }
    blend.pitchWeight = 0.3f;
    blend.velocityWeight = 0.7f;
    for (bool solo : {false, true}) {
        blend.solo = solo;
        blendNoiseData(*out, *voice, blend);
        auto stepped = std::make_unique<NoiseData>();
        NoiseDataBlend walk;
        walk.start(*stepped, *voice, blend, 0);
        for (float t = 0.0f; t < 3.0f; t += 0.037f) {
            walk.blendUntil(t, true, 0);
            float whole[kNoiseBandCount] = {};
            float partial[kNoiseBandCount] = {};
            addNoiseBandsAt(*out, t, 1.0f, whole);
            addNoiseBandsAt(*stepped, t, 1.0f, partial);
            for (int b = 0; b < kNoiseBandCount; ++b) ASSERT_EQ(partial[b], whole[b]) << solo << " " << t;
        }
        walk.blendUntil(1e9f, true, 0);
        ASSERT_EQ(stepped->frameCount(), out->frameCount()) << solo;
        for (int i = 0; i < out->frameCount(); ++i) {
            EXPECT_EQ(stepped->frameTime(i), out->frameTime(i));
            EXPECT_EQ(stepped->frame(i).bands, out->frame(i).bands);
        }
    }

    blend.solo = false;
    auto edited = std::make_unique<NoiseData>();
    NoiseDataBlend walk;
    walk.start(*edited, *voice, blend, 0);
    walk.blendUntil(0.1f, true, 0);
    const int before = edited->frameCount();
    walk.blendUntil(0.5f, false, 0); // an edit is running: nothing is read
    EXPECT_EQ(edited->frameCount(), before);
    const float reached = edited->frameTime(before - 1);
    for (int c = 0; c < 4; ++c) setNoiseFrames(corner(c), {0.05f, 0.6f, 0.9f}, 20, 20, 3.0f);
    walk.blendUntil(0.7f, true, 1);
    ASSERT_EQ(edited->frameCount(), before + 2);
    EXPECT_GT(edited->frameTime(before), reached);
    EXPECT_EQ(edited->frameTime(before), 0.6f);
    EXPECT_FLOAT_EQ(edited->frame(before + 1).bands[20], 3.0f);
}

constexpr float kRate = 44100.0f;

// A voice with no harmonics and noise frames from 0 to 2 s whose spectrum is
// level between fromHz and toHz (band k stands for (k + 1) x 44,100 / 512 Hz).
// Noise stored before full-band noise plays only its lowest 64 bands.
std::string writeNoiseVoice(float fromHz, float toHz, bool fullBand = false, const char* name = "noise-band.t9v")
{
    auto voice = std::make_unique<Voice>();
    voice->multisampleCount = 1;
    voice->layerCount = 2;
    for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
        NoiseData& noise = voice->layer(0, layer).noise;
        noise.setFullBand(fullBand);
        for (float t : {0.0f, 0.5f, 1.0f, 1.5f, 2.0f}) noise.insertFrame(t);
        for (int f = 0; f < noise.frameCount(); ++f) {
            BreakpointCurve& spectrum = noise.frame(f).spectrum;
            spectrum.clear();
            const float a = fromHz / 22050.0f, b = toHz / 22050.0f;
            for (float pos : {0.0f, a - 0.001f, a, b, b + 0.001f, 1.0f}) {
                spectrum.insertPoint(pos, pos >= a && pos <= b ? 0.5f : 0.0f);
            }
        }
        HarmonicData& harmonic = voice->layer(0, layer).harmonic;
        harmonic.basePitch = 220.0f;
        test::addHarmonicFrame(harmonic, 0.0f, 0.0f);
        test::addHarmonicFrame(harmonic, 2.0f, 0.0f);
    }
    return savedVoice(*voice, name);
}

class NoiseRender : public EngineFixture {
protected:
    void SetUp() override
    {
        start(kRate, {{kMorphNoiseX, 0.0f}, {kMorphNoiseY, 0.0f}});
        ASSERT_TRUE(engine->loadVoice(0, writeNoiseVoice(2000.0f, 4000.0f).c_str()));
    }
    void silence() { engine->stopAllVoices(); play({}, 3.5f); }
};

TEST_F(NoiseRender, FullBandNoiseReachesTheTopOnlyWhereStoredSo)
{
    // Slot A holds noise stored before full-band noise, slot B full-band
    // noise; the same 8-12 kHz spectrum in both. Each slot plays its own bands,
    // also when the two are morphed.
    ASSERT_TRUE(engine->loadVoice(0, writeNoiseVoice(8000.0f, 12000.0f, false, "legacy.t9v").c_str()));
    ASSERT_TRUE(engine->loadVoice(1, writeNoiseVoice(8000.0f, 12000.0f, true, "full.t9v").c_str()));
    struct Case { float x; bool high; };
    double full = 0.0;
    for (const Case c : {Case{1.0f, true}, Case{0.0f, false}, Case{0.5f, true}}) {
        silence();
        engine->setParameter(kMorphNoiseX, c.x, true);
        const std::vector<float> out = play({60}, 1.2f);
        const double high = test::bandPower(out, kRate, 8500.0, 11500.0);
        if (c.x == 1.0f) full = high;
        if (c.high) {
            EXPECT_GT(high, 0.1 * full) << "morph " << c.x;
            EXPECT_GT(high, 100.0 * test::bandPower(out, kRate, 14000.0, 18000.0)) << "morph " << c.x;
        } else {
            EXPECT_EQ(high, 0.0) << "noise of 64 bands stops at about 5.5 kHz";
        }
    }
}

TEST_F(NoiseRender, SoundsInTheBandItsFramesHoldAndTwoNotesDrawTheirOwnPhases)
{
    const std::vector<float> one = play({60}, 1.0f);
    const double inside = test::bandPower(one, kRate, 2200.0, 3800.0);
    EXPECT_GT(inside, 0.0);
    EXPECT_GT(inside, 100.0 * test::bandPower(one, kRate, 6000.0, 10000.0)) << "20 dB between the band and the rest";
    silence();
    const std::vector<float> two = play({60, 72}, 1.0f);
    // Two equal noises with the same phases would add to four times the power;
    // independent ones add to twice.
    EXPECT_NEAR(test::bandPower(two, kRate, 2200.0, 3800.0) / inside, 2.0, 0.6);
}

TEST_F(NoiseRender, NoiseOffAtNoteOnStaysOff)
{
    engine->setParameter(kNoiseAmount, 0.0f, true);
    midi(0x90, 60, 127);
    block();
    engine->setParameter(kNoiseAmount, 1.0f, true);
    std::vector<float> out = play({}, 0.5f);
    EXPECT_EQ(test::bandPower(out, kRate, 100.0, 20000.0), 0.0);
}

} // namespace
} // namespace tessarine::test
