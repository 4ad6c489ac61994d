// What reaches a slot's voice from the editor: values written on the voice
// page, the first drag on a one-layer voice, the page's switches, sounds
// analysed through the two buttons, and files dropped on the editor (what
// lands where by kind and place, the hint while hovering, nothing changed
// by a refusal).

#include "EditorFixture.h"
#include "support/ControlTestSupport.h"
#include "support/SoundFileHelpers.h"

#include "editor/EditorDropTarget.h"
#include "editor/pages/ControlFactory.h"
#include "editor/views/FrequencyCurveView.h"
#include "editor/views/HarmonicBarView.h"
#include "editor/views/MorphPathView.h"
#include "editor/views/NoiseFrameView.h"
#include "gui/DropTarget.h"
#include "gui/ImageSurfaceBackend.h"

#include <algorithm>
#include <fstream>

namespace editortest {
namespace {

using namespace tessarine;
using Action = DropPlan::Action;

class VoiceEdits : public EditorFixture {
protected:
    // A voice of one or two layers loaded into slot A through the Load button, page A shown.
    void loadVoiceIntoSlotA(int layers)
    {
        showPage(0);
        dialogs_.nextPath = writeVoice("voice" + std::to_string(layers), 7u + static_cast<unsigned>(layers), layers);
        click(kTagLoadVoiceA);
    }
    // Every amplitude point of a layer of slot A, summed: what a drag down lowers.
    float loudness(int layer)
    {
        float sum = 0;
        const HarmonicData& data = slot(0).layer(0, layer).harmonic;
        for (int h = 0; h < kHarmonicCount; ++h) {
            for (int i = 0; i < data.amplitude(h).pointCount(); ++i) {
                sum += data.amplitude(h).value(i);
            }
        }
        return sum;
    }
    std::string tone(const std::string& name, double f0)
    {
        const std::string path = (root_ / name).string();
        EXPECT_TRUE(testsound::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1,
                                          testsound::sawtooth(f0, 22050, 0.6)));
        return path;
    }
    gui::DropTarget& target() { return *editor().frame()->dropTarget(); }
};

TEST_F(VoiceEdits, WritesOnTheVoicePageReachTheSlotsVoice)
{
    const int s = 2;
    showPage(s);
    const Voice& voice = slot(s);
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
    const auto heard = automated();
    for (int index : {kTagKeyA + s, kNumMultisamplesA + s}) {
        EXPECT_TRUE(std::any_of(heard.begin(), heard.end(), [index](auto a) { return a.index == index; })) << index;
    }
}

// The window suite draws on the bars; the frame view takes the same path.
TEST_F(VoiceEdits, FirstDragOnAOneLayerVoiceStays)
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
    gui::test::drag(*editor().frame(), {p, {p.x, p.y + 20}});
    EXPECT_EQ(slot(0).layerCount, 2) << "an edited soft layer makes the voice two-layered";
    EXPECT_LT(loudness(0), before * 0.99f) << "the drag snapped back";
    EXPECT_EQ(loudness(1), loud) << "the loud layer is untouched";
}

TEST_F(VoiceEdits, SwitchesAndSelectionsReachTheViewsTheyName)
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
    gui::test::click(*editor().frame(), p.x, p.y);
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

// Several files make one multisample each, lowest pitch first, and the page says what was done.
TEST_F(VoiceEdits, AnalysingSeveralFilesMakesOneMultisampleEachLowestFirst)
{
    showPage(0);
    dialogs_.nextPaths = {tone("high.wav", 440.0), tone("low.wav", 110.0), tone("middle.wav", 220.0)};
    click(kTagAnalyseA);
    ASSERT_EQ(dialogs_.messages, 0) << dialogs_.lastMessage;
    EXPECT_EQ(slot(0).multisampleCount, 3);
    EXPECT_EQ(slot(0).layerCount, 1);
    EXPECT_EQ(slot(0).nameView(), "low");
    for (int m = 0; m < 3; ++m) {
        const float expected = 110.0f * static_cast<float>(1 << m);
        EXPECT_NEAR(slot(0).layer(m, 1).harmonic.basePitch, expected, expected * 0.01f) << m;
    }
    EXPECT_EQ(editor().actions().lastAnalysisNote(), "Slot A: new voice \"low\" on every key, 3 multisamples");
}

