#pragma once
// Sound files analysed into one slot of the playing instrument, the same way
// whoever asks: the editor's Analyse buttons and drops, and the file requests
// of callers with no window. The analysis works aside and the slot changes in
// one step at the end, so a refused file or a failed analysis changes nothing.
// User-interface (or request) thread; never the audio thread.

#include "analysis/AnalysisProgress.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessarine {

class SynthEngine;

enum class AnalyseInto {
    // The voice `tessarine analyse` makes of the files: one multisample per
    // file, lowest pitch first, one layer, named after the lowest, so every key
    // plays the recording. A voice of one multisample and one layer given one
    // file keeps its loop and cutoff and only takes the new sound.
    NewVoice,
    // One file into the multisample and layer the slot's page shows; the rest
    // of the voice stays as it was.
    ShownLayer,
};

struct SlotAnalysisOutcome {
    bool analysed = false;
    // Why it was refused, as the message box says it ("Unsupported file
    // format."), or what was done ("Slot A: new voice "cello" on every key").
    std::string message;
};

// openProgress may be empty, or give null, for an analysis with no window.
SlotAnalysisOutcome analyseIntoSlot(SynthEngine& engine, int slot, const std::vector<std::string>& paths,
                                    AnalyseInto into,
                                    const std::function<std::unique_ptr<AnalysisProgress>()>& openProgress);

} // namespace tessarine
