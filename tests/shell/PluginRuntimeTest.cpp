// The plug-in while a host plays it: tempo following, MIDI learn reaching the
// editor and the host, event lists, and the picture request: which pages and
// buffers reach the editor's drawing, every refusal leaving the caller's
// buffer as it was. (No allocation on the audio thread: the validator's
// realtime check, shell/ValidateLevelThree.)

#include "support/AllocationCounter.h"
#include "support/BarePlugin.h"
#include "editor/EditorShell.h"
#include "params/EditorTag.h"
#include "shell/SynthPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using tessarine::host::PluginHost;
using namespace vst;
using tessarine::test::loadPlugin;

TEST(PluginRuntime, AsksForTheTimeOnEveryBlockOnlyWhileTheTransportMoves)
{
    auto host = loadPlugin();
    ASSERT_NE(host, nullptr);
    host->dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    host->dispatch(effMainsChanged, 0, 1);
    std::vector<float> left(256), right(256);

    auto queriesIn40Blocks = [&] {
        const int before = host->timeQueries();
        for (int block = 0; block < 40; ++block) {
            host->settings().ppqPosition += host->settings().playing ? 0.01 : 0.0;
            host->processBlock({}, left.data(), right.data(), 256);
        }
        return host->timeQueries() - before;
    };
    host->settings().playing = true;
    EXPECT_EQ(queriesIn40Blocks(), 40);
    host->settings().playing = false;
    host->processBlock({}, left.data(), right.data(), 256); // sees the stop
    EXPECT_EQ(queriesIn40Blocks(), 2) << "every 20th delivery while standing";

    host->settings().answerTime = false; // a host without a time record
    host->processBlock({}, left.data(), right.data(), 256);
}

// An editor stand-in that records what the plug-in tells it.
class RecordingEditor : public tessarine::EditorShell {
public:
    using EditorShell::EditorShell;
    void setParameter(int index, float value) override { seen.emplace_back(index, value); }
    bool refreshAsked() const { return updateFlag_; }
    std::vector<std::pair<int, float>> seen;
};

std::vector<std::pair<int, float>> gAutomated;

intptr recordingHost(EffectRecord*, int32 opcode, int32 index, intptr, void*, float opt)
{
    if (opcode == audioMasterAutomate) {
        gAutomated.emplace_back(index, opt);
    }
    return opcode == audioMasterVersion ? 2300 : 0;
}

TEST(PluginRuntime, MidiLearnDrivesTheParameterAndTellsEditorAndHost)
{
    gAutomated.clear();
    tessarine::SynthPlugin plugin(recordingHost, ""); // no library: the start values
    RecordingEditor editor(plugin.core());
    EXPECT_EQ(plugin.record()->flags & effFlagsHasEditor, effFlagsHasEditor);

    plugin.engine().setParameter(tessarine::kTagMidiLearn, 1.0f, true);
    plugin.engine().setLearnTarget(tessarine::kFilterCutoff);
    plugin.engine().armLearn(true);

    MidiEvent cc{kMidiType, sizeof(MidiEvent), 17, 0, 0, 0, {char(0xB3), 74, 64, 0}, 0, 0, 0, 0};
    struct {
        int32 numEvents;
        intptr reserved;
        Event* events[1];
    } list{1, 0, {reinterpret_cast<Event*>(&cc)}};
    std::vector<float> left(64), right(64);
    float* outputs[2] = {left.data(), right.data()};
    auto deliver = [&] { plugin.record()->dispatcher(plugin.record(), effProcessEvents, 0, 0, &list, 0.0f); };
    auto render = [&] { plugin.record()->processReplacing(plugin.record(), nullptr, outputs, 64); };
    deliver();
    render();

    EXPECT_FLOAT_EQ(plugin.engine().getParameter(tessarine::kFilterCutoff), 64.0f / 127.0f);
    EXPECT_EQ(plugin.engine().controllerOf(tessarine::kFilterCutoff), 74);
    EXPECT_EQ(editor.seen,
              (std::vector<std::pair<int, float>>{{57, 64.0f / 127.0f}, {tessarine::kTagMidiLearn, 0.0f}}));
    EXPECT_EQ(gAutomated, (std::vector<std::pair<int, float>>{{57, 64.0f / 127.0f}}));

    // Learned once, the controller keeps driving it; another controller does not.
    gAutomated.clear();
    cc.midiData[2] = 127;
    deliver();
    cc.midiData[1] = 75;
    deliver();
    render();
    EXPECT_FLOAT_EQ(plugin.engine().getParameter(tessarine::kFilterCutoff), 1.0f)
        << "the controller's top is the value's top";
    EXPECT_EQ(gAutomated.size(), 1u);

    // Learning and what it tells the editor and the host happen on the audio thread: no allocation.
    editor.seen.reserve(10000);
    gAutomated.reserve(10000);
    const std::size_t seenBefore = editor.seen.size();
    const std::size_t before = testsupport::allocationCount();
    for (int round = 0; round < 100; ++round) {
        plugin.engine().setLearnTarget(round % 173);
        plugin.engine().armLearn(true);
        cc.midiData[1] = static_cast<char>(round % 120);
        cc.midiData[2] = static_cast<char>(round);
        deliver();
        render();
    }
    EXPECT_EQ(testsupport::allocationCount(), before);
    EXPECT_GE(editor.seen.size() - seenBefore, 100u);
}

