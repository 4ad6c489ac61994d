#pragma once
// A voice file with a steady five-second tone, written once per test program,
// and the few lines that play keys on an engine and keep what it renders.

#include "engine/SynthEngine.h"
#include "support/TestVoices.h"
#include "sound/files/VoiceFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessarine::test {

// A steady five-second tone at basePitch (harmonic h at 0.5 / h) in every layer of multisample m.
inline void addSteadyTone(Voice& voice, int m, float basePitch)
{
    for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
        HarmonicData& data = voice.layer(m, layer).harmonic;
        data.clear();
        data.basePitch = basePitch;
        addHarmonicFrame(data, 0.0f, 0.0f);
        addHarmonicFrame(data, 0.1f, 0.5f);
        addHarmonicFrame(data, 5.0f, 0.5f);
    }
}

inline std::string steadyVoiceFile()
{
    static const std::string path = [] {
        auto voice = std::make_unique<Voice>();
        voice->multisampleCount = 1;
        voice->layerCount = 2;
        addSteadyTone(*voice, 0, 261.63f);
        prepareVoice(*voice);
        std::string file = tempPath("steady.t9v");
        RecordStream stream;
        saveVoiceFile(file, *voice, stream);
        return file;
    }();
    return path;
}

// One three-byte MIDI message at a sample offset of the next block.
inline void sendMidi(SynthEngine& engine, int status, int data1, int data2, int offset = 0)
{
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1),
                                   static_cast<std::uint8_t>(data2)};
    engine.midiIn(bytes, offset);
}

// An engine at rate playing sounds at their analysed speed, the steady tone in
// slot A and the noise seeded, so two such engines render the same samples.
inline std::unique_ptr<SynthEngine> steadySynth(float rate)
{
    auto engine = std::make_unique<SynthEngine>();
    engine->setSampleRate(rate);
    engine->seedNoise(7);
    engine->setParameter(kStretch, 0.5f, true);
    EXPECT_TRUE(engine->loadVoice(0, steadyVoiceFile().c_str()));
    return engine;
}

// Renders frames in blocks of block; both channels, left first.
inline std::array<std::vector<float>, 2> renderFrames(SynthEngine& engine, std::size_t frames, int block = 512)
{
    std::array<std::vector<float>, 2> out{std::vector<float>(frames), std::vector<float>(frames)};
    for (std::size_t start = 0; start < frames; start += static_cast<std::size_t>(block)) {
        engine.render(out[0].data() + start, out[1].data() + start,
                      static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(block), frames - start)));
    }
    return out;
}

// Starts the keys at velocity 127 and renders seconds in blocks of 512; the left channel.
inline std::vector<float> playKeys(SynthEngine& engine, const std::vector<int>& keys, float seconds, float rate)
{
    for (int key : keys) {
        const std::uint8_t on[3] = {0x90, static_cast<std::uint8_t>(key), 127};
        engine.midiIn(on, 0);
    }
    std::vector<float> left(static_cast<std::size_t>(seconds * rate)), right(left.size());
    for (std::size_t start = 0; start < left.size(); start += 512) {
        engine.render(left.data() + start, right.data() + start,
                      static_cast<int>(std::min<std::size_t>(512, left.size() - start)));
    }
    return left;
}

} // namespace tessarine::test