// A refused file, or several files for one layer, change nothing and say why.
TEST_F(VoiceEdits, AnalysisRefusalsChangeNothingAndSayWhy)
{
    showPage(0);
    const std::string before(slot(0).nameView());
    const int multisamples = slot(0).multisampleCount;
    const std::string text = (root_ / "readme.wav").string();
    std::ofstream(text) << std::string(300, 'x');
    const struct { int tag; std::vector<std::string> files; const char* message; } rows[] = {
        {kTagAnalyseA, {tone("a.wav", 220.0), text}, "Unsupported file format.\n"},
        {kTagAnalyseLayerA, {tone("b.wav", 220.0), tone("c.wav", 330.0)},
         "One sound goes into one layer: choose a single file.\n"},
    };
    for (const auto& row : rows) {
        dialogs_.nextPaths = row.files;
        dialogs_.lastMessage.clear();
        click(row.tag);
        EXPECT_EQ(dialogs_.lastMessage, row.message);
        EXPECT_EQ(slot(0).nameView(), before);
        EXPECT_EQ(slot(0).multisampleCount, multisamples);
    }
}

TEST_F(VoiceEdits, EachKindOfDroppedFileLandsOnItsPlacesOnly)
{
    // Frame coordinates: the morph pad spans x 150..440, y 116..406; slot D's voice menu is at y 384..403.
    const struct { int page; gui::Point at; std::vector<std::string> files; Action action; int slot; } rows[] = {
        {0, {400, 300}, {"/s/tone.wav"}, Action::Analyse, 0},
        {2, {10, 100}, {"/s/low.WAV", "/s/high.aiff", "/s/mid.Wave", "/s/x.aif"}, Action::Analyse, 2},
        {5, {400, 150}, {"/s/tone.wav"}, Action::Analyse, 1},
        {5, {200, 380}, {"/s/tone.wav"}, Action::Analyse, 2},
        {5, {60, 392}, {"/s/v.t9v"}, Action::LoadVoice, 3},
        {5, {60, 370}, {"/s/v.t9v"}, Action::LoadVoice, 3}, // the menu's label
        {1, {700, 450}, {"/s/v.T9V"}, Action::LoadVoice, 1},
        {5, {600, 200}, {"/s/tone.wav"}, Action::Refuse, -1}, // the morph paths
        {5, {5, 5}, {"/s/v.t9v"}, Action::Refuse, -1},
        {6, {400, 300}, {"/s/tone.wav"}, Action::Refuse, -1},
        {4, {10, 10}, {"/s/i.t9i"}, Action::LoadInstrument, -1},
        {0, {400, 300}, {"/s/i.t9i"}, Action::LoadInstrument, -1},
        {1, {400, 300}, {"/s/p.t9h"}, Action::LoadPreset, 1},
        {3, {400, 300}, {"/s/p.T9N"}, Action::LoadPreset, 3},
        {5, {400, 150}, {"/s/p.t9n"}, Action::Refuse, -1},
        {0, {400, 300}, {"/s/tone.wav", "/s/v.t9v"}, Action::Refuse, -1},
        {0, {400, 300}, {"/s/v.t9v", "/s/w.t9v"}, Action::Refuse, -1},
        {4, {10, 10}, {"/s/i.t9i", "/s/j.t9i"}, Action::Refuse, -1},
        {0, {400, 300}, {"/s/notes.txt"}, Action::Refuse, -1},
        {0, {400, 300}, {"/s/wav"}, Action::Refuse, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "page " << row.page << " at " << row.at.x << "," << row.at.y << " "
                                        << row.files.front());
        showPage(row.page);
        EXPECT_EQ(target().dragOver(row.at, row.files), row.action != Action::Refuse);
        const DropPlan& shown = editor().dropTarget()->shownPlan();
        EXPECT_EQ(shown.action, row.action);
        EXPECT_EQ(shown.slot, row.slot);
        EXPECT_EQ(shown.area.isEmpty(), row.action == Action::Refuse);
        EXPECT_TRUE(row.action == Action::Refuse || shown.area.contains(row.at));
        // What the plan says for a refusal is what a drop there would tell.
        EXPECT_EQ(planDrop(row.page, row.at, row.files).refusal.empty(), row.action != Action::Refuse);
    }
    EXPECT_EQ(planDrop(0, {1, 1}, {"/s/notes.txt"}).refusal, "Unsupported file format.\n");
    EXPECT_EQ(planDrop(0, {400, 300}, {"/s/tone.wav"}).hint, "Drop to analyse into slot A");
    EXPECT_EQ(planDrop(6, {1, 1}, {"/s/i.t9i"}).hint, "Drop to load the instrument");
    target().dragLeave();
    EXPECT_EQ(editor().dropTarget()->shownPlan().action, Action::Refuse);
}

