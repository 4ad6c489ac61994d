// A musician's workflows in the real plug-in's window, answered by typing into
// the plug-in's own file dialog: analysing a sound into a slot gives what
// `tessarine analyse` gives, voices, instruments and presets load and save
// through the dialogs, a key of the on-screen keyboard sounds, and `tessarine edit`
// opens the editor. Files dragged from a file manager over the drag-and-drop
// protocol: a sound dropped on voice page A becomes slot A's voice, a file of
// another kind is refused while hovering, says so when dropped anyway and
// changes nothing (where each kind lands is the editor suite's EditorDrop).
// Undo and redo: ten mixed edits (a random instrument, knobs dragged and
// wheeled, the pad, the morph path, Randomise, a voice load, the bars, Reset)
// undone one by one bring back the state record byte for byte and the sound
// sample for sample, the host hearing every value each undo changes, and redo
// brings them all back.

#include "support/ReadBack.h"
#include "support/SoundFileHelpers.h"
#include "editor/EditorTags.h"
#include "support/RunCommand.h"
#include "support/SignalMeasure.h"
#include "support/TestVoices.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "MusicianSession.h"
#include "support/XdndSource.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace {

namespace fs = std::filesystem;
using tessarine::test::at;
using tessarine::test::chunkOf;
using tessarine::test::DragOutcome;
using tessarine::test::hostValues;
using tessarine::test::instrumentOf;
using tessarine::test::MusicianSession;
using Bytes = std::vector<std::byte>;

const auto scratch = testsound::scratchPath;

// A voice of random data from seed, written at scratch(name).
std::string randomVoiceFile(const std::string& name, unsigned seed, int multisamples, int layers)
{
    auto voice = std::make_unique<tessarine::Voice>();
    tessarine::test::fillRandomVoice(*voice, seed, multisamples, layers, 5);
    tessarine::test::writeFile(scratch(name), tessarine::test::voiceBytes(*voice));
    return scratch(name);
}

const auto readVoice = tessarine::test::loadVoice;
const auto readInstrument = tessarine::test::loadInstrument;

// Where the history buttons sit on the top bar.
constexpr double kUndoX = 684, kRedoX = 752, kButtonsY = 44;

// Half a second of key 60 from a fixed seed, both channels.
std::vector<float> sound(MusicianSession& s)
{
    s.seed(3.0f);
    return s.playNote(110, 50);
}

struct Snapshot {
    Bytes record;
    std::vector<float> audio;
};

// A load hands its voices to the audio thread during the first block after
// it, so the first note after one is not yet the instrument's: the second is.
Snapshot snapshot(MusicianSession& s)
{
    s.idle(4);
    sound(s);
    return {chunkOf(s.host()), sound(s)};
}

// Every value that differs from before reached the host's automation, last with its new value.
void expectHostHeard(MusicianSession& s, std::size_t mark, const std::vector<float>& before)
{
    for (int index = 0; index < tessarine::kParameterCount; ++index) {
        const float now = s.host().getParameter(index);
        if (now != before[static_cast<std::size_t>(index)]) {
            const std::vector<float> heard = s.automated(mark, index);
            ASSERT_FALSE(heard.empty()) << "the host did not hear value " << index;
            EXPECT_EQ(heard.back(), now) << "value " << index;
        }
    }
}

// A key pressed with Control (and Shift) held, as a musician types it.
void chord(MusicianSession& s, bool shift, KeySym key)
{
    s.holding(XK_Control_L, [&] { shift ? s.holding(XK_Shift_L, [&] { s.key(key); }) : s.key(key); });
}

std::string uriOf(const std::string& path)
{
    std::string uri = "file://";
    for (char c : path) {
        uri += c == ' ' ? std::string("%20") : std::string(1, c);
    }
    return uri + "\r\n";
}

// Drags from a file manager of its own (a thread) while the host's GUI loop runs here.
DragOutcome dragOnto(MusicianSession& s, double x, double y, const std::string& uriList, bool drop,
                     bool manyTypes = false)
{
    std::atomic<bool> done{false};
    DragOutcome outcome;
    std::thread manager([&] {
        tessarine::test::XdndSource source(s.displayName());
        outcome = source.drag(s.window().windowId(), static_cast<int>(x), static_cast<int>(y), uriList, drop,
                              manyTypes);
        done = true;
    });
    s.idleUntil([&] { return done.load(); }, 60);
    manager.join();
    s.idle(4);
    return outcome;
}

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
        const std::string voicePath = randomVoiceFile("start.t9v", 11, row.multisamples, row.layers);
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
    const auto render = [&] { host.processBlock({}, left.data(), right.data(), 512); };
    s.moveTo(100 + 2 * 7 * 19 + 9, 536);
    s.button(1, true);
    EXPECT_GT(tessarine::test::stereoPeak(10, render, left, right)[0], 1e-3f);
    s.button(1, false);
    tessarine::test::stereoPeak(399, render, left, right);
    EXPECT_LT(tessarine::test::stereoPeak(1, render, left, right)[0], 1e-4f) << "letting go of the key ends the note";
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

