// A musician's workflows in the real plug-in's window, answered by typing into
// the plug-in's own file dialog: analysing a sound into a slot gives what
// `tessarine analyse` gives, the bars' first draw on a one-layer voice and its
// new name are kept, voices, instruments and presets load and save through
// the dialogs, a key of the on-screen keyboard sounds, and `tessarine edit`
// opens the editor.

#include "support/ReadBack.h"
#include "support/SoundFileHelpers.h"
#include "support/TempFolder.h"
#include "editor/EditorTags.h"
#include "support/RunCommand.h"
#include "support/TestVoices.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "MusicianSession.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using tessarine::test::at;

std::string scratch(const std::string& name)
{
    static const tessarine::test::TempFolder folder("musician");
    return folder / name;
}

const auto readVoice = tessarine::test::loadVoice;
const auto readInstrument = tessarine::test::loadInstrument;

TEST(MusicianWorkflows, AnalysingIntoASlotGivesWhatTheCommandLineGives)
{
    START_SESSION(s);
    const std::string wav = scratch("tone.wav");
    ASSERT_TRUE(testsound::writeSound(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                                      testsound::sawtooth(261.6, 44100, 1.0)));
    s.showPage(0);
    // Analyse on a one-layer voice, whatever the selector shows, keeps the voice
    // and takes the sound; on a larger one it makes the voice the command line
    // makes. Analyse layer fills the layer the selector shows.
    const struct {
        int multisamples;
        int layers;
        float selector;
        int tag;
        int layer; // -1: a whole new voice
    } rows[] = {{1, 1, 0.0f, tessarine::kTagAnalyseA, 1},      {1, 1, 1.0f, tessarine::kTagAnalyseA, 1},
                {1, 1, 0.5f, tessarine::kTagAnalyseLayerA, 1}, {1, 2, 0.0f, tessarine::kTagAnalyseLayerA, 0},
                {5, 2, 0.5f, tessarine::kTagAnalyseLayerA, 1}, {5, 2, 0.0f, tessarine::kTagAnalyseA, -1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.multisamples << " multisamples, " << row.layers << " layers, selector "
                                        << row.selector << ", tag " << row.tag);
        auto voice = std::make_unique<tessarine::Voice>();
        tessarine::test::fillRandomVoice(*voice, 11, row.multisamples, row.layers, 5);
        const std::string voicePath = scratch("start.t9v");
        tessarine::test::writeFile(voicePath, tessarine::test::voiceBytes(*voice));
        s.clickAndAnswer(0, tessarine::kTagLoadVoiceA, "Load Voice File", voicePath);
        s.host().setParameter(tessarine::kSoftLoudButtonA, row.selector);
        s.clickAndAnswer(0, row.tag, "Load Sound File", wav);
        const std::string saved = scratch("analysed.t9v");
        fs::remove(saved);
        s.clickAndAnswer(0, tessarine::kTagSaveVoiceA, "Save Voice File", saved);

        const std::string expectedPath = scratch("expected.t9v");
        const std::string into =
            row.layer < 0 ? "" : " --into " + voicePath + " --layer " + std::to_string(row.layer);
        const auto result = tessarine::test::runCli("analyse " + wav + into + " -o " + expectedPath);
        ASSERT_EQ(result.status, 0) << result.output;
        auto got = readVoice(saved);
        auto expected = readVoice(expectedPath);
        ASSERT_TRUE(got) << "the voice was not saved";
        ASSERT_TRUE(expected);
        EXPECT_EQ(expected->nameView(), "tone");
        expected->setName("analysed"); // a saved voice takes its file's name
        tessarine::test::expectSameVoice(*got, *expected);
    }
}

// The bars' first draw on a one-layer voice, and a name typed into the name line.
TEST(MusicianWorkflows, TheFirstDrawOnAOneLayerVoiceAndItsNewNameAreKept)
{
    START_SESSION(s);
    s.showPage(0);
    auto voice = std::make_unique<tessarine::Voice>();
    tessarine::test::fillRandomVoice(*voice, 5, 1, 1, 5);
    const std::string voicePath = scratch("one-layer.t9v");
    tessarine::test::writeFile(voicePath, tessarine::test::voiceBytes(*voice));
    s.clickAndAnswer(0, tessarine::kTagLoadVoiceA, "Load Voice File", voicePath);
    s.host().setParameter(tessarine::kSoftLoudButtonA, 0.0f); // the soft layer shown
    s.host().setParameter(tessarine::kTagHarmonicFamilyA, 0.0f); // "All"

    // Every bar drawn down 30 pixels, once; then the new name, over the old one.
    s.drag(at(0, tessarine::kTagHarmonicBars), 0, 30);
    s.click(at(0, tessarine::kTagVoiceNameA));
    for (int i = 0; i < 40; ++i) {
        s.key(XK_BackSpace);
    }
    for (KeySym c : {XK_d, XK_r, XK_a, XK_w, XK_n, XK_Return}) {
        s.key(c);
    }
    s.idle(4);

    // The host's copy of the sound (its state chunk) holds both.
    auto instrument = tessarine::test::instrumentOf(tessarine::test::chunkOf(s.host()));
    ASSERT_TRUE(instrument);
    const tessarine::Voice& slotA = instrument->voices[0];
    EXPECT_EQ(slotA.nameView(), "drawn");
    EXPECT_EQ(slotA.layerCount, 2) << "the drawn soft layer makes the voice two-layered";
    auto loudness = [](const tessarine::LayerData& layer) {
        float sum = 0;
        for (int h = 0; h < tessarine::kHarmonicCount; ++h) {
            const tessarine::BreakpointCurve& amplitude = layer.harmonic.amplitude(h);
            for (int i = 0; i < amplitude.pointCount(); ++i) {
                sum += amplitude.value(i);
            }
        }
        return sum;
    };
    auto loaded = readVoice(voicePath); // as the slot played it before the drag
    ASSERT_TRUE(loaded);
    EXPECT_LT(loudness(slotA.layer(0, 0)), 0.95f * loudness(loaded->layer(0, 0))) << "the drag snapped back";
    EXPECT_EQ(loudness(slotA.layer(0, 1)), loudness(loaded->layer(0, 1)));
}

