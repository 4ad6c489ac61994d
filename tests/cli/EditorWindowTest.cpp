// The real plug-in's editor in a host window on a private X server: a click on
// a page button and a drag on a knob, made through the XTest extension as a
// user's mouse would, come back through getParameter and reach the host.

#include "EditorWindow.h"
#include "PluginHost.h"
#include "RunCommand.h"
#include "XvfbServer.h"
#include "editor/ControlMap.h"

#include <gtest/gtest.h>
// After gtest: Xlib's macro None would break its headers.
#include "UserMouse.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <thread>

namespace {

using tessarine::host::EditorWindow;
using tessarine::host::PluginHost;
using tessarine::test::UserMouse;

// Page buttons of the top bar: 96 pixels apart from x 13, y 66 to 87.
constexpr int kPageButtonX = 13;
constexpr int kPageButtonStep = 96;
constexpr int kPageButtonY = 76;
constexpr int kPageSelectorTag = 181;
// Brightness on the sound page: a knob at 48, 170 of the page area.
constexpr int kSoundPage = 6;
constexpr int kBrightness = 34;
constexpr int kBrightnessCentreX = static_cast<int>(tessarine::kPageOrigin.x) + 48 + tessarine::kKnobSize / 2;
constexpr int kBrightnessCentreY = static_cast<int>(tessarine::kPageOrigin.y) + 170 + tessarine::kKnobSize / 2;

TEST(EditorWindow, ClicksAndDragsOnTheRealEditorComeBackAsParameterValues)
{
    tessarine::test::XvfbServer server;
    if (!server.running()) {
        GTEST_SKIP() << "Xvfb is not installed; the editor is not tried in a window";
    }
    std::string error;
    auto host = PluginHost::load(TESSARINE_PLUGIN_PATH, error);
    ASSERT_NE(host, nullptr) << error;
    ASSERT_NE(host->effect()->flags & vst::effFlagsHasEditor, 0) << "the plug-in lost its editor";
    auto window = EditorWindow::open(*host, error);
    ASSERT_NE(window, nullptr) << error;
    EXPECT_EQ(window->width(), 800);
    EXPECT_EQ(window->height(), 550);

    Display* display = XOpenDisplay(server.display().c_str());
    ASSERT_NE(display, nullptr);
    int event = 0, errorBase = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(display, &event, &errorBase, &major, &minor)) << "Xvfb without XTest";
    UserMouse mouse(display, window->windowId());

    // The host's GUI loop, until the plug-in shows what is waited for (bounded).
    auto idleUntil = [&](const std::function<bool()>& condition) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            window->idle();
            if (condition()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    };
    auto idleFor = [&](int rounds) {
        for (int i = 0; i < rounds; ++i) {
            window->idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    idleFor(10);

    mouse.moveTo(kPageButtonX + kPageButtonStep * kSoundPage + 20, kPageButtonY);
    idleFor(3);
    mouse.button(true);
    idleFor(3);
    mouse.button(false);
    const float soundPage = static_cast<float>(kSoundPage) / 7.0f;
    EXPECT_TRUE(idleUntil([&] { return std::abs(host->getParameter(kPageSelectorTag) - soundPage) < 1e-4f; }))
        << "page selector at " << host->getParameter(kPageSelectorTag);

    // Up raises the knob; from the top it goes down instead.
    const float before = host->getParameter(kBrightness);
    const int direction = before < 0.5f ? -1 : 1;
    mouse.moveTo(kBrightnessCentreX, kBrightnessCentreY);
    idleFor(3);
    mouse.button(true);
    idleFor(3);
    for (int step = 1; step <= 8; ++step) {
        mouse.moveTo(kBrightnessCentreX, kBrightnessCentreY + direction * 5 * step);
        idleFor(2);
    }
    mouse.button(false);
    EXPECT_TRUE(idleUntil([&] { return std::abs(host->getParameter(kBrightness) - before) > 0.05f; }))
        << "Brightness stayed at " << host->getParameter(kBrightness);
    bool hostHeard = false;
    for (const auto& automation : host->automations()) {
        hostHeard = hostHeard || automation.index == kBrightness;
    }
    EXPECT_TRUE(hostHeard) << "the knob's move reaches the host's automation";

    window.reset();
    XCloseDisplay(display);
}

TEST(EditorWindow, EditCommandOpensClosesAndMeasuresAndNeedsADisplay)
{
    {
        tessarine::test::XvfbServer server;
        if (!server.running()) {
            GTEST_SKIP() << "Xvfb is not installed; tessarine edit is not tried";
        }
        auto result = tessarine::test::runCli("edit --seconds 0.5 --measure");
        ASSERT_EQ(result.output.find("has no editor"), std::string::npos) << "the plug-in lost its editor";
        EXPECT_EQ(result.status, 0) << result.output;
        EXPECT_NE(result.output.find("editor open: effEditOpen"), std::string::npos) << result.output;
        EXPECT_NE(result.output.find("% of one core"), std::string::npos) << result.output;
    }
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    unsetenv("DISPLAY");
    auto result = tessarine::test::runCli("edit --seconds 0.5");
    if (display != nullptr) {
        setenv("DISPLAY", saved.c_str(), 1);
    }
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.output.find("cannot open the X display"), std::string::npos) << result.output;
}

} // namespace
