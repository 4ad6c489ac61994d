// Project recall: the state chunk carries the whole instrument. Driven through
// the real Tessarine.so and the binary interface, as a host saves a project
// and opens it again in a new instance.

#include "support/BarePlugin.h"
#include "shell/SynthPlugin.h"
#include "support/SignalMeasure.h"
#include "support/TestVoices.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using tessarine::SynthPlugin;
using tessarine::host::PluginHost;
using namespace vst;
using Bytes = std::vector<std::byte>;
using tessarine::test::chunkOf;
using tessarine::test::hostValues;

// Without a library beside it, so the project's voices replace empty slots and
// the recalled render can be compared sample for sample.
std::unique_ptr<PluginHost> loadPlugin() { return tessarine::test::loadPlugin(tessarine::test::barePluginPath()); }

intptr setChunk(PluginHost& host, Bytes bytes)
{
    return host.dispatch(effSetChunk, 0, static_cast<intptr>(bytes.size()), bytes.data());
}

std::string voiceFile(const std::string& name, std::uint32_t seed, int multisamples, int layers, int frames)
{
    auto voice = std::make_unique<tessarine::Voice>();
    tessarine::test::fillRandomVoice(*voice, seed, multisamples, layers, frames);
    const std::string path = tessarine::test::tempPath(name);
    tessarine::RecordStream stream;
    EXPECT_TRUE(tessarine::saveVoiceFile(path, *voice, stream));
    return path;
}

bool loadVoice(PluginHost& host, int slot, const std::string& path)
{
    return host.dispatch(effVendorSpecific, SynthPlugin::kFileRequest, SynthPlugin::kFileLoadVoice,
                         const_cast<char*>(path.c_str()), static_cast<float>(slot)) == 1;
}

// A chord held and released, rendered from a fixed noise seed: both channels, in order.
std::vector<float> playChord(PluginHost& host)
{
    host.dispatch(effVendorSpecific, SynthPlugin::kFileRequest, SynthPlugin::kFileSeed, nullptr, 1234.0f);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    host.dispatch(effMainsChanged, 0, 1);
    std::vector<float> left(512), right(512), out;
    for (int block = 0; block < 60; ++block) {
        std::vector<PluginHost::Midi> midi;
        if (block == 0) {
            midi = {{0, 0x90, 60, 100}, {7, 0x90, 64, 90}, {300, 0x91, 67, 70}};
        } else if (block == 30) {
            midi = {{100, 0x80, 60, 0}, {101, 0x80, 64, 0}, {102, 0x81, 67, 0}};
        }
        host.processBlock(midi, left.data(), right.data(), 512);
        out.insert(out.end(), left.begin(), left.end());
        out.insert(out.end(), right.begin(), right.end());
    }
    return out;
}

