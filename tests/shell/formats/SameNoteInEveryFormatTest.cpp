// One note played through every format the instrument ships in: the VST 2
// module through the command-line host's loader, the LV2 bundle through lilv,
// the CLAP module through the validator's host and the standalone
// application's engine in-process. Each adapter only maps its host's calls
// onto the one core, so with the same instrument (the library's start
// instrument), the same seed and the same blocks, every sample must agree.

#include "app/StandaloneEngine.h"
#include "commands/RenderCommand.h"
#include "shell/clap/ClapTestHost.h"
#include "shell/lv2/Lv2TestHost.h"
#include "support/BarePlugin.h"
#include "support/SignalMeasure.h"

#include <gtest/gtest.h>

#include <algorithm>
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
};

// The note starts at the first sample of the first block and ends at the
// first sample of block kHeldBlocks, in every format: each block's message (or
// none) goes to block, which renders into the two channels it is given.
template <typename Block>
Render play(Block block)
{
    Render out;
    std::vector<float> left(kBlock), right(kBlock);
    const unsigned char on[3] = {0x90, kKey, kVelocity}, off[3] = {0x80, kKey, 0};
    for (int b = 0; b < kBlocks; ++b) {
        block(b == 0 ? on : b == kHeldBlocks ? off : nullptr, left.data(), right.data());
        out.left.insert(out.left.end(), left.begin(), left.end());
        out.right.insert(out.right.end(), right.begin(), right.end());
    }
    return out;
}

Render playVst()
{
    auto plugin = test::loadPlugin();
    if (!plugin) {
        return {};
    }
    plugin->setSampleRate(static_cast<float>(kRate));
    plugin->setBlockSize(kBlock);
    plugin->resume();
    plugin->dispatch(vst::effVendorSpecific, vst::fourCC('T', 's', 'n', 'F'), host::kFileRequestSeed, nullptr,
                     static_cast<float>(kSeed));
    return play([&](const unsigned char* m, float* left, float* right) {
        std::vector<host::PluginHost::Midi> midi;
        if (m != nullptr) {
            midi.push_back({0, m[0], m[1], m[2]});
        }
        plugin->processBlock(midi, left, right, kBlock);
    });
}

Render playLv2()
{
    lv2test::World world;
    lv2test::Instance instance(world, kRate);
    EXPECT_TRUE(instance.valid());
    if (!instance.valid()) {
        return {};
    }
    instance.seed(kSeed);
    lv2test::Sequence events(world.uris());
    return play([&](const unsigned char* m, float* left, float* right) {
        events.clear();
        if (m != nullptr) {
            events.midi(0, {m[0], m[1], m[2]});
        }
        instance.run(kBlock, &events);
        std::copy(instance.left.begin(), instance.left.end(), left);
        std::copy(instance.right.begin(), instance.right.end(), right);
    });
}

Render playClap()
{
    test::TestInstance instance(kRate, kBlock);
    if (!instance.valid()) {
        return {};
    }
    instance.seed(kSeed);
    host::ClapEventList in(4), ignored(256);
    return play([&](const unsigned char* m, float* left, float* right) {
        in.clear();
        ignored.clear();
        if (m != nullptr) {
            in.push(host::clapMidiEvent(0, m[0], m[1], m[2]).header);
        }
        instance.process(kBlock, in, ignored);
        std::copy(instance->output(0), instance->output(0) + kBlock, left);
        std::copy(instance->output(1), instance->output(1) + kBlock, right);
    });
}

Render playStandalone()
{
    // The application finds the library beside its executable; this test
    // program lives elsewhere, so it names the build's library.
    app::StandaloneEngine engine(TESSARINE_BUILD_DIR);
    engine.prepare(static_cast<float>(kRate), kBlock);
    engine.seedRandom(kSeed);
    return play([&](const unsigned char* m, float* left, float* right) {
        std::vector<MidiMessage> midi;
        if (m != nullptr) {
            midi.push_back({{m[0], m[1], m[2]}, 0});
        }
        float* outputs[2] = {left, right};
        engine.process(midi, outputs, kBlock);
    });
}

// The first sample where two renders part, or -1.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    if (a.size() != b.size()) {
        return 0;
    }
    const auto parted = std::mismatch(a.begin(), a.end(), b.begin(),
                                      [](float x, float y) { return std::memcmp(&x, &y, sizeof x) == 0; });
    return parted.first == a.end() ? -1 : parted.first - a.begin();
}

TEST(SameNoteInEveryFormat, RendersSampleForSampleAlike)
{
    const Render vst = playVst();
    ASSERT_EQ(vst.left.size(), static_cast<std::size_t>(kBlocks * kBlock));
    // A note that rendered nothing would agree everywhere and prove nothing.
    ASSERT_GT(test::rms(vst.left, 0, vst.left.size()), 0.001f);
    ASSERT_GT(test::rms(vst.right, 0, vst.right.size()), 0.001f);

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
