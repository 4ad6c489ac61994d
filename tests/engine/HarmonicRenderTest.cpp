// What a listener hears of the harmonic oscillators: pitch, harmonic balance,
// the four morph corners, stretch and loop timing, the Nyquist fade,
// harmonize, and how fast a morph may move. Beneath them, a note blends its
// curves from the render tables as it plays: read at any times, forwards or
// back after a loop, it answers exactly as the whole blended curve does; an
// edit while it plays is taken up past the time the note had reached, and
// nothing is read while the edit runs.

#include "EngineFixture.h"
#include "engine/voice/NoteHarmonics.h"

#include <functional>

namespace tessarine {
namespace {

constexpr float kRate = 44100.0f;

// A voice whose harmonic h (0-based) has amplitude amplitudeOf(h) and frequency
// multiple multipleOf(h), steady from 0.05 s to 0.05 s before its end.
std::string writeVoice(const std::string& name, float seconds, const std::function<float(int)>& amplitudeOf,
                       const std::function<float(int)>& multipleOf, float basePitch = 220.0f, bool loop = false)
{
    auto voice = std::make_unique<Voice>();
    voice->multisampleCount = 1;
    voice->layerCount = 2;
    voice->loopOn = loop;
    for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
        HarmonicData& data = voice->layer(0, layer).harmonic;
        data.basePitch = basePitch;
        for (float t : {0.0f, 0.05f, seconds - 0.05f, seconds}) {
            for (int h = 0; h < kHarmonicCount; ++h) {
                data.amplitude(h).insertPoint(t, t == 0.0f ? 0.0f : amplitudeOf(h));
                data.frequency(h).insertPoint(t, multipleOf(h));
            }
        }
    }
    return test::savedVoice(*voice, name + ".t9v");
}

float nominal(int h) { return static_cast<float>(h + 1); }
float sawtooth(int h) { return 1.0f / static_cast<float>(h + 1); }
auto only(int harmonic, float amplitude = 1.0f)
{
    return [=](int h) { return h == harmonic ? amplitude : 0.0f; };
}

// At analysed speed, all 64 harmonics; the tests load their own voices.
class HarmonicRender : public test::EngineFixture {
protected:
    void SetUp() override
    {
        start(kRate, {{kLoopSync2, 1.0f}, {kMorphHarmX, 0.0f}, {kMorphHarmY, 0.0f}, {kRelease, 0.0f}});
    }
    // Renders seconds of audio with note key held from 0 to releaseAt; a key
    // below 0 starts no note and lets what sounds go on.
    std::vector<float> play(int key, float seconds, float releaseAt = 1e9f, int block = 512)
    {
        if (key >= 0) midi(0x90, key, 127);
        const auto frames = static_cast<std::size_t>(seconds * kRate);
        const auto held = std::min(frames, static_cast<std::size_t>(releaseAt * kRate));
        std::vector<float> out = test::renderFrames(*engine, held, block)[0];
        if (held < frames) midi(0x80, key, 0);
        const std::vector<float> released = test::renderFrames(*engine, frames - held, block)[0];
        out.insert(out.end(), released.begin(), released.end());
        return out;
    }
    void silence() { engine->stopAllVoices(); play(-1, 0.1f); }
};

TEST_F(HarmonicRender, SawtoothHasItsPitchAndHarmonicBalance)
{
    ASSERT_TRUE(engine->loadVoice(0, writeVoice("saw", 3.0f, sawtooth, nominal).c_str()));
    std::vector<float> out = play(57, 1.0f);
    const std::size_t from = 22050, n = 8192;
    const float first = test::toneAmplitude(out, from, n, kRate, 220.0f);
    EXPECT_GT(first, 0.1f);
    EXPECT_NEAR(test::decibels(test::toneAmplitude(out, from, n, kRate, 440.0f) / first), -6.02f, 0.3f);
    EXPECT_NEAR(test::decibels(test::toneAmplitude(out, from, n, kRate, 660.0f) / first), -9.54f, 0.3f);
    EXPECT_LT(test::toneAmplitude(out, from, n, kRate, 330.0f), first * 0.01f) << "nothing between harmonics";
}

TEST_F(HarmonicRender, EachCornerPlaysOnlyItsSlot)
{
    for (int slot = 0; slot < kSlotCount; ++slot) {
        std::string file = writeVoice("corner" + std::to_string(slot), 2.0f, only(slot), nominal);
        ASSERT_TRUE(engine->loadVoice(slot, file.c_str()));
    }
    struct Case { float x, y; int slot; };
    const Case cases[] = {{0, 0, 0}, {1, 0, 1}, {0, 1, 2}, {1, 1, 3}};
    for (const Case& c : cases) {
        engine->setParameter(kMorphHarmX, c.x, true);
        engine->setParameter(kMorphHarmY, c.y, true);
        std::vector<float> out = play(57, 0.6f);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const float level = test::toneAmplitude(out, 8820, 8192, kRate, 220.0f * static_cast<float>(slot + 1));
            if (slot == c.slot) {
                EXPECT_GT(level, 0.2f) << "corner " << c.x << "," << c.y;
            } else {
                EXPECT_LT(level, 0.002f) << "corner " << c.x << "," << c.y << " leaks slot " << slot;
            }
        }
        silence();
    }
}