// A load through the file request, as the command line and scripts make it,
// must leave an open editor showing the loaded instrument, as the library's loads do.
TEST(PluginRuntime, AFileRequestLoadRefreshesTheEditor)
{
    tessarine::SynthPlugin plugin(recordingHost, "");
    RecordingEditor editor(plugin.core());
    const std::string path = testing::TempDir() + "refresh.t9i";
    auto request = [&](intptr action) {
        return plugin.record()->dispatcher(plugin.record(), effVendorSpecific, tessarine::SynthPlugin::kFileRequest,
                                           action, const_cast<char*>(path.c_str()), 0.0f);
    };
    ASSERT_EQ(request(tessarine::SynthPlugin::kFileSaveInstrument), 1);
    EXPECT_FALSE(editor.refreshAsked());
    ASSERT_EQ(request(tessarine::SynthPlugin::kFileLoadInstrument), 1);
    EXPECT_TRUE(editor.refreshAsked());
    std::remove(path.c_str());
}

// Draws a page as bytes of the page number, when the buffer holds a whole picture.
class PaintingEditor : public tessarine::EditorShell {
public:
    static constexpr std::size_t kBytes = 800 * 550 * 4;
    using EditorShell::EditorShell;
    bool drawPage(int page, std::uint8_t* rgba, std::size_t bytes) override
    {
        pages.push_back(page);
        if (bytes < kBytes) {
            return false;
        }
        std::memset(rgba, page + 1, kBytes);
        return true;
    }
    std::vector<int> pages;
};

TEST(SnapshotRequest, OnlyWholePagesOfTheEditorIntoRealBuffersAreDrawn)
{
    tessarine::SynthPlugin plugin(recordingHost);
    std::vector<std::uint8_t> buffer(PaintingEditor::kBytes + 16, 0xEE);
    auto ask = [&](intptr bytes, void* ptr, float page) {
        return plugin.record()->dispatcher(plugin.record(), effVendorSpecific, tessarine::SynthPlugin::kSnapshotRequest,
                                           bytes, ptr, page);
    };
    const auto size = static_cast<intptr>(PaintingEditor::kBytes);
    auto painter = std::make_unique<PaintingEditor>(plugin.core());
    PaintingEditor& editor = *painter;
    struct Case {
        intptr bytes;
        bool realBuffer;
        float page;
        intptr answer;
        int drawnPage; // -1: the editor is not asked
    };
    const Case cases[] = {
        {size, true, 0.0f, 1, 0},
        {size, true, 7.0f, 1, 7},
        {size, true, 8.0f, 0, -1},
        {size, true, -1.0f, 0, -1},
        {size, true, 2.5f, 0, -1},
        {size, true, NAN, 0, -1},
        {size, true, INFINITY, 0, -1},
        {size, false, 3.0f, 0, -1},
        {0, true, 3.0f, 0, -1},
        {-size, true, 3.0f, 0, -1},
        {size - 1, true, 3.0f, 0, 3}, // the editor refuses what cannot hold the page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "bytes " << c.bytes << " page " << c.page);
        std::fill(buffer.begin(), buffer.end(), 0xEE);
        editor.pages.clear();
        EXPECT_EQ(ask(c.bytes, c.realBuffer ? buffer.data() : nullptr, c.page), c.answer);
        EXPECT_EQ(editor.pages, c.drawnPage < 0 ? std::vector<int>{} : std::vector<int>{c.drawnPage});
        std::uint8_t expected = c.answer == 1 ? static_cast<std::uint8_t>(c.drawnPage + 1) : 0xEE;
        EXPECT_EQ(buffer[0], expected);
        EXPECT_EQ(buffer[PaintingEditor::kBytes], 0xEE) << "nothing written past the picture";
    }

    painter.reset();
    EXPECT_EQ(ask(size, buffer.data(), 5.0f), 0) << "no editor, no picture";
}

} // namespace
