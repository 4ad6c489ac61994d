// Fuzz target for the sound import and the analysis behind it: any bytes
// named as a sound file must either be refused or analyse into a layer with
// finite values within the voice's limits. Built as a libFuzzer target with
// clang, and replayed over its seed corpus by the test suite.

#include "analysis/SoundFileAnalysis.h"
#include "sound/Voice.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The import reads files, so every input goes through one scratch file per process.
    static const std::string path = "/tmp/tessarine-sound-fuzz-" + std::to_string(::getpid()) + ".wav";
    static const auto voice = std::make_unique<tessarine::Voice>();

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
    tessarine::PreparedSound sound;
    const bool imported = tessarine::prepareSound(path, sound);
    std::remove(path.c_str());
    if (!imported) {
        return 0;
    }
    tessarine::AnalysisSummary summary;
    if (!tessarine::analyseIntoVoice(sound.buffer, sound.fundamental.f0, *voice, 0, 1, nullptr, summary)) {
        std::abort(); // every imported sound can be analysed
    }
    const tessarine::LayerData& layer = voice->layer(0, 1);
    if (layer.harmonic.frameCount() > 80 || layer.noise.frameCount() > 48) {
        std::abort();
    }
    for (int h = 0; h < tessarine::kHarmonicCount; ++h) {
        const tessarine::BreakpointCurve& curve = layer.harmonic.amplitude(h);
        for (int k = 0; k < curve.pointCount(); ++k) {
            if (!std::isfinite(curve.value(k)) || !std::isfinite(layer.harmonic.frequency(h).value(k))) {
                std::abort();
            }
        }
    }
    return 0;
}
