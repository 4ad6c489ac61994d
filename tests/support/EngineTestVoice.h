#pragma once
// A voice file with a steady five-second tone, written once per test program,
// and the few lines that play keys on an engine and keep what it renders.

#include "engine/SynthEngine.h"
#include "support/TestVoices.h"
#include "sound/files/VoiceFile.h"

#include <algorithm>
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
