// A musician dragging files from a file manager onto the plug-in's editor in
// a host window: a sound dropped on voice page A becomes slot A's voice, an
// instrument dropped anywhere loads, and a file of another kind is refused
// while hovering, says so when dropped anyway and changes nothing.

#include "support/SoundFileHelpers.h"
#include "support/TempFolder.h"
#include "editor/EditorTags.h"
#include "sound/files/InstrumentFile.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "MusicianSession.h"
#include "support/XdndSource.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using tessarine::test::chunkOf;
using tessarine::test::DragOutcome;
using tessarine::test::instrumentOf;
using tessarine::test::MusicianSession;

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

// Answers the editor's message box with Return: titled as the host's own
// window ("Tessarine"), which is passed over.
std::thread answerMessageBox(MusicianSession& s)
{
    tessarine::test::typist::tolerateGoneWindows();
    return std::thread([name = s.displayName(), host = s.window().windowId()] {
        if (Display* display = XOpenDisplay(name.c_str()); display != nullptr) {
            tessarine::test::typeIntoDialog(display, "Tessarine", "", XK_Return, host);
            XCloseDisplay(display);
        }
    });
}

TEST(MusicianDrop, AFileOfAnotherKindIsRefused_ASoundOnVoicePageABecomesItsVoice_AnInstrumentLoadsAnywhere)
{
    START_SESSION(s);
    const tessarine::test::TempFolder folder("drop");
    const std::string text = folder / "notes.txt";
    std::ofstream(text) << "not a sound\n";
    const std::string wav = folder / "Drop Tone.wav";
    ASSERT_TRUE(testsound::writeSound(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                                      testsound::sawtooth(220.0, 44100, 1.0)));
    s.showPage(0);
    const auto before = chunkOf(s.host());
    const DragOutcome hovered = dragOnto(s, 400, 300, uriOf(text), false);
    EXPECT_GE(hovered.statuses, 1);
    EXPECT_FALSE(hovered.accepted);
    // A careless source drops anyway: the message box says why; the user answers it.
    std::thread user = answerMessageBox(s);
    const DragOutcome dropped = dragOnto(s, 400, 300, uriOf(text), true);
    user.join();
    EXPECT_TRUE(dropped.finished);
    EXPECT_FALSE(dropped.finishedAccepted);
    EXPECT_EQ(chunkOf(s.host()), before);

    const DragOutcome analysed = dragOnto(s, 400, 300, "# from a file manager\r\n" + uriOf(wav), true);
    EXPECT_NE(analysed.target, 0u) << "no drop site under the pointer";
    EXPECT_TRUE(analysed.proxied) << "the host's top-level names the editor as its proxy";
    EXPECT_TRUE(analysed.accepted);
    EXPECT_TRUE(analysed.finished && analysed.finishedAccepted);
    auto instrument = instrumentOf(chunkOf(s.host()));
    ASSERT_TRUE(instrument);
    EXPECT_EQ(instrument->voices[0].nameView(), "Drop Tone");
    EXPECT_EQ(instrument->voices[0].multisampleCount, 1);

    // The instrument as it is now, renamed, dropped back on another page.
    const std::string saved = folder / "Dropped.t9i";
    instrument->voices[1].copyFrom(instrument->voices[0]);
    std::snprintf(instrument->name.data(), instrument->name.size(), "Dropped");
    {
        tessarine::RecordStream stream;
        ASSERT_TRUE(tessarine::saveInstrumentFile(saved, *instrument, stream));
    }
    s.showPage(6);
    const DragOutcome loaded = dragOnto(s, 600, 200, uriOf(saved), true, true);
    EXPECT_TRUE(loaded.accepted && loaded.finishedAccepted);
    auto after = instrumentOf(chunkOf(s.host()));
    ASSERT_TRUE(after);
    EXPECT_STREQ(after->name.data(), "Dropped");
    EXPECT_EQ(after->voices[1].nameView(), "Drop Tone");
}

} // namespace
