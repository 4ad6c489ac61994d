// The instrument in every format it ships in: the VST 2 module through the
// command-line host's loader, the LV2 bundle through lilv, the CLAP module
// through the validator's host and the standalone application's engine
// in-process. Each adapter only maps its host's calls onto the one core, so
// with the same instrument, the same seed and the same blocks every sample
// must agree, and a project saved by one opens in every other as the same bytes.

#include "app/StandaloneEngine.h"
#include "commands/RenderCommand.h"
#include "params/ParameterTable.h"
#include "shell/clap/ClapTestHost.h"
#include "shell/lv2/Lv2Bundle.h"
#include "sound/files/VoiceFile.h"
#include "support/BarePlugin.h"
#include "support/SignalMeasure.h"
#include "support/TestVoices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tessarine {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Midi = host::PluginHost::Midi;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kBlocks = 160;

// One instance in one format, driven as its host drives it: blocks of kBlock
// frames with the block's MIDI at its offsets, and the state as the host
// saves and restores it.
class Format {
public:
    virtual ~Format() = default;
    virtual void seed(std::uint32_t value) = 0;
    virtual void block(const std::vector<Midi>& midi, float* left, float* right) = 0;
    virtual Bytes save() = 0;
    virtual bool load(const Bytes& state) = 0;
};

class VstFormat : public Format {
public:
    explicit VstFormat(const std::string& path = TESSARINE_PLUGIN_PATH) : plugin(test::loadPlugin(path))
    {
        if (plugin != nullptr) {
            plugin->setSampleRate(static_cast<float>(kRate));
            plugin->setBlockSize(kBlock);
            plugin->resume();
        }
    }
    void seed(std::uint32_t value) override { request(host::kFileRequestSeed, nullptr, static_cast<float>(value)); }
    void block(const std::vector<Midi>& midi, float* left, float* right) override
    {
        plugin->processBlock(midi, left, right, kBlock);
    }
    Bytes save() override
    {
        const std::vector<std::byte> chunk = test::chunkOf(*plugin);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(chunk.data());
        return Bytes(bytes, bytes + chunk.size());
    }
    // What the host reads of a loaded project, kept to compare with later.
    bool load(const Bytes& state) override
    {
        Bytes copy = state; // hosts hand over their own copy
        const bool loaded =
            plugin->dispatch(vst::effSetChunk, 0, static_cast<vst::intptr>(copy.size()), copy.data()) == 1;
        if (loaded) {
            valuesAtLoad = test::hostValues(*plugin);
            automationsAtLoad = plugin->automations().size();
        }
        return loaded;
    }
    vst::intptr request(int action, const char* text, float value)
    {
        return plugin->dispatch(vst::effVendorSpecific, vst::fourCC('T', 's', 'n', 'F'), action,
                                const_cast<char*>(text), value);
    }

    std::unique_ptr<host::PluginHost> plugin;
    std::vector<float> valuesAtLoad;
    std::size_t automationsAtLoad = 0;
};

class Lv2Format : public Format {
public:
    void seed(std::uint32_t value) override { EXPECT_TRUE(instance->seed(value)); }
    void block(const std::vector<Midi>& midi, float* left, float* right) override
    {
        events.clear();
        for (const Midi& m : midi) {
            events.midi(m.offset, {m.status, m.data1, m.data2});
        }
        instance->run(kBlock, &events);
        std::copy(instance->output(0), instance->output(0) + kBlock, left);
        std::copy(instance->output(1), instance->output(1) + kBlock, right);
    }
    Bytes save() override { return test::savedRecord(*instance); }
    bool load(const Bytes& state) override { return test::restoreRecord(world, *instance, state) == 0; }

private:
    test::Lv2Bundle world;
    std::unique_ptr<host::Lv2Instance> instance = world.instance(kRate);
    host::Lv2EventSequence events{world.uris()};
};

// Its streams move a few kilobytes a call, as some hosts' do.
class ClapFormat : public Format {
public:
    void seed(std::uint32_t value) override { instance.seed(value); }
    void block(const std::vector<Midi>& midi, float* left, float* right) override
    {
        in.clear();
        out.clear();
        for (const Midi& m : midi) {
            in.push(host::clapMidiEvent(static_cast<std::uint32_t>(m.offset), m.status, m.data1, m.data2).header);
        }
        instance.process(kBlock, in, out);
        std::copy(instance->output(0), instance->output(0) + kBlock, left);
        std::copy(instance->output(1), instance->output(1) + kBlock, right);
    }
    Bytes save() override
    {
        test::MemoryStream stream;
        stream.piece = 4093;
        EXPECT_TRUE(instance->state->save(instance.plugin(), &stream.out));
        return stream.bytes;
    }
    bool load(const Bytes& state) override
    {
        test::MemoryStream stream;
        stream.bytes = state;
        stream.piece = 10007;
        const int rescans = instance.host().rescans();
        const bool loaded = instance->state->load(instance.plugin(), &stream.in);
        EXPECT_EQ(instance.host().rescans() > rescans, loaded) << "the host rereads the values of a loaded state";
        return loaded;
    }