TEST_F(VoiceEdits, TheDropHintIsOutlinedWhileHoveringAndGoneAfter)
{
    showPage(5);
    gui::ImageSurfaceBackend image(*editor().frame());
    ASSERT_TRUE(image.isValid());
    const auto outline = [&] {
        image.paintAll();
        return image.pixel(151, 300) & 0xffffff; // the left edge of the pad's lower-left quarter
    };
    const std::uint32_t before = outline();
    ASSERT_TRUE(target().dragOver({200, 380}, {"/s/tone.wav"}));
    EXPECT_EQ(outline(), 0xf0a540u);
    target().dragLeave();
    EXPECT_EQ(outline(), before);
    ASSERT_TRUE(target().dragOver({200, 380}, {"/s/tone.wav"}));
    EXPECT_FALSE(target().dragOver({200, 380}, {"/s/a.txt"})); // refused: nothing drawn
    EXPECT_EQ(outline(), before);
}

TEST_F(VoiceEdits, ADropLoadsWhatItNamesAndARefusedOneChangesNothing)
{
    const std::string voicePath = writeVoice("Dropped", 3, 1);
    const std::string instrumentPath = (root_ / "Whole.t9i").string();
    saveInstrumentAs(instrumentPath, "Whole");
    std::snprintf(engine().editInstrument().name.data(), engine().editInstrument().name.size(), "Before");

    showPage(5);
    EXPECT_TRUE(target().drop({200, 380}, {voicePath})); // slot C's corner
    EXPECT_EQ(slot(2).nameView(), "Dropped");
    EXPECT_EQ(dialogs_.messages, 0);

    // Refused: a voice where no slot is, a sound file of another kind, a file that cannot be read.
    const std::string text = (root_ / "notes.wav").string();
    std::filesystem::copy_file(voicePath, text);
    const struct {
        int page;
        gui::Point at;
        std::string file;
    } refusals[] = {{5, {600, 200}, voicePath}, {0, {400, 300}, text}, {1, {400, 300}, voicePath + ".gone.t9v"}};
    const std::string slotA(slot(0).nameView());
    for (const auto& row : refusals) {
        showPage(row.page);
        const int messages = dialogs_.messages;
        EXPECT_FALSE(target().drop(row.at, {row.file})) << row.file;
        EXPECT_EQ(dialogs_.messages, messages + 1) << row.file;
        EXPECT_EQ(slot(0).nameView(), slotA);
    }
    EXPECT_EQ(loaded(), "Before");
    EXPECT_EQ(slot(2).nameView(), "Dropped");
    showPage(7);
    EXPECT_TRUE(target().drop({10, 10}, {instrumentPath}));
    EXPECT_EQ(loaded(), "Whole");
}

} // namespace
} // namespace editortest
