#pragma once
// The analysis' two views of a sound through short-time spectra. Both give one
// row per bin (row 1 is DC) and one column per frame, frames hop apart.
//  - blackmanStft: Blackman-windowed frames, unscaled; the partial tracker's
//    amplitudes and the noise spectra come from it.
//  - reassignedStft: Hann-windowed frames scaled so a sine of amplitude A
//    centred on a bin reads A, plus the instantaneous frequency of every bin
//    from the time-derivative window, which locates a partial far more
//    precisely than its bin.
// A signal shorter than one transform gives no frames.

#include "analysis/NumMatrix.h"
#include "analysis/NumVector.h"

namespace tessarine {

struct ShortTimeSpectrum {
    NumMatrix re;
    NumMatrix im;
    NumMatrix frequency; // instantaneous frequency in Hz; reassignedStft only

    int frames() const { return re.columns(); }
};

// Number of whole frames of `length` samples for a transform of `frameLength`
// moved by `hop`; 0 when not even one frame fits.
int shortTimeFrameCount(int length, int frameLength, int hop);

// nfft: power of two. windowLength -1 means nfft; overlap -1 means half the
// window. The hop is windowLength - overlap and must be at least 1. False (out
// unchanged) on a bad shape.
bool blackmanStft(const NumVector& x, int nfft, int windowLength, int overlap, ShortTimeSpectrum& out);

// magnitude(blackmanStft(...)), without holding the two spectrum-sized
// matrices of its parts: what the tracker and the noise read.
bool blackmanMagnitude(const NumVector& x, int nfft, int windowLength, int overlap, NumMatrix& out);

// The window covers the whole transform: windowLength must equal nfft.
bool reassignedStft(const NumVector& x, int nfft, int windowLength, int hop, double rate, ShortTimeSpectrum& out);

// The periodic Blackman window of the Blackman transform, nfft values.
NumVector blackmanWindow(int nfft, int windowLength);

// sqrt(re^2 + im^2).
NumMatrix magnitude(const ShortTimeSpectrum& spectrum);

} // namespace tessarine