TEST_F(HarmonicRender, AHarmonicOnlyInSlotAKeepsItsFrequency)
{
    // Slot A has harmonic 1 at 1.5 times the pitch; slot B lacks it (frequency 0).
    ASSERT_TRUE(engine->loadVoice(0, writeVoice("onlyA", 2.0f, only(0), [](int) { return 1.5f; }).c_str()));
    ASSERT_TRUE(engine->loadVoice(1, writeVoice("silentB", 2.0f, only(5), [](int h) {
                                      return h == 0 ? 0.0f : nominal(h);
                                  }).c_str()));
    // On the edge and inside the pad, where every slot is read (the lower
    // slots hold no harmonics at all), in short blocks and long ones.
    float full = 0.0f;
    const float positions[][2] = {{0.0f, 0.0f}, {0.5f, 0.0f}, {0.75f, 0.0f}, {0.5f, 0.5f}, {0.25f, 0.75f}};
    for (int block : {512, 48}) {
        for (const auto& [x, y] : positions) {
            engine->setParameter(kMorphHarmX, x, true);
            engine->setParameter(kMorphHarmY, y, true);
            std::vector<float> out = play(57, 0.6f, 1e9f, block);
            const float level = test::toneAmplitude(out, 8820, 8192, kRate, 330.0f);
            if (x == 0.0f && y == 0.0f && block == 512) full = level;
            EXPECT_NEAR(level, full * (1.0f - x) * (1.0f - y), 0.01f) << "X " << x << " Y " << y << " block " << block;
            silence();
        }
    }
}

TEST_F(HarmonicRender, StretchScalesTheSoundsTime)
{
    ASSERT_TRUE(engine->loadVoice(0, writeVoice("short", 1.0f, only(0), nominal).c_str()));
    struct Case {
        float stretch;
        float endsAfter; // seconds
    };
    const Case cases[] = {{0.5f, 1.0f}, {0.0f, 0.2f}, {1.0f, 5.0f}};
    for (const Case& c : cases) {
        engine->setParameter(kStretch, c.stretch, true);
        std::vector<float> out = play(57, c.endsAfter + 0.5f);
        const auto before = static_cast<std::size_t>((c.endsAfter - 0.15f) * kRate);
        const auto after = static_cast<std::size_t>((c.endsAfter + 0.1f) * kRate);
        EXPECT_GT(test::rms(out, before, 2048), 0.1f) << "stretch " << c.stretch;
        EXPECT_LT(test::rms(out, after, 2048), 0.001f) << "stretch " << c.stretch;
    }
}

