#pragma once
// From a sound file to a layer of a voice: import, clean-up, the choice of the
// fundamental, then the analysis into a chosen (multisample, layer). The
// editor's analyse action and the command line both go this way.

#include "analysis/AnalysisProgress.h"
#include "analysis/FundamentalChoice.h"
#include "analysis/SampleBuffer.h"
#include "analysis/SoundImport.h"
#include "analysis/VoiceAnalyzer.h"
#include "sound/model/Voice.h"

#include <string>

namespace tessarine {

struct PreparedSound {
    SampleBuffer buffer;
    Fundamental fundamental;
};

// importSoundFile (cleaned up, at most 12 s), then chooseFundamental. False
// (out untouched, the reason in refusal when given) when the file cannot be imported.
bool prepareSound(const std::string& path, PreparedSound& out, ImportRefusal* refusal = nullptr);

// Analyses the sound at f0 and reads the result into layer (multisample,
// layer) of voice; f0 becomes the base pitch of both layers of that
// multisample. The voice is neither renamed nor prepared. False, with the
// voice unchanged, for a place outside the voice's room or a failed analysis.
bool analyseIntoVoice(const SampleBuffer& buffer, double f0, Voice& voice, int multisample, int layer,
                      AnalysisProgress* progress, AnalysisSummary& summary);

} // namespace tessarine
