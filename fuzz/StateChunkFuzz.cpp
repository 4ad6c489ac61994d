// Fuzz target for the state chunk, through the plug-in's own dispatcher as a
// host reopening a project calls it: bytes that do not load leave the
// instrument exactly as it was (the chunk written afterwards is the same);
// bytes that load give an instrument whose chunk loads again to the same
// bytes, and which plays finite sound. Each input starts from what the
// previous one left. Built as a libFuzzer target with clang,
// and replayed over its seed corpus by the test suite.

#include "FuzzOutcome.h"
#include "shell/SynthPlugin.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace vst;

intptr host(EffectRecord*, int32 opcode, int32, intptr, void*, float) { return opcode == audioMasterVersion ? 2300 : 0; }

std::vector<std::uint8_t> chunkOf(EffectRecord* effect)
{
    void* data = nullptr;
    const intptr size = effect->dispatcher(effect, effGetChunk, 0, 0, &data, 0.0f);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return size > 0 ? std::vector<std::uint8_t>(bytes, bytes + size) : std::vector<std::uint8_t>{};
}

intptr setChunk(EffectRecord* effect, const void* data, std::size_t size)
{
    return effect->dispatcher(effect, effSetChunk, 0, static_cast<intptr>(size), const_cast<void*>(data), 0.0f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static auto* plugin = new tessarine::SynthPlugin(host);
    static EffectRecord* effect = plugin->record();
    // The instrument's chunk as the last input left it: writing a chunk costs
    // more than most refusals, so it is kept rather than written per input.
    static std::vector<std::uint8_t> current = chunkOf(effect);

    const bool loaded = setChunk(effect, data, size) != 0;
    tessarine::fuzz::noteLoaded(loaded);
    if (!loaded) {
        if (chunkOf(effect) != current) {
            std::abort(); // a refused chunk changed the instrument
        }
        return 0;
    }
    const std::vector<std::uint8_t> saved = chunkOf(effect);
    if (saved.empty() || setChunk(effect, saved.data(), saved.size()) != 1 || chunkOf(effect) != saved) {
        std::abort(); // what a project saved does not reopen as it was
    }

    // Two notes, one short block, with the reload a resume asks for.
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    MidiEvent notes[2] = {{kMidiType, sizeof(MidiEvent), 0, 0, 0, 0, {char(0x90), 60, 100, 0}, 0, 0, 0, 0},
                          {kMidiType, sizeof(MidiEvent), 3, 0, 0, 0, {char(0x90), 72, 30, 0}, 0, 0, 0, 0}};
    struct {
        int32 numEvents;
        intptr reserved;
        Event* events[2];
    } list{2, 0, {reinterpret_cast<Event*>(&notes[0]), reinterpret_cast<Event*>(&notes[1])}};
    effect->dispatcher(effect, effProcessEvents, 0, 0, &list, 0.0f);
    static float left[256], right[256];
    float* outputs[2] = {left, right};
    effect->processReplacing(effect, nullptr, outputs, 256);
    for (int i = 0; i < 256; ++i) {
        if (!std::isfinite(left[i]) || !std::isfinite(right[i])) {
            std::abort(); // the loaded instrument plays damaged numbers
        }
    }
    effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    // A resume reloads the saved values, which may move a value the chunk
    // held (the formant frequency), so the next refusal compares with this.
    current = chunkOf(effect);
    return 0;
}