TEST_F(HarmonicRender, LoopHoldsWhileTheKeyIsDown)
{
    ASSERT_TRUE(engine->loadVoice(0, writeVoice("looped", 1.0f, only(0), nominal, 220.0f, true).c_str()));
    engine->setParameter(kGlobalLoopOn, 1.0f, true);
    std::vector<float> out = play(57, 4.0f, 3.0f);
    EXPECT_GT(test::rms(out, static_cast<std::size_t>(2.5f * kRate), 4096), 0.1f) << "held past the sound's end";
    EXPECT_LT(test::rms(out, static_cast<std::size_t>(3.9f * kRate), 2048), 0.001f) << "runs out after release";
}

TEST_F(HarmonicRender, PartialsFadeBeforeNyquistAndStopThere)
{
    // Key 69 is 440 Hz; harmonics 32 and 52 sit at 14 kHz and 23 kHz.
    ASSERT_TRUE(engine->loadVoice(0, writeVoice("high", 2.0f, [](int h) { return h == 31 || h == 51 ? 0.5f : 0.0f; },
                                                [](int h) {
                                                    return h == 31   ? 14000.0f / 440.0f
                                                           : h == 51 ? 23000.0f / 440.0f
                                                                     : nominal(h);
                                                },
                                                440.0f)
                                         .c_str()));
    std::vector<float> out = play(69, 0.6f);
    // Slot gain at the start values is 2 x 0.5 x 0.5 = 0.5.
    const float expected = 0.5f * 0.5f * (1.0f - (14000.0f - 13230.0f) / 8820.0f);
    EXPECT_NEAR(test::toneAmplitude(out, 8820, 8192, kRate, 14000.0f), expected, 0.01f);
    EXPECT_LT(test::rms(out, 8820, 8192), expected) << "the 23 kHz partial adds nothing";
}

TEST_F(HarmonicRender, HarmonizedSlotPlaysExactMultiples)
{
    ASSERT_TRUE(engine->loadVoice(0, writeVoice("inharmonic", 2.0f, only(1), [](int h) {
                                      return nominal(h) * 1.03f;
                                  }).c_str()));
    engine->setParameter(kHarmonizeAOn, 1.0f, true);
    std::vector<float> out = play(57, 0.6f);
    EXPECT_GT(test::toneAmplitude(out, 8820, 8192, kRate, 440.0f), 0.3f);
    EXPECT_LT(test::toneAmplitude(out, 8820, 8192, kRate, 440.0f * 1.03f), 0.05f);
}

TEST_F(HarmonicRender, MorphStepTakesAtLeastHalfASecond)
{
    for (int slot = 0; slot < 2; ++slot) {
        std::string file = writeVoice("step" + std::to_string(slot), 3.0f, only(slot), nominal);
        ASSERT_TRUE(engine->loadVoice(slot, file.c_str()));
    }
    for (int block : {512, 16}) {
        engine->setParameter(kMorphHarmX, 0.0f, true);
        play(57, 0.2f, 1e9f, block);
        engine->setParameter(kMorphHarmX, 1.0f, true);
        std::vector<float> out = play(-1, 0.45f, 1e9f, block);
        EXPECT_GT(test::toneAmplitude(out, out.size() - 2048, 2048, kRate, 220.0f), 0.05f)
            << "slot A still heard 0.45 s after the jump, block " << block;
        silence();
    }
}

// Two multisamples of two layers, each corner with its own frame times.
std::unique_ptr<Voice> cornerVoice(float scale)
{
    auto voice = std::make_unique<Voice>();
    voice->multisampleCount = 2;
    voice->layerCount = 2;
    for (int m = 0; m < 2; ++m) {
        for (int layer = 0; layer < 2; ++layer) {
            HarmonicData& data = voice->layer(m, layer).harmonic;
            const int corner = 2 * layer + m;
            for (int frame = 0; frame < 40 + 7 * corner; ++frame) {
                const float t = 0.05f * static_cast<float>(frame) + 0.011f * static_cast<float>(corner);
                for (int h = 0; h < kHarmonicCount; ++h) {
                    data.amplitude(h).insertPoint(t, scale * (1.0f + std::sin(0.3f * frame + h + corner)) / (h + 1));
                    data.frequency(h).insertPoint(t, (h + 1) * (1.0f + 0.01f * std::cos(0.2f * frame + corner)));
                }
            }
        }
    }
    return voice;
}

