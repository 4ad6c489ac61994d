// Undo and redo in the real plug-in's window: ten mixed edits (a random
// instrument, knobs dragged and wheeled, a switch, the pad, the morph path,
// Randomise, a voice load, the bars, Reset) undone one by one bring back the
// state record byte for byte and the sound sample for sample, the host hearing
// every value each undo changes, and redo brings them all back.

#include "editor/EditorTags.h"
#include "support/TempFolder.h"
#include "support/TestVoices.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "MusicianSession.h"

#include <X11/keysym.h>

#include <functional>
#include <thread>

namespace {

using tessarine::test::at;
using tessarine::test::chunkOf;
using tessarine::test::hostValues;
using tessarine::test::MusicianSession;
using Bytes = std::vector<std::byte>;

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
    s.holding(XK_Control_L, [&] {
        if (shift) {
            s.holding(XK_Shift_L, [&] { s.key(key); });
        } else {
            s.key(key);
        }
    });
}

} // namespace

TEST(MusicianUndo, TenMixedEditsUndoneAndRedoneRestoreTheRecordTheSoundAndTheHostsValues)
{
    START_SESSION(s);
    using namespace tessarine;
    auto voice = std::make_unique<Voice>();
    test::fillRandomVoice(*voice, 7, 2, 2, 5);
    const test::TempFolder folder("undo");
    const std::string voicePath = folder / "undo.t9v";
    test::writeFile(voicePath, test::voiceBytes(*voice));

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
    // Undo by the button and by Ctrl+Z in turn, redo by the button, Ctrl+Shift+Z and Ctrl+Y.
    for (std::size_t step = states.size() - 1; step > 0; --step) {
        SCOPED_TRACE(testing::Message() << "undoing " << edits[step - 1].what);
        const std::vector<float> before = hostValues(s.host());
        const std::size_t mark = s.mark();
        if (step % 2 == 0) {
            s.click(kUndoX, kButtonsY);
        } else {
            chord(s, false, XK_z);
        }
        const Snapshot now = snapshot(s);
        ASSERT_EQ(now.record, states[step - 1].record);
        EXPECT_EQ(now.audio, states[step - 1].audio);
        expectHostHeard(s, mark, before);
    }
    for (std::size_t step = 1; step < states.size(); ++step) {
        SCOPED_TRACE(testing::Message() << "redoing " << edits[step - 1].what);
        const std::size_t mark = s.mark();
        const std::vector<float> before = hostValues(s.host());
        switch (step % 3) {
        case 0: s.click(kRedoX, kButtonsY); break;
        case 1: chord(s, true, XK_z); break;
        default: chord(s, false, XK_y); break;
        }
        const Snapshot now = snapshot(s);
        ASSERT_EQ(now.record, states[step].record);
        EXPECT_EQ(now.audio, states[step].audio);
        expectHostHeard(s, mark, before);
    }
}
