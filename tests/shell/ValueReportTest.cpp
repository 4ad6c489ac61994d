// What a VST 2 host hears of the values the plug-in changes by itself: after
// each library request exactly the values that changed, each with its new
// value, then one display update; and a state that plays without changing.

#include "support/BarePlugin.h"

#include "shell/SynthPlugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using tessarine::SynthPlugin;
using tessarine::host::PluginHost;
using tessarine::test::chunkOf;
using tessarine::test::hostValues;

TEST(ValueReport, EachLibraryRequestReportsExactlyTheValuesItChanged)
{
    auto plugin = tessarine::test::loadPlugin();
    ASSERT_NE(plugin, nullptr);
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(512);
    plugin->resume();
    plugin->dispatch(vst::effVendorSpecific, SynthPlugin::kFileRequest, SynthPlugin::kFileSeed, nullptr, 3.0f);
    struct Request {
        vst::intptr action;
        const char* text;
    };
    // Reset twice: the second changes nothing and so reports nothing.
    const Request requests[] = {{SynthPlugin::kFileRandomInstrument, nullptr},
                                {SynthPlugin::kFileReset, nullptr},
                                {SynthPlugin::kFileReset, nullptr},
                                {SynthPlugin::kFileLoadLibraryInstrument, "Basses/Upright Bass"},
                                {SynthPlugin::kFileRandomInstrument, "Synth Pads"}};
    int anyChanged = 0;
    for (const Request& request : requests) {
        SCOPED_TRACE(std::to_string(request.action) + (request.text != nullptr ? request.text : ""));
        const std::vector<float> before = hostValues(*plugin);
        const std::size_t logged = plugin->automations().size();
        ASSERT_EQ(plugin->dispatch(vst::effVendorSpecific, SynthPlugin::kFileRequest, request.action,
                                   const_cast<char*>(request.text), 0.0f),
                  1);
        const std::vector<float> after = hostValues(*plugin);
        std::vector<int> reported(after.size(), 0);
        for (std::size_t n = logged; n < plugin->automations().size(); ++n) {
            const auto& report = plugin->automations()[n];
            ASSERT_GE(report.index, 0);
            ++reported[static_cast<std::size_t>(report.index)];
            EXPECT_EQ(report.value, after[static_cast<std::size_t>(report.index)]) << report.index;
        }
        for (std::size_t i = 0; i < after.size(); ++i) {
            const bool changed = std::memcmp(&before[i], &after[i], sizeof(float)) != 0;
            anyChanged += changed ? 1 : 0;
            EXPECT_EQ(reported[i], changed ? 1 : 0) << "parameter " << i;
        }
        plugin->process(512);
    }
    EXPECT_GT(anyChanged, 20) << "the requests changed next to nothing: a weak test";
}

// A project reopened and played saves what was saved, and the host's values
// stay as loaded through rendering and a resume.
TEST(ValueReport, AStateLoadedAndPlayedSavesTheSameBytes)
{
    auto first = tessarine::test::loadPlugin();
    ASSERT_NE(first, nullptr);
    first->resume();
    first->dispatch(vst::effVendorSpecific, SynthPlugin::kFileRequest, SynthPlugin::kFileSeed, nullptr, 5.0f);
    first->dispatch(vst::effVendorSpecific, SynthPlugin::kFileRequest, SynthPlugin::kFileRandomInstrument);
    for (int i : {tessarine::kFormantFreq, tessarine::kVolume, tessarine::kSustainOn}) {
        first->setParameter(i, 0.3f);
    }
    std::vector<std::byte> saved = chunkOf(*first);

    auto fresh = tessarine::test::loadPlugin();
    ASSERT_NE(fresh, nullptr);
    fresh->resume();
    ASSERT_EQ(fresh->dispatch(vst::effSetChunk, 0, static_cast<vst::intptr>(saved.size()), saved.data()), 1);
    const std::vector<float> loaded = hostValues(*fresh);
    const std::size_t logged = fresh->automations().size();
    fresh->addMidi(0, 0x90, 60, 100);
    fresh->process(512);
    fresh->suspend();
    fresh->resume();
    fresh->process(512);
    EXPECT_EQ(hostValues(*fresh), loaded);
    EXPECT_EQ(fresh->automations().size(), logged) << "the host heard of a change it did not make";
    EXPECT_TRUE(chunkOf(*fresh) == saved);
}

} // namespace
