#pragma once
// A layer's noise spectrum at one moment of its sound: the two frames around
// the time, blended linearly. Outside its frames a layer is silent, so a note
// read before the analysed sound starts or after it ends adds no noise.
// Shared by the note-on blend and the frame build; audio thread, no allocation.

#include "sound/model/NoiseData.h"

namespace tessarine {

// Adds weight × the spectrum of data at time to bands[0 .. data.bandCount() − 1]
// (all 256 for full-band noise, the lowest 64 for noise stored before it).
// False, and bands untouched, when time lies outside the frames (or is not a
// number).
bool addNoiseBandsAt(const NoiseData& data, float time, float weight, float* bands);

} // namespace tessarine
