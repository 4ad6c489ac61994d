#include "analysis/VoiceAnalyzer.h"

#include "analysis/AnalysedLayer.h"
#include "analysis/FrameAnalysis.h"
#include "analysis/KeyframeReduction.h"
#include "analysis/NoiseFrames.h"
#include "sound/files/LayerRecord.h"

#include <cmath>
#include <memory>

namespace tessarine {

namespace {

void zeroMissing(NumMatrix& m)
{
    double* v = m.data();
    const std::size_t n = static_cast<std::size_t>(m.rows()) * static_cast<std::size_t>(m.columns());
    for (std::size_t i = 0; i < n; ++i) {
        if (std::isnan(v[i])) {
            v[i] = 0.0;
        }
    }
}

} // namespace

bool VoiceAnalyzer::analyseSound(const SampleBuffer& buffer, double f0, RecordStream& layerStream,
                                 std::span<std::byte> analysisBuffer, AnalysisProgress* progress)
{
    progress_ = progress;
    summary_ = AnalysisSummary{};

    const NumVector x = NumVector::fromFloats(buffer.samples.data(), 0, buffer.count());
    FrameAnalysis frames;
    if (!analyseFrames(x, buffer.sampleRate, f0, progress_, frames)) {
        return false;
    }
    zeroMissing(frames.harmonicFrequency);
    zeroMissing(frames.harmonicAmplitude);

    if (progress_ != nullptr) {
        progress_->setStage("Reducing to keyframes");
    }
    HarmonicKeyframes harmonics;
    if (!reduceHarmonicKeyframes(frames.harmonicFrequency, frames.harmonicAmplitude, frames.framePeriod,
                                 kHarmonicErrorThreshold, kMaxHarmonicKeyframes, f0, harmonics)) {
        summary_.diagnostic = "ERROR: frequency and magnitude sizes do not agree.";
    }
    NumMatrix noise = reduceNoiseKeyframes(frames.noise, kNoiseFramePeriod, kNoiseTimeErrorThreshold,
                                                 kMaxNoiseKeyframes, kNoiseBandErrorThreshold,
                                                 kMaxNoiseKeyframeBands);
    // Row 1 holds the keyframes' times and column 1 the bands' numbers.
    for (int band = 2; band <= noise.rows(); ++band) {
        for (int key = 2; key <= noise.columns(); ++key) {
            noise(band, key) *= kNoisePlaybackGain;
        }
    }

    // About 400 kB: too large for the analysing thread's stack.
    auto layer = std::make_unique<LayerData>();
    buildAnalysedLayer(f0, harmonics, noise, *layer);
    summary_.harmonics = soundingHarmonics(*layer);
    summary_.harmonicKeyframes = layer->harmonic.frameCount();
    summary_.noiseKeyframes = layer->noise.frameCount();

    layerStream.openMemoryWrite(analysisBuffer);
    const bool written = writeLayer(layerStream, *layer);
    const std::size_t size = layerStream.position();
    if (!layerStream.close() || !written) {
        return false;
    }
    layerStream.openMemoryRead(analysisBuffer.first(size));
    if (progress_ != nullptr) {
        progress_->setProgress(100.0);
    }
    return true;
}

} // namespace tessarine
