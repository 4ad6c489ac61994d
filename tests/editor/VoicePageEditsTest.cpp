// What the voice page does to the slot's voice: written values reach it, the
// first drag on a one-layer voice stays, and the page's switches reach the
// views they name.

#include "EditorFixture.h"

#include "editor/pages/ControlFactory.h"
#include "editor/views/FrequencyCurveView.h"
#include "editor/views/HarmonicBarView.h"
#include "editor/views/MorphPathView.h"
#include "editor/views/NoiseFrameView.h"
#include "engine/SynthEngine.h"
#include "support/TestVoices.h"

#include <algorithm>


namespace editortest {

namespace {

using namespace tessarine;
using gui::EventKind;

class VoicePageEdits : public EditorFixture {
protected:
    // A voice of one or two layers in slot A through the Load button, page A shown.
    std::string loadVoiceIntoSlotA(int layers)
    {
        auto voice = std::make_unique<Voice>();
        test::fillRandomVoice(*voice, 7u + static_cast<unsigned>(layers), 1, layers, 4);
        const std::string path = (root_ / ("voice" + std::to_string(layers) + ".t9v")).string();
        test::writeFile(path, test::voiceBytes(*voice));
        showPage(0);
        dialogs_.nextPath = path;
        click(kTagLoadVoiceA);
        return path;
    }
    Voice& slotA() { return engine().editInstrument().voices[0]; }
    // Every amplitude point of a layer, summed: what a drag down lowers.
    float loudness(int layer)
    {
        float sum = 0;
        const HarmonicData& data = slotA().layer(0, layer).harmonic;
        for (int h = 0; h < kHarmonicCount; ++h) {
            for (int i = 0; i < data.amplitude(h).pointCount(); ++i) {
                sum += data.amplitude(h).value(i);
            }
        }
        return sum;
    }
};

TEST_F(VoicePageEdits, WritesOnTheVoicePageReachTheSlotsVoice)
{
    const int s = 2;
    showPage(s);
    const Voice& voice = engine().instrument().voices[s];

    plugin().setParameter(kNumMultisamplesA + s, 3.0f / 8.0f);
    EXPECT_EQ(voice.multisampleCount, 4);

    plugin().setParameter(kMultisampleA + s, 2.0f / 8.0f); // edit the third multisample
    plugin().setParameter(kTagKeyA + s, 69.0f / 128.0f);
    EXPECT_NEAR(voice.multisamples[2].layers[0].harmonic.basePitch, 440.0f, 0.01f);
    EXPECT_NEAR(voice.multisamples[2].layers[1].harmonic.basePitch, 440.0f, 0.01f);
    EXPECT_NE(voice.multisamples[0].layers[0].harmonic.basePitch, 440.0f) << "only the edited multisample";

    plugin().setParameter(kVoiceCutoffA + s, 0.3f);
    EXPECT_FLOAT_EQ(voice.cutoff, 0.3f);
    EXPECT_FLOAT_EQ(engine().getParameter(kVoiceCutoffA + s), 0.3f);

    gui::Control* name = editor().control(kTagVoiceNameA + s);
    ASSERT_NE(name, nullptr);
    setControlText(*name, "Brass Section");
    editor().valueChanged(*name);
    EXPECT_EQ(voice.nameView(), "Brass Section");

    // A refresh shows the voice's own key again, the nearest key to its pitch,
    // and tells the host; the voice keeps its pitch.
    for (auto& layer : engine().editInstrument().voices[s].multisamples[2].layers) {
        layer.harmonic.basePitch = 450.0f;
    }
    forgetAutomation();
    editor().fullRefresh();
    EXPECT_NEAR(engine().getParameter(kTagKeyA + s), 69.0f / 128.0f, 1e-6f);
    EXPECT_EQ(voice.multisamples[2].layers[0].harmonic.basePitch, 450.0f);
    std::vector<int> heard;
    for (const HostAutomation& a : automated()) {
        heard.push_back(a.index);
    }
    for (int index : {kTagKeyA + s, kNumMultisamplesA + s}) {
        EXPECT_NE(std::find(heard.begin(), heard.end(), index), heard.end()) << index;
    }
}

// The window suite draws on the bars; the frame view takes the same path.
TEST_F(VoicePageEdits, FirstDragOnAOneLayerVoiceStays)
{
    loadVoiceIntoSlotA(1);
    plugin().setParameter(kSoftLoudButtonA, 0.0f); // the soft layer shown
    const float before = loudness(0);
    const float loud = loudness(1);
    // Onto the second frame, then down.
    auto* view = dynamic_cast<CurveView*>(editor().control(kTagHarmonicEnvelopeView));
    ASSERT_NE(view, nullptr);
    ASSERT_GT(view->pointCount(), 1);
    const gui::Point p = view->pointPosition(1);
    mouse(EventKind::MouseDown, p.x, p.y);
    mouse(EventKind::MouseMove, p.x, p.y + 20);
    mouse(EventKind::MouseUp, p.x, p.y + 20);
    EXPECT_EQ(slotA().layerCount, 2) << "an edited soft layer makes the voice two-layered";
    EXPECT_LT(loudness(0), before * 0.99f) << "the drag snapped back";
    EXPECT_EQ(loudness(1), loud) << "the loud layer is untouched";
}

TEST_F(VoicePageEdits, SwitchesAndSelectionsReachTheViewsTheyName)
{
    loadVoiceIntoSlotA(2);
    auto* bars = dynamic_cast<HarmonicBarView*>(editor().control(kTagHarmonicBars));
    auto* harmonicFrames = dynamic_cast<CurveView*>(editor().control(kTagHarmonicEnvelopeView));
    auto* spectrum = dynamic_cast<FrequencyCurveView*>(editor().control(kTagNoiseSpectrumView));
    auto* noiseFrames = dynamic_cast<NoiseFrameView*>(editor().control(kTagNoiseFrameView));
    ASSERT_TRUE(bars && harmonicFrames && spectrum && noiseFrames);

    // The envelope mode moves points in both time views, never the spectrum.
    plugin().setParameter(kEnvelopeModeA, 1.0f);
    EXPECT_EQ(harmonicFrames->moveMode(), 2);
    EXPECT_EQ(noiseFrames->moveMode(), 2);
    EXPECT_EQ(spectrum->moveMode(), 0);

    // "Bars" shows deviations, "Harmonics" all frames; the view says which.
    const struct {
        float bars, harmonics;
        bool deviations, allFrames;
        const char* shown;
    } modes[] = {{1, 0, true, false, "Deviations, frame"},
                 {1, 1, true, true, "Deviations, all frames"},
                 {0, 1, false, true, "Levels, all frames"},
                 {0, 0, false, false, "Levels, frame"}};
    for (const auto& m : modes) {
        plugin().setParameter(kTagSlotViewSwitchA, m.bars);
        plugin().setParameter(kNumHarmonicsA, m.harmonics);
        EXPECT_EQ(bars->frequencyMode(), m.deviations) << m.shown;
        EXPECT_EQ(bars->allFrames(), m.allFrames) << m.shown;
        EXPECT_EQ(bars->modeText().rfind(m.shown, 0), 0u) << bars->modeText();
    }

    // A noise frame picked in its view is the one the spectrum view draws.
    ASSERT_GT(noiseFrames->pointCount(), 2);
    const gui::Point p = noiseFrames->pointPosition(2);
    mouse(EventKind::MouseDown, p.x, p.y);
    mouse(EventKind::MouseUp, p.x, p.y);
    EXPECT_EQ(noiseFrames->selected(), 2);
    EXPECT_EQ(spectrum->shownNoiseFrame(), 2);

    // The morph path's grid follows the host's tempo at the next idle.
    showPage(kMorphPage);
    auto* path = dynamic_cast<MorphPathView*>(editor().control(kTagMorphPath));
    ASSERT_NE(path, nullptr);
    engine().setTempo(93.0);
    editor().idle();
    EXPECT_EQ(path->tempo(), 93.0);
}

} // namespace

} // namespace editortest
