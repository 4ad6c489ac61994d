// The editor's views in the real plug-in's window on a private X server, with
// the mouse moved through XTest: a key of the on-screen keyboard is heard
// while it is held, and a harmonic frame dragged down in slot A's envelope
// view makes the next note quieter by the drag's ratio.

#include "EditorWindow.h"
#include "PluginHost.h"
#include "XvfbServer.h"
#include "editor/ControlMap.h"
#include "engine/EngineTestVoice.h"
#include "engine/SignalMeasure.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "UserMouse.h"

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

using tessarine::host::EditorWindow;
using tessarine::host::PluginHost;
using tessarine::test::UserMouse;

constexpr int kPageSelectorTag = 181;
// The keyboard along the bottom: 36 white keys of 19 pixels from x 100, y 492 to 544.
constexpr int kMiddleCX = 100 + 2 * 7 * 19 + 9;
constexpr int kKeyY = 536;
// Slot A's harmonic envelope view: plot 312 × 93 from (21, 239) in the window,
// 4 seconds wide; the steady voice's loud frame at 0.1 s sits at the plot's top.
constexpr int kPlotX = static_cast<int>(tessarine::kPageOrigin.x) + 18 + 3;
constexpr int kPlotTop = static_cast<int>(tessarine::kPageOrigin.y) + 146 + 3;
constexpr int kPlotHeight = 106 - 13;
constexpr int kLoudFrameX = kPlotX + static_cast<int>(0.1f / 4.0f * 312);

TEST(EditorViewsWindow, KeyPlayedAndFrameDraggedWithTheMouseAreHeard)
{
    tessarine::test::XvfbServer server;
    if (!server.running()) {
        GTEST_SKIP() << "Xvfb is not installed; the editor is not tried in a window";
    }
    std::string error;
    auto host = PluginHost::load(TESSARINE_PLUGIN_PATH, error);
    ASSERT_NE(host, nullptr) << error;
    ASSERT_NE(host->effect()->flags & vst::effFlagsHasEditor, 0) << "the plug-in lost its editor";
    host->dispatch(vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    host->dispatch(vst::effSetBlockSize, 0, 512);
    host->dispatch(vst::effMainsChanged, 0, 1);
    std::string voice = tessarine::test::steadyVoiceFile(); // harmonics loud from 0.1 s to 5 s
    ASSERT_EQ(host->dispatch(vst::effVendorSpecific, vst::fourCC('T', 's', 'n', 'F'), 3, voice.data(), 0.0f), 1);

    auto window = EditorWindow::open(*host, error);
    ASSERT_NE(window, nullptr) << error;
    Display* display = XOpenDisplay(server.display().c_str());
    ASSERT_NE(display, nullptr);
    int event = 0, errorBase = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(display, &event, &errorBase, &major, &minor)) << "Xvfb without XTest";
    UserMouse mouse(display, window->windowId());
    auto idleFor = [&](int rounds) {
        for (int i = 0; i < rounds; ++i) {
            window->idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    std::vector<float> left(512), right(512);
    auto render = [&](int blocks) {
        for (int i = 0; i < blocks; ++i) {
            host->processBlock({}, left.data(), right.data(), 512);
        }
        return tessarine::test::rms(left, 0, 512);
    };
    // A note's level a fifth of a second in, the key held with the mouse.
    auto playMiddleC = [&] {
        mouse.moveTo(kMiddleCX, kKeyY);
        idleFor(3);
        mouse.button(true);
        idleFor(3);
        const float level = render(18);
        mouse.button(false);
        idleFor(3);
        EXPECT_LT(render(200), 1e-5f) << "letting go of the key ends the note";
        return level;
    };

    idleFor(10);
    host->setParameter(kPageSelectorTag, 0.0f); // slot A's voice page
    host->setParameter(tessarine::kSoftLoudButtonA, 1.0f); // one layer: the loud one, shown and edited
    host->setParameter(tessarine::kMorphHarmX, 0.0f);      // slot A alone
    host->setParameter(tessarine::kMorphHarmY, 0.0f);
    host->setParameter(tessarine::kLoopSync2, 1.0f);
    idleFor(5);

    const float before = playMiddleC();
    EXPECT_GT(before, 1e-3f) << "the key played with the mouse is heard";

    // Down to a quarter of the plot: the frame's summed level becomes 0.5.
    const int target = kPlotTop + kPlotHeight - kPlotHeight / 4;
    mouse.moveTo(kLoudFrameX, kPlotTop);
    idleFor(3);
    mouse.button(true);
    idleFor(3);
    for (int step = 1; step <= 10; ++step) {
        mouse.moveTo(kLoudFrameX, kPlotTop + (target - kPlotTop) * step / 10);
        idleFor(2);
    }
    mouse.button(false);
    idleFor(5);

    float sum = 0.0f; // the steady voice: harmonic h at 0.5 / h
    for (int h = 1; h <= 64; ++h) {
        sum += 0.5f / static_cast<float>(h);
    }
    const float newHeight = static_cast<float>(kPlotTop + kPlotHeight - target) / kPlotHeight;
    const float ratio = newHeight / (0.5f * sum);
    const float after = playMiddleC();
    EXPECT_NEAR(tessarine::test::decibels(after / before), tessarine::test::decibels(ratio), 1.5f);

    window.reset();
    XCloseDisplay(display);
}

} // namespace
