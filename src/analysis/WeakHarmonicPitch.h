#pragma once
// A harmonic far under its neighbours reads its frequency badly: their
// skirts pull its peak about, and on a clarinet's quiet even harmonics a
// vibrato of a hertz came out as a swing of eight. Played back, that swing
// smeared the harmonic's energy across the spectrum, so it sounded weaker and
// rougher than recorded. The harmonics of one note move together, so such a
// harmonic follows the course the strong ones set, keeping its own average
// place in the series (a stiff string's stretch, a detuned partial).

#include "analysis/NumMatrix.h"

namespace tessarine {

// frequency and amplitude: harmonics x frames (Hz and magnitudes, NaN or 0
// where a harmonic is absent). In each frame, the harmonics within 20 dB of
// the frame's strongest set the course: their frequencies over their numbers,
// averaged by power times number squared (a higher harmonic's reading pins it
// more finely). A sounding harmonic more than 30 dB under a sounding
// neighbour takes its number times that course times its median ratio to it
// over the frames where both exist; one less far under reads its own
// wobble truly (a string's beating), and keeps it. A frame without a course,
// and a harmonic that never meets one, keep their readings.
void followStrongHarmonics(NumMatrix& frequency, const NumMatrix& amplitude);

} // namespace tessarine
