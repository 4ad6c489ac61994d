#pragma once
// A musician at the real plug-in: a private X server, Tessarine.so loaded and
// its editor opened in a host window as a DAW does (parent window,
// effEditOpen, effEditIdle from this thread), and a mouse and keyboard moved
// through the XTest extension. What the musician perceives is read back
// through the ABI: parameter values, the host's automation record, the sound.
// Include after gtest: Xlib's macro None would break its headers.

#include "commands/RenderCommand.h"
#include "host/HostEditorWindow.h"
#include "host/PluginHost.h"
#include "support/BarePlugin.h"
#include "support/PrivateConfigFolder.h"
#include "support/XvfbServer.h"
#include "editor/pages/ControlMap.h"
#include "sound/model/Instrument.h"
#include "sound/files/InstrumentFile.h"
#include "sound/files/RecordStream.h"

#include "support/XTestUser.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tessarine::test {

// The control row of tag on page (-1 the top bar).
inline ControlRow rowOf(int page, int tag)
{
    const std::vector<ControlRow>& rows = page < 0 ? topBarControls() : pageControls(page);
    const auto row = std::find_if(rows.begin(), rows.end(), [tag](const ControlRow& r) { return r.tag == tag; });
    EXPECT_TRUE(row != rows.end()) << "no control " << tag << " on page " << page;
    return row != rows.end() ? *row : ControlRow{};
}

// A control's rectangle in the window: a page's controls lie from the page's origin, the top bar's from the window's.
inline gui::Rect windowRect(const ControlRow& row, int page)
{
    gui::Rect r = row.rect;
    r.x += page < 0 ? 0 : static_cast<int>(kPageOrigin.x);
    r.y += page < 0 ? 0 : static_cast<int>(kPageOrigin.y);
    return r;
}
inline gui::Rect windowRect(int page, int tag) { return windowRect(rowOf(page, tag), page); }

// The point at fractions (fx, fy) across a control of page, its centre unless told.
inline gui::Point at(const ControlRow& row, int page, double fx = 0.5, double fy = 0.5)
{
    const gui::Rect r = windowRect(row, page);
    return {r.x + r.width * fx, r.y + r.height * fy};
}
inline gui::Point at(int page, int tag, double fx = 0.5, double fy = 0.5) { return at(rowOf(page, tag), page, fx, fy); }

// The instrument a state chunk holds.
inline std::unique_ptr<Instrument> instrumentOf(const std::vector<std::byte>& bytes)
{
    auto instrument = std::make_unique<Instrument>();
    RecordStream stream;
    stream.openMemoryRead(bytes);
    return !bytes.empty() && readInstrument(stream, *instrument) ? std::move(instrument) : nullptr;
}

class MusicianSession : public XTestUser {
public:
    // screen: the test display's size (see XvfbServer).
    explicit MusicianSession(const char* screen = "1024x768x24") : server_(screen) {}

