// The views inside the real editor: a key played with the mouse is heard, and
// a harmonic frame dragged down in the voice page's envelope view makes the
// next note quieter by the drag's ratio.

#include "EditorFixture.h"
#include "editor/CurveView.h"
#include "editor/EditorTags.h"
#include "editor/KeyboardView.h"
#include "engine/EngineTestVoice.h"
#include "engine/SignalMeasure.h"

#include <vector>

namespace editortest {
namespace {

using namespace tessarine;

class EditorViews : public EditorFixture {
protected:
    // The level of the shown voice's note 60 a fifth of a second in, played on the editor's keyboard.
    float playMiddleC()
    {
        auto* keys = dynamic_cast<KeyboardView*>(editor().control(kTagKeyboard));
        EXPECT_NE(keys, nullptr);
        const auto& b = keys->bounds();
        const double x = b.x + 2 * 7 * keys->whiteWidth() + keys->whiteWidth() / 2.0; // C4, two octaves up
        mouse(gui::EventKind::MouseDown, x, b.bottom() - 4);
        std::vector<float> left(512), right(512);
        for (int block = 0; block < 18; ++block) {
            engine().render(left.data(), right.data(), 512);
        }
        const float level = test::rms(left, 0, 512);
        mouse(gui::EventKind::MouseUp, x, b.bottom() - 4);
        for (int block = 0; block < 200; ++block) {
            engine().render(left.data(), right.data(), 512);
        }
        EXPECT_LT(test::rms(left, 0, 512), 1e-5f) << "letting go of the key ends the note";
        return level;
    }
};

TEST_F(EditorViews, FrameDraggedDownInTheEnvelopeViewQuietensTheNextNote)
{
    engine().setSampleRate(44100.0f);
    ASSERT_TRUE(engine().loadVoice(0, test::steadyVoiceFile().c_str())); // loud from 0.1 s to 5 s
    for (int index : {kMorphHarmX, kMorphHarmY}) {
        plugin().setParameter(index, 0.0f); // slot A alone
    }
    plugin().setParameter(kLoopSync2, 1.0f);
    plugin().setParameter(kTagPageSelector, 0.0f); // the voice page of slot A
    ASSERT_EQ(editor().currentPage(), 0);
    // One layer: the loud layer is shown and edited, and the soft one follows it.
    plugin().setParameter(kSoftLoudButtonA, 1.0f);

    const float before = playMiddleC();
    EXPECT_GT(before, 1e-3f) << "the mouse's key is heard";

    auto* frames = dynamic_cast<CurveView*>(editor().control(kTagHarmonicEnvelopeView));
    ASSERT_NE(frames, nullptr);
    const HarmonicData& data = engine().instrument().voices[0].layer(0, 1).harmonic;
    ASSERT_EQ(data.amplitude(0).timeAt(1), 0.1f);
    float sum = 0.0f;
    for (int h = 0; h < kHarmonicCount; ++h) {
        sum += data.amplitude(h).value(1);
    }
    const gui::Point point = frames->pointPosition(1);
    const gui::Rect plot = frames->plotRect();
    const double target = plot.bottom() - 0.25 * plot.height; // a quarter of the plot: a summed level of 0.5
    mouse(gui::EventKind::MouseDown, point.x, point.y);
    mouse(gui::EventKind::MouseMove, point.x, target);
    mouse(gui::EventKind::MouseUp, point.x, target);
    const float ratio = 0.25f / (0.5f * sum);
    EXPECT_NEAR(data.amplitude(0).value(1), 0.5f * ratio, 1e-4f);

    const float after = playMiddleC();
    EXPECT_NEAR(test::decibels(after / before), test::decibels(ratio), 1.0f);
}

} // namespace
} // namespace editortest
