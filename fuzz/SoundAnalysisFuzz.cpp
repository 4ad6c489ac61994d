// Fuzz target for the analysis behind the sound import: any bytes named as a
// sound file must either be refused or analyse into a layer with finite values
// within the voice's limits. The imported sound is cut to its first
// kAnalysedSamples so that an input costs milliseconds, not the seconds a
// full-length sound takes; the file layer alone has its own, faster target.
// Built as a libFuzzer target with clang, and replayed by the test suite.

#include "FuzzOutcome.h"
#include "SoundFileFuzz.h"
#include "analysis/SoundFileAnalysis.h"
#include "sound/model/Voice.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A few analysis frames at any rate the import takes.
    constexpr std::size_t kAnalysedSamples = 6000;
    static const auto voice = std::make_unique<tessarine::Voice>();

    // Cut before the pitch is chosen, which looks at the whole sound too.
    const std::string& path = tessarine::fuzz::soundFileOf(data, size);
    tessarine::PreparedSound sound;
    const bool imported = tessarine::importSoundFile(path, sound.buffer);
    tessarine::fuzz::noteLoaded(imported);
    if (!imported) {
        return 0;
    }
    if (sound.buffer.samples.size() > kAnalysedSamples) {
        sound.buffer.samples.resize(kAnalysedSamples);
    }
    sound.fundamental = tessarine::chooseFundamental(sound.buffer, path);
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
