#include "analysis/SoundFileAnalysis.h"

#include "analysis/SoundImport.h"
#include "sound/files/VoiceFile.h"

#include <vector>

namespace tessarine {

bool prepareSound(const std::string& path, PreparedSound& out, ImportRefusal* refusal)
{
    PreparedSound sound;
    if (!importSoundFile(path, sound.buffer, refusal)) {
        return false;
    }
    sound.fundamental = chooseFundamental(sound.buffer, path);
    out = std::move(sound);
    return true;
}

bool analyseIntoVoice(const SampleBuffer& buffer, double f0, Voice& voice, int multisample, int layer,
                      AnalysisProgress* progress, AnalysisSummary& summary)
{
    if (multisample < 0 || multisample >= kMaxMultisamples || layer < 0 || layer >= kLayersPerMultisample) {
        return false;
    }
    std::vector<std::byte> analysisBuffer(kAnalysisBufferSize);
    RecordStream layerStream;
    VoiceAnalyzer analyzer;
    if (!analyzer.analyseSound(buffer, f0, layerStream, analysisBuffer, progress)) {
        return false;
    }
    summary = analyzer.summary();
    // The record was written by our own writer into a buffer large enough,
    // so reading it back cannot fail short of a broken writer.
    if (!readLayer(layerStream, voice, multisample, layer)) {
        return false;
    }
    // The other layer plays at the same pitch; the analysed one took the base
    // pitch the reader made of f0 (middle C for a sound without one).
    voice.layer(multisample, 1 - layer).harmonic.basePitch = static_cast<float>(f0);
    return true;
}

} // namespace tessarine
