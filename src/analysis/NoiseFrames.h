#pragma once
// The noise part of a sound as a series of magnitude spectra: 256 bins of a
// transform whose hop is near 256 samples at 44.1 kHz (5.8 ms), so the noise
// keeps the same time grid at any sample rate, and rows on the 44.1 kHz bins
// (b x 44100 / 512 Hz) at levels of the same noise at 44.1 kHz. Quiet noise
// is kept: a piano's or a vibraphone's noise goes on under the decay, and the
// subtraction of the partials leaves a clean tone next to nothing to hiss.

#include "analysis/NumMatrix.h"
#include "analysis/NumVector.h"

namespace tessarine {

inline constexpr int kNoiseBins = 256;

// The synthesis plays a band at half the level these frames measure of the
// same noise (its half-overlapped, crossfaded inverse transforms against the
// Blackman frames measured here), so a recording's noise came back 6 dB under
// it at every rate. A voice stores the measured levels times this; the
// keyframe reduction decides on the measured ones.
inline constexpr double kNoisePlaybackGain = 2.0;

// The power of two nearest to 256 * rate / 44100 (the smaller on a tie).
int noiseHop(double rate);

// 256 x frames linear magnitudes of 2P-point Blackman frames with hop
// P = noiseHop(rate), row b at b x 44100 / 512 Hz (interpolated between bins
// at rates whose bins lie elsewhere), scaled by sqrt(44100 x 512 / (rate x 2P));
// rows beyond the transform's bins are 0.
// A signal too short for one frame gives one column of zeros.
NumMatrix noiseFrames(const NumVector& signal, double rate);

} // namespace tessarine
