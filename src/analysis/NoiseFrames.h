#pragma once
// The noise part of a sound as a series of magnitude spectra: 256 bins of a
// transform whose hop is near 256 samples at 44.1 kHz (5.8 ms), so the noise
// keeps the same time grid at any sample rate, and rows on the 44.1 kHz bins
// (b x 44100 / 512 Hz) at levels of the same noise at 44.1 kHz. A
// residual that is mostly quiet (a clean harmonic note) is gated towards
// silence, so the leftovers of an imperfect subtraction do not hiss.

#include "analysis/NumMatrix.h"
#include "analysis/NumVector.h"

namespace tessarine {

inline constexpr int kNoiseBins = 256;

// The power of two nearest to 256 * rate / 44100 (the smaller on a tie).
int noiseHop(double rate);

// 256 x frames linear magnitudes of 2P-point Blackman frames with hop
// P = noiseHop(rate), row b at b x 44100 / 512 Hz (interpolated between bins
// at rates whose bins lie elsewhere), scaled by sqrt(44100 x 512 / (rate x 2P));
// rows beyond the transform's bins are 0. Gated after the scaling.
// A signal too short for one frame gives one column of zeros.
NumMatrix noiseFrames(const NumVector& signal, double rate);

// When more than half of the frames are quiet (magnitude sum below 3), fades
// the frames by 0.03 per quiet frame and back by 0.03 per loud one.
void gateQuietNoise(NumMatrix& frames);

} // namespace tessarine