    // Empty when the session is up; otherwise why it could not start (the test skips or fails on it).
    std::string start(const std::string& pluginPath)
    {
        if (!server_.running()) {
            return "skip: Xvfb is not installed";
        }
        std::string error;
        host_ = host::PluginHost::load(pluginPath, error);
        if (!host_) {
            return error;
        }
        if ((host_->effect()->flags & vst::effFlagsHasEditor) == 0) {
            return "the plug-in lost its editor"; // it always has one: a failure, not a skip
        }
        host_->dispatch(vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
        host_->dispatch(vst::effSetBlockSize, 0, 512);
        host_->dispatch(vst::effMainsChanged, 0, 1);
        window_ = host::HostEditorWindow::open(*host_, error);
        if (!window_) {
            return error;
        }
        display_ = XOpenDisplay(server_.display().c_str());
        XTestUser::operator=(XTestUser(display_, window_->windowId(), [this] { window_->idle(); }));
        if (!hasXTest()) {
            return "no XTest on the test display";
        }
        idle(10);
        return {};
    }

    ~MusicianSession()
    {
        window_.reset();
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }

    host::PluginHost& host() { return *host_; }
    host::HostEditorWindow& window() { return *window_; }
    const std::string& displayName() const { return server_.display(); }

    // A controller message, played through two blocks and seen by the GUI loop.
    void controller(unsigned char number, unsigned char value)
    {
        std::vector<float> left(512), right(512);
        const std::vector<host::PluginHost::Midi> midi = {{0, 0xB0, number, value}};
        host_->processBlock(midi, left.data(), right.data(), 512);
        host_->processBlock({}, left.data(), right.data(), 512);
        idle(4);
    }

    // A user who answers the next dialog of this title (not the window skip) the
    // way a user does: the pointer onto it, the text typed, Return. Join it
    // once the act that opens the dialog has returned.
    std::thread answer(const std::string& title, const std::string& text, Window skip = 0)
    {
        typist::tolerateGoneWindows();
        return std::thread([=, name = server_.display()] { typeIntoDialog(name, title, text, XK_Return, skip); });
    }
    void clickAndAnswer(int page, int tag, const std::string& title, const std::string& path)
    {
        std::thread user = answer(title, path);
        click(at(page, tag)); // the release runs the action: the dialog's loop returns once answered
        user.join();
        idle(4);
    }

    // The plug-in's random draws (noise phases, Randomise) from a fixed seed from here on.
    void seed(float value)
    {
        char none[1] = "";
        ASSERT_EQ(host_->dispatch(vst::effVendorSpecific, vst::fourCC('T', 's', 'n', 'F'), host::kFileRequestSeed, none,
                                  value),
                  1);
    }

    // Key 60 struck at velocity from a fresh start, held for blocks of 441 frames
    // and let go: each block's left channel, then its right.
    std::vector<float> playNote(int velocity, int blocks)
    {
        host_->suspend();
        host_->resume();
        std::vector<float> left(441), right(441), both;
        for (int block = 0; block <= blocks; ++block) {
            std::vector<host::PluginHost::Midi> midi;
            if (block == 0 || block == blocks) {
                midi.push_back({0, static_cast<unsigned char>(block == 0 ? 0x90 : 0x80), 60,
                                static_cast<unsigned char>(block == 0 ? velocity : 0)});
            }
            host_->processBlock(midi, left.data(), right.data(), 441);
            if (block < blocks) {
                both.insert(both.end(), left.begin(), left.end());
                both.insert(both.end(), right.begin(), right.end());
            }
        }
        return both;
    }

    // Page buttons of the top bar: 96 pixels apart from x 13, y 66 to 87. The host hears of a switch once at
    // most. The editor opens on the morph page without a write the host could read: there a click changes nothing.
    void showPage(int page)
    {
        const std::size_t from = mark();
        click(13 + 96 * page + 20, 76);
        const bool shown =
            idleUntil([&] { return host_->getParameter(kTagPageSelector) == static_cast<float>(page) / 7.0f; });
        EXPECT_TRUE(shown || page == kMorphPage) << "page " << page;
        EXPECT_LE(automated(from, kTagPageSelector).size(), 1u) << "page " << page;
    }

    // The host's automation record from a mark on, for one index.
    std::size_t mark() const { return host_->automations().size(); }
    std::vector<float> automated(std::size_t from, int index) const
    {
        std::vector<float> values;
        const auto& all = host_->automations();
        for (std::size_t i = from; i < all.size(); ++i) {
            if (all[i].index == index) {
                values.push_back(all[i].value);
            }
        }
        return values;
    }

private:
    // The dialogs remember folders; a session's stay out of the user's configuration.
    PrivateConfigFolder config_;
    XvfbServer server_;
    std::unique_ptr<host::PluginHost> host_;
    std::unique_ptr<host::HostEditorWindow> window_;
    Display* display_ = nullptr;
};

} // namespace tessarine::test

// A session on the built plug-in in a test body: skipped without Xvfb, failed without an editor.
// A screen size after the name gives the test display that size (see XvfbServer).
#define START_SESSION(session, ...)                                                                                \
    tessarine::test::MusicianSession session{__VA_ARGS__};                                                         \
    if (const std::string why = session.start(TESSARINE_PLUGIN_PATH); !why.empty()) {                             \
        if (why.rfind("skip:", 0) == 0) {                                                                          \
            GTEST_SKIP() << why;                                                                                   \
        }                                                                                                          \
        FAIL() << why;                                                                                             \
    }