TEST(MusicianWorkflows, InstrumentsVoicesAndPresetsGoThroughTheDialogs)
{
    START_SESSION(s);
    auto& host = s.host();

    // An instrument saved, changed, loaded back.
    const std::string instrument = scratch("mine.t9i");
    fs::remove(instrument);
    host.setParameter(tessarine::kVolume, 0.21f);
    s.clickAndAnswer(-1, tessarine::kTagSaveInstrument, "Save Instrument File", instrument);
    auto saved = readInstrument(instrument);
    ASSERT_TRUE(saved);
    EXPECT_STREQ(saved->name.data(), "mine");
    host.setParameter(tessarine::kVolume, 0.8f);
    s.clickAndAnswer(-1, tessarine::kTagLoadInstrument, "Load Instrument File", instrument);
    EXPECT_FLOAT_EQ(host.getParameter(tessarine::kVolume), 0.21f);

    // Both presets of slot B's shown layer, and slot B's voice.
    s.showPage(1);
    const struct {
        int save, load;
        const char* title;
        const char* name;
    } files[] = {{tessarine::kTagSaveHarmonicPreset, tessarine::kTagLoadHarmonicPreset, "Harmonic Preset", "mine.t9h"},
                 {tessarine::kTagSaveNoisePreset, tessarine::kTagLoadNoisePreset, "Noise Preset", "mine.t9n"},
                 {tessarine::kTagSaveVoiceA + 1, tessarine::kTagLoadVoiceA + 1, "Voice", "mine.t9v"}};
    for (const auto& [save, load, title, name] : files) {
        SCOPED_TRACE(name);
        const std::string path = scratch(name);
        fs::remove(path);
        s.clickAndAnswer(1, save, std::string("Save ") + title + " File", path);
        ASSERT_TRUE(fs::exists(path));
        const auto before = fs::file_size(path);
        s.clickAndAnswer(1, load, std::string("Load ") + title + " File", path);
        // Saved again after the load: the same bytes.
        // Under the same name (a saved voice takes its file's name), in another folder.
        fs::create_directories(scratch("again"));
        const std::string again = scratch(std::string("again/") + name);
        fs::remove(again);
        s.clickAndAnswer(1, save, std::string("Save ") + title + " File", again);
        EXPECT_EQ(fs::file_size(again), before);
    }
}

// A key of the on-screen keyboard sounds while held.
TEST(MusicianWorkflows, TheOnScreenKeyboardSoundsWhileAKeyIsHeld)
{
    START_SESSION(s);
    auto& host = s.host();
    std::vector<float> left(512), right(512);
    s.moveTo(100 + 2 * 7 * 19 + 9, 536);
    s.button(1, true);
    float peak = 0;
    for (int i = 0; i < 10; ++i) {
        host.processBlock({}, left.data(), right.data(), 512);
        for (float v : left) {
            peak = std::max(peak, std::abs(v));
        }
    }
    s.button(1, false);
    EXPECT_GT(peak, 1e-3f);
    for (int i = 0; i < 400; ++i) {
        host.processBlock({}, left.data(), right.data(), 512);
    }
    const auto [low, high] = std::minmax_element(left.begin(), left.end());
    EXPECT_LT(std::max(-*low, *high), 1e-4f) << "letting go of the key ends the note";
}

// `tessarine edit` opens the editor in a window of its own, and says why it cannot without a display.
TEST(MusicianWorkflows, TheEditCommandOpensTheEditorAndNeedsADisplay)
{
    {
        tessarine::test::XvfbServer server;
        if (!server.running()) {
            GTEST_SKIP() << "Xvfb is not installed; tessarine edit is not tried";
        }
        const auto result = tessarine::test::runCli("edit --seconds 0.5 --measure");
        EXPECT_EQ(result.status, 0) << result.output;
        EXPECT_NE(result.output.find("editor open: effEditOpen"), std::string::npos) << result.output;
        EXPECT_NE(result.output.find("% of one core"), std::string::npos) << result.output;
    }
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    unsetenv("DISPLAY");
    const auto result = tessarine::test::runCli("edit --seconds 0.5");
    if (display != nullptr) {
        setenv("DISPLAY", saved.c_str(), 1);
    }
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.output.find("cannot open the X display"), std::string::npos) << result.output;
}

} // namespace
