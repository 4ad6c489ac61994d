// One note played through every format the instrument ships in: the VST 2
// module through the command-line host's loader, the LV2 bundle through lilv,
// the CLAP module through the validator's host and the standalone
// application's engine in-process. Each adapter only maps its host's calls
// onto the one core, so with the same instrument (the library's start
// instrument), the same seed and the same blocks, every sample must agree.

#include "app/StandaloneEngine.h"
#include "clap/ClapEvents.h"
#include "clap/ClapHost.h"
#include "clap/ClapInstance.h"
#include "clap/ClapModule.h"
#include "commands/RenderCommand.h"
#include "host/PluginHost.h"
#include "shell/lv2/Lv2TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace tessarine {
namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kHeldBlocks = 120; // 1.28 s
constexpr int kBlocks = 160;
constexpr std::uint32_t kSeed = 7;
constexpr unsigned char kKey = 57;
constexpr unsigned char kVelocity = 100;

struct Render {
    std::vector<float> left, right;
    void append(const float* l, const float* r)
    {
        left.insert(left.end(), l, l + kBlock);
        right.insert(right.end(), r, r + kBlock);
    }
};

// The note starts at the first sample of the first block and ends at the
// first sample of block kHeldBlocks, in every format.
bool noteOnIn(int block) { return block == 0; }
bool noteOffIn(int block) { return block == kHeldBlocks; }

Render playVst()
{
    std::string error;
    auto plugin = host::PluginHost::load(TESSARINE_PLUGIN_PATH, error);
    EXPECT_NE(plugin, nullptr) << error;
    Render out;
    if (!plugin) {
        return out;
    }
    plugin->setSampleRate(static_cast<float>(kRate));
    plugin->setBlockSize(kBlock);
    plugin->resume();
    plugin->dispatch(vst::effVendorSpecific, vst::fourCC('T', 's', 'n', 'F'), host::kFileRequestSeed, nullptr,
                     static_cast<float>(kSeed));
    std::vector<float> left(kBlock), right(kBlock);
    for (int b = 0; b < kBlocks; ++b) {
        std::vector<host::PluginHost::Midi> midi;
        if (noteOnIn(b)) {
            midi.push_back({0, 0x90, kKey, kVelocity});
        } else if (noteOffIn(b)) {
            midi.push_back({0, 0x80, kKey, 0});
        }
        plugin->processBlock(midi, left.data(), right.data(), kBlock);
        out.append(left.data(), right.data());
    }
    return out;
}

Render playLv2()
{
    lv2test::World world;
    lv2test::Instance instance(world, kRate);
    EXPECT_TRUE(instance.valid());
    Render out;
    if (!instance.valid()) {
        return out;
    }
    instance.seed(kSeed);
    lv2test::Sequence events(world.uris());
    for (int b = 0; b < kBlocks; ++b) {
        events.clear();
        if (noteOnIn(b)) {
            events.midi(0, {0x90, kKey, kVelocity});
        } else if (noteOffIn(b)) {
            events.midi(0, {0x80, kKey, 0});
        }
        instance.run(kBlock, &events);
        out.append(instance.left.data(), instance.right.data());
    }
    return out;
}

Render playClap()
{
    Render out;
    std::string error;
    auto module = host::ClapModule::open(TESSARINE_CLAP_PATH, error);
    EXPECT_NE(module, nullptr) << error;
    if (!module) {
        return out;
    }
    host::ClapHost clapHost;
    auto instance = host::ClapInstance::create(*module, clapHost, error);
    EXPECT_NE(instance, nullptr) << error;
    if (!instance || instance->seed == nullptr || !instance->activate(kRate, kBlock) || !instance->startProcessing()) {
        ADD_FAILURE() << "the CLAP instance did not start";
        return out;
    }
    instance->seed->seed(instance->plugin(), kSeed);
    host::ClapEventList in(4), ignored(256);
    for (int b = 0; b < kBlocks; ++b) {
        in.clear();
        ignored.clear();
        if (noteOnIn(b)) {
            in.push(host::clapMidiEvent(0, 0x90, kKey, kVelocity).header);
        } else if (noteOffIn(b)) {
            in.push(host::clapMidiEvent(0, 0x80, kKey, 0).header);
        }
        instance->process(kBlock, in, ignored, static_cast<std::int64_t>(b) * kBlock);
        out.append(instance->output(0), instance->output(1));
    }
    instance->stopProcessing();
    instance->deactivate();
    return out;
}

Render playStandalone()
{
    // The application finds the library beside its executable; this test
    // program lives elsewhere, so it names the build's library.
    app::StandaloneEngine engine(TESSARINE_BUILD_DIR);
    engine.prepare(static_cast<float>(kRate), kBlock);
    engine.seedRandom(kSeed);
    Render out;
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    for (int b = 0; b < kBlocks; ++b) {
        std::vector<MidiMessage> midi;
        if (noteOnIn(b)) {
            midi.push_back({{0x90, kKey, kVelocity}, 0});
        } else if (noteOffIn(b)) {
            midi.push_back({{0x80, kKey, 0}, 0});
        }
        engine.process(midi, outputs, kBlock);
        out.append(left.data(), right.data());
    }
    return out;
}

double peak(const std::vector<float>& samples)
{
    double most = 0.0;
    for (float s : samples) {
        most = std::max(most, std::fabs(static_cast<double>(s)));
    }
    return most;
}

// The first sample where two renders part, or -1.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    if (a.size() != b.size()) {
        return 0;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

TEST(SameNoteInEveryFormat, RendersSampleForSampleAlike)
{
    const Render vst = playVst();
    ASSERT_EQ(vst.left.size(), static_cast<std::size_t>(kBlocks * kBlock));
    // A note that rendered nothing would agree everywhere and prove nothing.
    ASSERT_GT(peak(vst.left), 0.01);
    ASSERT_GT(peak(vst.right), 0.01);

    const struct {
        const char* format;
        Render render;
    } others[] = {{"LV2", playLv2()}, {"CLAP", playClap()}, {"standalone", playStandalone()}};
    for (const auto& other : others) {
        EXPECT_EQ(firstDifference(vst.left, other.render.left), -1) << other.format << ", left";
        EXPECT_EQ(firstDifference(vst.right, other.render.right), -1) << other.format << ", right";
    }
}

} // namespace
} // namespace tessarine
