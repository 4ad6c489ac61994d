#pragma once
// A voice file with a steady five-second tone, written once per test program.

#include "sound/TestVoices.h"
#include "sound/VoiceFile.h"

#include <memory>
#include <string>

namespace tessarine::test {

inline std::string steadyVoiceFile()
{
    static const std::string path = [] {
        auto voice = std::make_unique<Voice>();
        voice->multisampleCount = 1;
        voice->layerCount = 2;
        for (int layer = 0; layer < kLayersPerMultisample; ++layer) {
            HarmonicData& data = voice->layer(0, layer).harmonic;
            data.basePitch = 261.63f;
            addHarmonicFrame(data, 0.0f, 0.0f);
            addHarmonicFrame(data, 0.1f, 0.5f);
            addHarmonicFrame(data, 5.0f, 0.5f);
        }
        prepareVoice(*voice);
        std::string file = tempPath("steady.t9v");
        RecordStream stream;
        saveVoiceFile(file, *voice, stream);
        return file;
    }();
    return path;
}

} // namespace tessarine::test