TEST(MusicianDrop, AFileOfAnotherKindIsRefusedAndASoundOnVoicePageABecomesItsVoice)
{
    START_SESSION(s);
    const std::string text = scratch("notes.txt");
    std::ofstream(text) << "not a sound\n";
    const std::string wav = scratch("Drop Tone.wav");
    ASSERT_TRUE(testsound::writeSound(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                                      testsound::sawtooth(220.0, 44100, 1.0)));
    s.showPage(0);
    const auto before = chunkOf(s.host());
    const DragOutcome hovered = dragOnto(s, 400, 300, uriOf(text), false);
    EXPECT_GE(hovered.statuses, 1);
    EXPECT_FALSE(hovered.accepted);
    // A careless source drops anyway: the message box says why; the user answers it (titled
    // as the host's own window, which is passed over).
    std::thread user = s.answer("Tessarine", "", s.window().windowId());
    const DragOutcome dropped = dragOnto(s, 400, 300, uriOf(text), true);
    user.join();
    EXPECT_TRUE(dropped.finished);
    EXPECT_FALSE(dropped.finishedAccepted);
    EXPECT_EQ(chunkOf(s.host()), before);

    // Offered in more types than the enter message holds: the target reads them from the source's list.
    const DragOutcome analysed = dragOnto(s, 400, 300, "# from a file manager\r\n" + uriOf(wav), true, true);
    EXPECT_NE(analysed.target, 0u) << "no drop site under the pointer";
    EXPECT_TRUE(analysed.proxied) << "the host's top-level names the editor as its proxy";
    EXPECT_TRUE(analysed.accepted);
    EXPECT_TRUE(analysed.finished && analysed.finishedAccepted);
    auto instrument = instrumentOf(chunkOf(s.host()));
    ASSERT_TRUE(instrument);
    EXPECT_EQ(instrument->voices[0].nameView(), "Drop Tone");
    EXPECT_EQ(instrument->voices[0].multisampleCount, 1);
}

} // namespace

TEST(MusicianUndo, TenMixedEditsUndoneAndRedoneRestoreTheRecordTheSoundAndTheHostsValues)
{
    START_SESSION(s);
    using namespace tessarine;
    const std::string voicePath = randomVoiceFile("undo.t9v", 7, 2, 2);

    // Each edit: the page it is made on and the gesture.
    const struct {
        const char* what;
        int page;
        std::function<void()> act;
    } edits[] = {
        {"random instrument", -1, [&] { s.click(at(-1, kTagRandomInstrument)); }},
        {"knob drag", kEffectsPage, [&] { s.drag(at(kEffectsPage, kFilterCutoff), 0, -60); }},
        {"wheel notches", kEffectsPage,
         [&] {
             auto p = at(kEffectsPage, kFilterRes);
             s.wheel(p.x, p.y, 3);
             std::this_thread::sleep_for(std::chrono::milliseconds(700));
         }},
        {"pad move", kMorphPage, [&] { s.drag(at(kMorphPage, kTagMorphPad), 40, 30); }},
        {"morph path point", kMorphPage, [&] { s.click(at(kMorphPage, kTagMorphPath, 0.4, 0.3)); }},
        {"randomise", kMorphPage, [&] { s.click(at(kMorphPage, kTagRandomiseMorph)); }},
        {"voice load", 0, [&] { s.clickAndAnswer(0, kTagLoadVoiceA, "Load Voice File", voicePath); }},
        {"harmonic bars", 0, [&] { s.drag(at(0, kTagHarmonicBars, 0.1, 0.5), 0, -30); }},
        {"knob drag again", kSoundPage, [&] { s.drag(at(kSoundPage, kBrightness), 0, 80); }},
        {"reset", -1, [&] { s.click(at(-1, kTagResetInstrument)); }},
    };
    std::vector<Snapshot> states{snapshot(s)};
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit.what);
        if (edit.page >= 0) {
            s.showPage(edit.page);
        }
        edit.act();
        states.push_back(snapshot(s));
        ASSERT_NE(states.back().record, states[states.size() - 2].record) << "the edit changed nothing";
    }
    // Each step back or forth brings back the record and the sound it had, and the host hears every change.
    const auto expectBackTo = [&](const Snapshot& then, const std::function<void()>& act) {
        const std::vector<float> before = hostValues(s.host());
        const std::size_t mark = s.mark();
        act();
        const Snapshot now = snapshot(s);
        ASSERT_EQ(now.record, then.record);
        EXPECT_EQ(now.audio, then.audio);
        expectHostHeard(s, mark, before);
    };
    // Undo by the button and by Ctrl+Z in turn, redo by the button, Ctrl+Shift+Z and Ctrl+Y.
    for (std::size_t step = states.size() - 1; step > 0 && !HasFatalFailure(); --step) {
        SCOPED_TRACE(testing::Message() << "undoing " << edits[step - 1].what);
        expectBackTo(states[step - 1], [&] { step % 2 == 0 ? s.click(kUndoX, kButtonsY) : chord(s, false, XK_z); });
    }
    for (std::size_t step = 1; step < states.size() && !HasFatalFailure(); ++step) {
        SCOPED_TRACE(testing::Message() << "redoing " << edits[step - 1].what);
        expectBackTo(states[step], [&] {
            step % 3 == 0 ? s.click(kRedoX, kButtonsY) : chord(s, step % 3 == 1, step % 3 == 1 ? XK_z : XK_y);
        });
    }
}
