// What the voice page does to the slot's voice: an analysis lands where a
// one-layer voice plays it and names the voice after the file, the first drag
// on a one-layer voice stays, and the page's switches reach the views they name.

#include "EditorFixture.h"

#include "analysis/SoundFileAnalysis.h"
#include "editor/EditorTags.h"
#include "editor/FrequencyCurveView.h"
#include "editor/HarmonicBarView.h"
#include "editor/MorphPathView.h"
#include "editor/NoiseFrameView.h"
#include "engine/SynthEngine.h"
#include "sound/TestVoices.h"
#include "sound/VoiceFile.h"

#include <cmath>
#include <cstdint>
#include <fstream>

namespace editortest {

namespace {

using namespace tessarine;
using gui::EventKind;

// One second of a 220 Hz tone with a few harmonics, as 16-bit mono WAV.
std::string writeTone(const std::filesystem::path& path)
{
    constexpr int kRate = 44100;
    std::vector<std::int16_t> samples(kRate);
    for (int i = 0; i < kRate; ++i) {
        double v = 0;
        for (int h = 1; h <= 6; ++h) {
            v += std::sin(2 * M_PI * 220.0 * h * i / kRate) / h;
        }
        const double fade = std::min(1.0, std::min(i, kRate - i) / 2000.0);
        samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(9000 * v * fade);
    }
    auto put32 = [](std::ofstream& out, std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [](std::ofstream& out, std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    std::ofstream out(path, std::ios::binary);
    const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    put32(out, 36 + bytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1);
    put16(out, 1);
    put32(out, kRate);
    put32(out, kRate * 2);
    put16(out, 2);
    put16(out, 16);
    out.write("data", 4);
    put32(out, bytes);
    out.write(reinterpret_cast<const char*>(samples.data()), bytes);
    return path.string();
}

class VoicePageEdits : public EditorFixture {
protected:
    // A voice of one or two layers in slot A through the Load button, page A shown.
    std::string loadVoiceIntoSlotA(int layers)
    {
        auto voice = std::make_unique<Voice>();
        test::fillRandomVoice(*voice, 7u + static_cast<unsigned>(layers), 1, layers, 4);
        const std::string path = (root_ / ("voice" + std::to_string(layers) + ".t9v")).string();
        test::writeFile(path, test::voiceBytes(*voice));
        editor().setParameter(kTagPageSelector, 0.0f);
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
    // A press, a move up by dy pixels and a release in the middle of the control of tag.
    void dragUp(int tag, double dy)
    {
        gui::Control* control = editor().control(tag);
        ASSERT_NE(control, nullptr) << tag;
        const double x = control->bounds().x + control->bounds().width / 2.0;
        const double y = control->bounds().y + control->bounds().height * 0.6;
        mouse(EventKind::MouseDown, x, y);
        mouse(EventKind::MouseMove, x, y - dy / 2);
        mouse(EventKind::MouseMove, x, y - dy);
        mouse(EventKind::MouseUp, x, y - dy);
    }
};

TEST_F(VoicePageEdits, AnalysisFillsThePlayedLayerAndNamesTheVoiceAfterTheFile)
{
    const std::string wav = writeTone(root_ / "tone.wav");
    PreparedSound sound;
    ASSERT_TRUE(prepareSound(wav, sound));
    // Each selector position, on a one-layer and on a two-layer voice.
    const struct {
        int layers;
        float selector;
        int analysedLayer;
    } rows[] = {{1, 0.0f, 1}, {1, 0.5f, 1}, {1, 1.0f, 1}, {2, 0.0f, 0}, {2, 0.5f, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.layers << " layers, selector " << row.selector);
        const std::string voicePath = loadVoiceIntoSlotA(row.layers);
        plugin().setParameter(kSoftLoudButtonA, row.selector);
        dialogs_.nextPath = wav;
        click(kTagAnalyseA);

        // What `tessarine analyse --into` makes of the same file and voice.
        auto expected = std::make_unique<Voice>();
        RecordStream stream;
        ASSERT_TRUE(loadVoiceFile(voicePath, *expected, stream));
        AnalysisSummary summary;
        ASSERT_TRUE(analyseIntoVoice(sound.buffer, sound.fundamental.f0, *expected, 0, row.analysedLayer, nullptr,
                                     summary));
        expected->setName("tone");
        prepareVoice(*expected);
        test::expectSameVoice(slotA(), *expected);
    }
}

TEST_F(VoicePageEdits, FirstDragOnAOneLayerVoiceStays)
{
    for (int tag : {kTagHarmonicBars, kTagHarmonicEnvelopeView}) {
        SCOPED_TRACE(tag);
        loadVoiceIntoSlotA(1);
        plugin().setParameter(kSoftLoudButtonA, 0.0f); // the soft layer shown
        plugin().setParameter(kTagHarmonicFamilyA, 0.0f); // "All"
        const float before = loudness(0);
        const float loud = loudness(1);
        if (tag == kTagHarmonicBars) {
            dragUp(tag, -30);
        } else {
            // Onto the frame nearest the plot's middle, then down.
            auto* view = dynamic_cast<CurveView*>(editor().control(tag));
            ASSERT_NE(view, nullptr);
            ASSERT_GT(view->pointCount(), 1);
            const gui::Point p = view->pointPosition(1);
            mouse(EventKind::MouseDown, p.x, p.y);
            mouse(EventKind::MouseMove, p.x, p.y + 20);
            mouse(EventKind::MouseUp, p.x, p.y + 20);
        }
        EXPECT_EQ(slotA().layerCount, 2) << "an edited soft layer makes the voice two-layered";
        EXPECT_LT(loudness(0), before * 0.99f) << "the drag snapped back";
        EXPECT_EQ(loudness(1), loud) << "the loud layer is untouched";
    }
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
    editor().setParameter(kTagPageSelector, static_cast<float>(kMorphPage) / 7.0f);
    auto* path = dynamic_cast<MorphPathView*>(editor().control(kTagMorphPath));
    ASSERT_NE(path, nullptr);
    engine().setTempo(93.0);
    editor().idle();
    EXPECT_EQ(path->tempo(), 93.0);
}

} // namespace

} // namespace editortest
