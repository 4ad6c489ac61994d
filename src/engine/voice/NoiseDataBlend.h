#pragma once
// The noise a slot plays for one note, built at note-on on the audio thread
// (no allocation): either the chosen multisample and layer's frames as they
// are (solo), or one frame list blended from the four corners (low and high
// multisample × soft and loud layer) with the note's pitch and velocity weights.

#include "engine/voice/SlotBlend.h"
#include "sound/model/NoiseData.h"
#include "sound/model/Voice.h"

namespace tessarine {

// Fills out with the times and bands the noise synthesis reads; the spectrum
// curves of out's frames are left as they were (nothing plays from them).
//
// Blended notes walk the union of the corners' frame times: a time is kept
// only when it lies more than 5 ms after the previous kept one (30 ms once past
// 0.1 s, where an attack no longer needs the detail), at most 64 frames are
// made, and when fewer than 16 remain only every k-th time is kept, so the
// list still reaches the end of the longest corner. Bands 0..63 only.
void blendNoiseData(NoiseData& out, const Voice& voice, const SlotBlend& blend);

} // namespace tessarine
