#pragma once
// Runs the analysis of one imported sound and hands the result over as a layer
// record in an analysis buffer, the same record a voice file holds, so the
// voice takes it with its own reader.

#include "analysis/AnalysisProgress.h"
#include "analysis/SampleBuffer.h"
#include "sound/files/RecordStream.h"

#include <cstddef>
#include <span>
#include <string>

namespace tessarine {

// The block the layer record is written into; a record of 80 harmonic
// keyframes and 48 noise keyframes of 48 bands takes about 60 kB.
inline constexpr std::size_t kAnalysisBufferSize = 1536000;

// What the analysis found, for the caller to show.
struct AnalysisSummary {
    int harmonics = 0;          // harmonics that sound somewhere
    int harmonicKeyframes = 0;
    int noiseKeyframes = 0;
    std::string diagnostic;     // empty, or one line the caller may print
};

class VoiceAnalyzer {
public:
    // Analyses buffer at fundamental f0 (0: as noise alone) and writes the
    // layer record into analysisBuffer; on success layerStream reads it from
    // there. False, with no record to read, when the samples or rate cannot
    // be analysed or the record does not fit. progress may be null.
    bool analyseSound(const SampleBuffer& buffer, double f0, RecordStream& layerStream,
                      std::span<std::byte> analysisBuffer, AnalysisProgress* progress);

    const AnalysisSummary& summary() const { return summary_; }

private:
    AnalysisProgress* progress_ = nullptr;
    AnalysisSummary summary_;
};

} // namespace tessarine
