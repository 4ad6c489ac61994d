#pragma once
// The curves and noise frames one playing voice blends for its note, per
// slot: about a megabyte a voice. The voice manager keeps all its voices'
// in one mapping of huge pages, so that a new instance does not spend its
// first milliseconds faulting in thousands of small pages.

#include "engine/voice/NoteHarmonics.h"
#include "sound/model/Instrument.h"
#include "sound/model/NoiseData.h"

#include <array>

namespace tessarine {

struct NoteVoiceData {
    std::array<NoteHarmonics, kVoiceSlotCount> harmonics;
    std::array<NoiseData, kVoiceSlotCount> noise;
};

} // namespace tessarine
