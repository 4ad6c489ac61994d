// The changes the plug-in itself makes, on their way to the host: the editor's
// from the main thread through the queue to the next flush or process, and
// learned controllers' from inside the block. The adapter runs in this
// process, so the test can play the editor's part.

#include "shell/clap/ClapPlugin.h"
#include "shell/clap/ClapTestHost.h"
#include "support/AllocationCounter.h"

#include "params/EditorTag.h"
#include "params/ParameterTable.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace tessarine::test;
using tessarine::ClapPlugin;

// A stereo block of frames for the plug-in to render into, with the event
// lists given.
struct Block {
    Block(std::uint32_t frames, const EventList& in, EventList& out) : left(frames), right(frames)
    {
        process.frames_count = frames;
        process.audio_outputs = &buffer;
        process.audio_outputs_count = 1;
        process.in_events = in.in();
        process.out_events = out.out();
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    std::vector<float> left, right;
    float* channels[2] = {left.data(), right.data()};
    clap_audio_buffer_t buffer{channels, nullptr, 2, 0, 0};
    clap_process_t process{};
};

class EditorSide : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(plugin != nullptr && plugin->init(plugin));
        params = static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
    }
    void TearDown() override
    {
        if (plugin != nullptr) {
            plugin->destroy(plugin);
        }
    }
    // Started when a test wants blocks processed, stopped when it is done with them.
    bool start(std::uint32_t maxFrames)
    {
        return plugin->activate(plugin, 48000.0, 1, maxFrames) && plugin->start_processing(plugin);
    }
    void stop()
    {
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
    }
    tessarine::InstrumentCore& core() { return static_cast<ClapPlugin*>(plugin->plugin_data)->core(); }

    tessarine::host::ClapHost host;
    const clap_plugin_t* plugin = ClapPlugin::create(host.host(), ""); // no library: the start values
    const clap_plugin_params_t* params = nullptr;
};

// Values set in the editor reach the host in the order made, each asked for
// with a flush request; more than the queue holds still end at the last value.
TEST_F(EditorSide, EditorChangesReachTheHostAtTheNextFlush)
{
    core().automate(tessarine::kVolume, 0.25f);
    core().automate(tessarine::kFilterCutoff, 0.5f);
    EXPECT_EQ(host.flushRequests(), 2);
    EventList none(1), out(64);
    params->flush(plugin, none.in(), out.out());
    std::vector<std::pair<clap_id, double>> reported;
    for (const auto& value : valuesIn(out)) {
        reported.emplace_back(value.param_id, value.value);
        EXPECT_EQ(value.header.flags & CLAP_EVENT_DONT_RECORD, 0u) << "the musician's moves are recorded";
    }
    EXPECT_EQ(reported,
              (std::vector<std::pair<clap_id, double>>{{tessarine::kVolume, 0.25}, {tessarine::kFilterCutoff, 0.5}}));

    out.clear();
    params->flush(plugin, none.in(), out.out());
    EXPECT_EQ(out.size(), 0u) << "each change is reported once";

    // A long drag while the host does not flush, then a host list that takes
    // only some: nothing is lost, and the last value of each control arrives.
    for (int step = 0; step <= 3000; ++step) {
        core().automate(tessarine::kBrightness, step / 3000.0f);
        core().automate(tessarine::kMorphHarmX, 1.0f - step / 3000.0f);
    }
    EventList small(100);
    params->flush(plugin, none.in(), small.out());
    EXPECT_EQ(small.size(), 100u);
    EventList rest(8000);
    params->flush(plugin, none.in(), rest.out());
    float lastBrightness = -1.0f, lastMorph = -1.0f;
    for (const auto& value : valuesIn(rest)) {
        (value.param_id == tessarine::kBrightness ? lastBrightness : lastMorph) = static_cast<float>(value.value);
    }
    EXPECT_EQ(std::pair(lastBrightness, lastMorph), std::pair(1.0f, 0.0f));
}

// The editor changes values on the main thread while the audio thread
// processes and reports them: each arrives in order, the last one last, and
// neither thread makes a host call the other one should.
TEST_F(EditorSide, EditorChangesCrossToTheAudioThread)
{
    ASSERT_TRUE(start(256));
    constexpr int kChanges = 20000;
    std::atomic<bool> done{false};
    std::vector<float> seen;
    seen.reserve(kChanges);
    std::thread audio([&] {
        host.markAudioThread(std::this_thread::get_id());
        EventList none(1), out(1024);
        Block block(256, none, out);
        for (bool last = false;;) {
            out.clear();
            plugin->process(plugin, &block.process);
            for (const auto& value : valuesIn(out)) {
                seen.push_back(static_cast<float>(value.value));
            }
            if (last) {
                break;
            }
            last = done.load();
        }
    });
    for (int i = 1; i <= kChanges; ++i) {
        core().automate(tessarine::kMorphNoiseY, static_cast<float>(i) / kChanges);
        if (i % 256 == 0) {
            std::this_thread::yield();
        }
    }
    done = true;
    audio.join();
    stop();
    EXPECT_EQ(host.violationCount(), 0) << "every host call on the thread it belongs to";
    ASSERT_FALSE(seen.empty());
    EXPECT_FLOAT_EQ(seen.back(), 1.0f);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << "in the order made";
}