    test::TestInstance instance{kRate, kBlock};

private:
    host::ClapEventList in{64}, out{256};
};

class StandaloneFormat : public Format {
public:
    // The application finds the library beside its executable; this test
    // program lives elsewhere, so it names the build's library.
    StandaloneFormat() { engine.prepare(static_cast<float>(kRate), kBlock); }
    void seed(std::uint32_t value) override { engine.seedRandom(value); }
    void block(const std::vector<Midi>& midi, float* left, float* right) override
    {
        std::vector<MidiMessage> messages;
        for (const Midi& m : midi) {
            messages.push_back({{m.status, m.data1, m.data2}, m.offset});
        }
        float* outputs[2] = {left, right};
        engine.process(messages, outputs, kBlock);
    }
    Bytes save() override
    {
        const auto state = engine.core().saveState();
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(state.data());
        return Bytes(bytes, bytes + state.size());
    }
    bool load(const Bytes& state) override { return engine.core().loadState(std::as_bytes(std::span(state))); }

private:
    app::StandaloneEngine engine{TESSARINE_BUILD_DIR};
};

struct Render {
    std::vector<float> left, right;
};

// kBlocks blocks from a fixed seed; notes holds each block's messages by block.
Render play(Format& format, const std::vector<std::pair<int, std::vector<Midi>>>& notes)
{
    format.seed(7);
    Render out;
    std::vector<float> left(kBlock), right(kBlock);
    for (int b = 0; b < kBlocks; ++b) {
        const auto at = std::find_if(notes.begin(), notes.end(), [b](const auto& n) { return n.first == b; });
        format.block(at != notes.end() ? at->second : std::vector<Midi>{}, left.data(), right.data());
        out.left.insert(out.left.end(), left.begin(), left.end());
        out.right.insert(out.right.end(), right.begin(), right.end());
    }
    return out;
}

// The first sample where two renders part, bit for bit, or -1.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    const auto parted = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                      [](float x, float y) { return std::memcmp(&x, &y, sizeof x) == 0; });
    return parted.first == a.end() && parted.second == b.end() ? -1 : parted.first - a.begin();
}

void expectSameRender(const Render& expected, const Render& got)
{
    EXPECT_EQ(firstDifference(expected.left, got.left), -1) << "left";
    EXPECT_EQ(firstDifference(expected.right, got.right), -1) << "right";
}

// A note renders nothing where a render is compared to nothing: it must sound.
void expectSounds(const Render& render)
{
    ASSERT_EQ(render.left.size(), static_cast<std::size_t>(kBlocks * kBlock));
    EXPECT_GT(test::rms(render.left, 0, render.left.size()), 0.001f);
    EXPECT_GT(test::rms(render.right, 0, render.right.size()), 0.001f);
}

std::vector<std::pair<const char*, std::unique_ptr<Format>>> otherFormats()
{
    std::vector<std::pair<const char*, std::unique_ptr<Format>>> formats;
    formats.emplace_back("LV2", std::make_unique<Lv2Format>());
    formats.emplace_back("CLAP", std::make_unique<ClapFormat>());
    formats.emplace_back("standalone", std::make_unique<StandaloneFormat>());
    return formats;
}

// The library's start instrument: one note, started at the first sample of
// the first block and ended at the first sample of block 120.
TEST(EveryFormat, PlaysTheSameNoteSampleForSample)
{
    const std::vector<std::pair<int, std::vector<Midi>>> note = {{0, {{0, 0x90, 57, 100}}}, {120, {{0, 0x80, 57, 0}}}};
    VstFormat vst;
    ASSERT_NE(vst.plugin, nullptr);
    const Render expected = play(vst, note);
    expectSounds(expected);
    for (auto& [name, format] : otherFormats()) {
        SCOPED_TRACE(name);
        expectSameRender(expected, play(*format, note));
    }
}

std::string voiceFile(const std::string& name, std::uint32_t seed, int multisamples, int layers, int frames)
{
    auto voice = std::make_unique<Voice>();
    test::fillRandomVoice(*voice, seed, multisamples, layers, frames);
    const std::string path = test::tempPath(name);
    RecordStream stream;
    EXPECT_TRUE(saveVoiceFile(path, *voice, stream));
    return path;
}

