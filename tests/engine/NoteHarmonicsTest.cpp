// A note blends its curves from the render tables as it plays. Read at any
// times, forwards or back after a loop, it answers exactly as the whole
// blended curve does; an edit while it plays is taken up past the time the
// note had reached, and nothing is read while the edit runs.

#include "engine/voice/NoteHarmonics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace tessarine {
namespace {

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