// The values as loaded are the host's to read: playing the project changes
// none of them, reports none to the host, and it saves the bytes it loaded.
TEST(StateChunk, ReopenedProjectPlaysTheSameSound)
{
    auto saved = loadPlugin();
    ASSERT_NE(saved, nullptr);
    ASSERT_TRUE(loadVoice(*saved, 0, voiceFile("chunk-two-layers.t9v", 11, 2, 2, 8)));
    ASSERT_TRUE(loadVoice(*saved, 1, voiceFile("chunk-one-layer.t9v", 12, 1, 1, 6)));
    for (auto [index, value] : {std::pair{tessarine::kMorphHarmX, 0.3f}, {tessarine::kMorphHarmY, 0.6f},
                                {tessarine::kMorphNoiseX, 0.5f}, {tessarine::kFilterCutoff, 0.7f},
                                {tessarine::kVoiceCutoffB, 0.45f}, {tessarine::kChorusOn, 1.0f},
                                {tessarine::kChorusMix, 0.4f}, {tessarine::kReverbOn, 1.0f},
                                {tessarine::kReverbMix, 0.3f}, {tessarine::kVolume, 0.8f}}) {
        saved->setParameter(index, value);
    }
    const Bytes chunk = chunkOf(*saved);
    ASSERT_GT(chunk.size(), 1000u);

    auto reopened = loadPlugin();
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(setChunk(*reopened, chunk), 1);
    for (int index = 0; index < tessarine::kParameterCount; ++index) {
        EXPECT_EQ(reopened->getParameter(index), saved->getParameter(index)) << "parameter " << index;
    }
    const std::vector<float> loaded = hostValues(*reopened);
    const std::size_t logged = reopened->automations().size();

    const std::vector<float> original = playChord(*saved);
    const std::vector<float> recalled = playChord(*reopened);
    EXPECT_EQ(hostValues(*reopened), loaded);
    EXPECT_EQ(reopened->automations().size(), logged) << "the host heard of a change it did not make";
    EXPECT_EQ(chunkOf(*reopened), chunk) << "a project played and saved again keeps the same bytes";
    EXPECT_GT(tessarine::test::energy(original, 0, static_cast<int>(original.size())), 1.0) << "the chord is heard";
    ASSERT_EQ(original.size(), recalled.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        ASSERT_EQ(original[i], recalled[i]) << "sample " << i;
    }
}

// Hosts and validators save a project before anything was loaded or moved;
// eight analysed two-layer multisamples are more than the first buffer holds.
// Either project opens in a new instance, and in the one that saved it, as
// the same bytes.
TEST(StateChunk, FreshAndLargeProjectsRoundTrip)
{
    for (const bool large : {false, true}) {
        SCOPED_TRACE(large ? "large" : "fresh");
        auto saved = loadPlugin();
        auto reopened = loadPlugin();
        ASSERT_NE(saved, nullptr);
        ASSERT_NE(reopened, nullptr);
        if (large) {
            ASSERT_TRUE(loadVoice(*saved, 2, voiceFile("chunk-large.t9v", 13, 8, 2, 100)));
        }
        const Bytes chunk = chunkOf(*saved);
        EXPECT_EQ(chunk.size() > SynthPlugin::kChunkBytes, large);
        EXPECT_EQ(setChunk(*reopened, chunk), 1);
        EXPECT_EQ(chunkOf(*reopened), chunk);
        EXPECT_EQ(setChunk(*saved, chunk), 1);
        EXPECT_EQ(chunkOf(*saved), chunk);
    }
}

TEST(StateChunk, DataThatIsNotAnInstrumentChangesNothing)
{
    auto host = loadPlugin();
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(loadVoice(*host, 0, voiceFile("chunk-kept.t9v", 14, 1, 2, 5)));
    host->setParameter(tessarine::kMorphHarmX, 0.25f);
    const Bytes kept = chunkOf(*host);

    Bytes newerVersion = kept;
    const std::int32_t version = 0x10007;
    std::memcpy(newerVersion.data(), &version, sizeof(version));
    const std::vector<float> samples = tessarine::test::noise(1250, 99);
    const auto* noiseBytes = reinterpret_cast<const std::byte*>(samples.data());
    const Bytes noise(noiseBytes, noiseBytes + samples.size() * sizeof(float));
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"one byte", {std::byte{5}}},
        {"cut inside the values", Bytes(kept.begin(), kept.begin() + 40)},
        {"cut inside a voice", Bytes(kept.begin(), kept.begin() + static_cast<long>(kept.size() / 2))},
        {"cut inside the last curve", Bytes(kept.begin(), kept.end() - 1)},
        {"a version no build wrote", newerVersion},
        {"noise", noise},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(setChunk(*host, c.bytes), 0) << c.what;
        EXPECT_EQ(chunkOf(*host), kept) << c.what;
    }
    EXPECT_EQ(host->dispatch(effSetChunk, 0, 100, nullptr), 0);
    EXPECT_FLOAT_EQ(host->getParameter(tessarine::kMorphHarmX), 0.25f);
}

} // namespace