struct Reference {
    std::vector<std::unique_ptr<BreakpointCurve>> curves;
    Reference(const VoiceRenderTables& tables, const SlotBlend& blend)
    {
        const float w[4] = {blend.weight(false, 0), blend.weight(true, 0), blend.weight(false, 1), blend.weight(true, 1)};
        for (int c = 0; c < NoteHarmonics::kCurveCount; ++c) {
            const RenderTable& table = c < kHarmonicCount ? tables.amplitude(blend.low, c)
                                                          : tables.frequency(blend.low, c - kHarmonicCount);
            std::vector<float> values;
            for (int p = 0; p < table.count; ++p) {
                const auto& v = table.values[static_cast<std::size_t>(p)];
                values.push_back(w[0] * v[0] + w[1] * v[1] + w[2] * v[2] + w[3] * v[3]);
            }
            curves.push_back(std::make_unique<BreakpointCurve>());
            curves.back()->assignPoints(table.times.data(), values.data(), std::min(table.count, 128));
        }
    }
};

TEST(NoteHarmonics, BlendedAsThePlayAnswersAsTheWholeCurve)
{
    auto voice = cornerVoice(1.0f);
    auto tables = std::make_unique<VoiceRenderTables>();
    tables->build(*voice, 0);
    const SlotBlend blend{0, 1, 0.3f, 0.6f, false, 0};
    Reference whole(*tables, blend);
    auto note = std::make_unique<NoteHarmonics>();
    note->start(*voice, *tables, blend, 220.0f, kHarmonicCount, 44100.0f, 0);
    std::vector<float> times;
    for (float t = -0.1f; t < 1.2f; t += 0.0071f) times.push_back(t);
    for (float t = 0.4f; t < 3.5f; t += 0.013f) times.push_back(t); // back to a loop start, and past the end
    for (float t : times) {
        for (int c = 0; c < NoteHarmonics::kCurveCount; ++c) {
            ASSERT_EQ(note->valueAt(c, t, true, 0), whole.curves[static_cast<std::size_t>(c)]->valueAt(t))
                << "curve " << c << " at " << t;
        }
    }
    for (int h = 0; h < kHarmonicCount; ++h) EXPECT_TRUE(note->present(h));
}

TEST(NoteHarmonics, AnEditIsTakenUpPastWhereTheNoteHadReached)
{
    auto voice = cornerVoice(1.0f);
    auto tables = std::make_unique<VoiceRenderTables>();
    tables->build(*voice, 0);
    const SlotBlend blend{0, 1, 0.5f, 0.5f, false, 0};
    auto note = std::make_unique<NoteHarmonics>();
    note->start(*voice, *tables, blend, 220.0f, kHarmonicCount, 44100.0f, 0);
    const float early = note->valueAt(0, 0.5f, true, 0);
    const int reached = note->curve(0).pointCount();
    // While an edit runs the note reads only what it holds.
    auto louder = cornerVoice(2.0f);
    tables->build(*louder, 0);
    note->valueAt(0, 1.5f, false, 0);
    EXPECT_EQ(note->curve(0).pointCount(), reached);
    EXPECT_EQ(note->valueAt(0, 0.5f, false, 0), early);
    // Once it may read again, later times come from the edited sound.
    Reference edited(*tables, blend);
    EXPECT_EQ(note->valueAt(0, 1.5f, true, 1), edited.curves[0]->valueAt(1.5f));
    EXPECT_EQ(note->valueAt(0, 2.0f, true, 1), edited.curves[0]->valueAt(2.0f));
}

} // namespace
} // namespace tessarine