// A project of three voices of the musician's and values away from the start,
// saved by the VST 2 module without a library beside it, so that the voices
// replace empty slots; eight analysed two-layer multisamples in the third are
// more than the first buffer holds. Reopened in a fresh instance of every
// format (the VST 2 one among them), it plays a chord held and released
// sample for sample as it did where it was saved; played, it saves the same
// bytes, as the instance that saved it does when it opens it again. Whatever
// each host hands over that is not a project (empty, cut inside the values,
// a voice or the last curve, a version no build wrote, noise) is refused and
// changes nothing.
TEST(EveryFormat, AProjectOpensAsSavedAndWhatIsNoProjectChangesNothing)
{
    VstFormat saved(test::barePluginPath());
    ASSERT_NE(saved.plugin, nullptr);
    const std::string first = voiceFile("project-two-layers.t9v", 11, 2, 2, 8);
    const std::string second = voiceFile("project-one-layer.t9v", 12, 1, 1, 6);
    const std::string large = voiceFile("project-large.t9v", 13, 8, 2, 100);
    ASSERT_EQ(saved.request(host::kFileRequestVoiceLoad, first.c_str(), 0.0f), 1);
    ASSERT_EQ(saved.request(host::kFileRequestVoiceLoad, second.c_str(), 1.0f), 1);
    ASSERT_EQ(saved.request(host::kFileRequestVoiceLoad, large.c_str(), 2.0f), 1);
    for (auto [index, value] : {std::pair{kMorphHarmX, 0.3f}, {kMorphHarmY, 0.6f}, {kMorphNoiseX, 0.5f},
                                {kFilterCutoff, 0.7f}, {kVoiceCutoffB, 0.45f}, {kChorusOn, 1.0f}, {kChorusMix, 0.4f},
                                {kReverbOn, 1.0f}, {kReverbMix, 0.3f}, {kVolume, 0.8f}}) {
        saved.plugin->setParameter(index, value);
    }
    const Bytes project = saved.save();
    ASSERT_GT(project.size(), InstrumentCore::kStateBytes);
    const std::vector<std::pair<int, std::vector<Midi>>> chord = {
        {0, {{0, 0x90, 60, 100}, {7, 0x90, 64, 90}, {300, 0x91, 67, 70}}},
        {30, {{100, 0x80, 60, 0}, {101, 0x80, 64, 0}, {102, 0x81, 67, 0}}}};
    const Render expected = play(saved, chord);
    expectSounds(expected);

    Bytes newerVersion = project;
    const std::int32_t version = 0x10007;
    std::memcpy(newerVersion.data(), &version, sizeof version);
    const std::vector<float> samples = test::noise(1250, 99);
    const auto* noise = reinterpret_cast<const std::uint8_t*>(samples.data());
    const std::pair<const char*, Bytes> refused[] = {
        {"empty", {}},
        {"one byte", {5}},
        {"cut inside the values", Bytes(project.begin(), project.begin() + 40)},
        {"cut inside a voice", Bytes(project.begin(), project.begin() + static_cast<long>(project.size() / 2))},
        {"cut inside the last curve", Bytes(project.begin(), project.end() - 1)},
        {"a version no build wrote", newerVersion},
        {"noise", Bytes(noise, noise + samples.size() * sizeof(float))},
    };

    auto formats = otherFormats();
    formats.emplace(formats.begin(), "VST 2", std::make_unique<VstFormat>(test::barePluginPath()));
    auto& vst = static_cast<VstFormat&>(*formats.front().second);
    for (auto& [name, format] : formats) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(format->load(project));
        for (const auto& [what, bytes] : refused) {
            EXPECT_FALSE(format->load(bytes)) << what;
        }
        expectSameRender(expected, play(*format, chord));
        EXPECT_EQ(format->save(), project) << "a project played and saved again keeps the same bytes";
    }
    // The values as loaded are the host's to read: playing changed none of
    // them and reported none to the host.
    EXPECT_EQ(vst.valuesAtLoad, test::hostValues(*saved.plugin));
    EXPECT_EQ(test::hostValues(*vst.plugin), vst.valuesAtLoad);
    EXPECT_EQ(vst.plugin->automations().size(), vst.automationsAtLoad) << "the host heard of a change it did not make";
    EXPECT_EQ(vst.plugin->dispatch(vst::effSetChunk, 0, 100, nullptr), 0);
    EXPECT_TRUE(saved.load(project));
    EXPECT_EQ(saved.save(), project);
}

} // namespace
} // namespace tessarine
