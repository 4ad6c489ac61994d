// The library browser in the real plug-in's window: Browse, part of a name
// typed, Return, and the host's state holds that instrument; A/B then plays
// it as loaded, byte for byte, and the second click brings the edit back.

#include "sound/model/Instrument.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "MusicianSession.h"

#include <X11/keysym.h>

namespace {

using tessarine::test::chunkOf;
using tessarine::test::instrumentOf;

// Browse and A/B, left of the instrument menus.
constexpr double kBrowseX = 174, kCompareX = 221, kButtonsY = 24;

std::string nameIn(tessarine::host::PluginHost& host)
{
    const auto instrument = instrumentOf(chunkOf(host));
    return instrument ? instrument->name.data() : "(no instrument)";
}

} // namespace

TEST(MusicianBrowser, TypingPartOfANameAndReturnLoadIt_ABComparesWithTheLoadedOne)
{
    START_SESSION(s);
    ASSERT_NE(nameIn(s.host()), "Vibes");
    s.click(kBrowseX, kButtonsY);
    for (KeySym key : {XK_V, XK_i, XK_b, XK_Return}) {
        s.key(key);
    }
    ASSERT_TRUE(s.idleUntil([&] { return nameIn(s.host()) == "Vibes"; })) << nameIn(s.host());
    const auto loaded = chunkOf(s.host());

    const auto detune = tessarine::test::MusicianSession::centreOf(tessarine::test::rowOf(-1, tessarine::kMasterDetune), -1);
    s.drag(detune.x, detune.y, 0, -40);
    s.idle(4);
    const auto edited = chunkOf(s.host());
    ASSERT_NE(edited, loaded) << "the browser did not close: the knob was not reached";
    s.click(kCompareX, kButtonsY);
    EXPECT_TRUE(s.idleUntil([&] { return chunkOf(s.host()) == loaded; }));
    s.click(kCompareX, kButtonsY);
    EXPECT_TRUE(s.idleUntil([&] { return chunkOf(s.host()) == edited; }));
}