// A controller learned in the editor moves its parameter inside the block:
// the host hears of it in that block's output, marked not to be recorded, and
// nothing on the way allocates.
TEST_F(EditorSide, LearnedControllersReportFromTheBlock)
{
    ASSERT_TRUE(start(64));
    EventList in(4), out(64);
    Block block(64, in, out);

    std::size_t allocations = 0;
    for (int round = 0; round < 20; ++round) {
        core().engine().setParameter(tessarine::kTagMidiLearn, 1.0f, true);
        core().engine().setLearnTarget(tessarine::kFilterCutoff);
        core().engine().armLearn(true);
        in.clear();
        out.clear();
        in.push(clapMidiEvent(10, 0xB2, 74, static_cast<std::uint8_t>(64 + round)).header);
        const std::size_t before = testsupport::allocationCount();
        plugin->process(plugin, &block.process);
        allocations += testsupport::allocationCount() - before;
        const auto values = valuesIn(out);
        ASSERT_EQ(values.size(), 1u);
        EXPECT_EQ(values[0].param_id, static_cast<clap_id>(tessarine::kFilterCutoff));
        EXPECT_FLOAT_EQ(static_cast<float>(values[0].value), (64.0f + round) / 127.0f);
        EXPECT_NE(values[0].header.flags & CLAP_EVENT_DONT_RECORD, 0u);
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(host.flushRequests(), 0) << "no request from the audio thread";
    stop();
}

// A reset, a random instrument and a library load report exactly the values
// they changed: while active as value events at the next process, after a
// flush request; while inactive through a values rescan on the main thread.
// Hidden parameters are the ones no control sets, and never automatable.
TEST_F(EditorSide, LibraryActionsReportExactlyTheChangedValues)
{
    const std::string library = std::filesystem::path(TESSARINE_CLAP_PATH).parent_path().string();
    ASSERT_TRUE(core().setLibraryRoot(library.c_str()));
    core().seedRandom(11);
    auto values = [&] {
        std::vector<double> all(tessarine::kParameterCount);
        for (clap_id id = 0; id < all.size(); ++id) {
            params->get_value(plugin, id, &all[id]);
        }
        return all;
    };
    struct Action {
        const char* what;
        bool active;
        bool (*run)(tessarine::InstrumentCore&);
    };
    const Action actions[] = {
        {"reset", true, [](tessarine::InstrumentCore& c) { return c.resetInstrument(); }},
        {"reset again", true, [](tessarine::InstrumentCore& c) { return c.resetInstrument(); }},
        {"random", true, [](tessarine::InstrumentCore& c) { return c.randomInstrument(nullptr); }},
        {"library", true, [](tessarine::InstrumentCore& c) { return c.loadLibraryInstrument("Basses", "Upright Bass"); }},
        {"random while inactive", false, [](tessarine::InstrumentCore& c) { return c.randomInstrument("Synth Pads"); }},
    };
    for (const Action& action : actions) {
        SCOPED_TRACE(action.what);
        if (action.active) {
            ASSERT_TRUE(start(512));
        }
        const std::vector<double> before = values();
        const int flushes = host.flushRequests(), callbacks = host.callbackRequests(), rescans = host.rescans();
        ASSERT_TRUE(action.run(core()));
        const std::vector<double> after = values();
        const bool anyChanged = before != after;
        EventList in(1), out(1024);
        if (action.active) {
            Block block(64, in, out);
            plugin->process(plugin, &block.process);
            stop();
            EXPECT_EQ(host.flushRequests() > flushes, anyChanged);
        } else {
            EXPECT_EQ(host.callbackRequests() > callbacks, anyChanged);
            plugin->on_main_thread(plugin);
            EXPECT_EQ(host.rescans() > rescans, anyChanged);
            params->flush(plugin, in.in(), out.out());
            EXPECT_EQ(out.size(), 0u) << "the rescan told the host; events after it would repeat older values";
            continue;
        }
        std::vector<int> reported(after.size(), 0);
        for (const auto& event : valuesIn(out)) {
            ++reported[event.param_id];
            EXPECT_EQ(event.value, after[event.param_id]) << event.param_id;
        }
        for (std::size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(reported[i], after[i] != before[i] ? 1 : 0) << "parameter " << i;
        }
    }
    for (std::uint32_t i = 0; i < tessarine::kParameterCount; ++i) {
        clap_param_info_t info{};
        ASSERT_TRUE(params->get_info(plugin, i, &info));
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_HIDDEN) != 0, tessarine::parameterHidden(static_cast<int>(i))) << i;
        EXPECT_NE((info.flags & CLAP_PARAM_IS_HIDDEN) != 0, (info.flags & CLAP_PARAM_IS_AUTOMATABLE) != 0) << i;
    }
}

} // namespace
