#pragma once
// Follows spectral peaks from frame to frame into partial tracks. A track
// continues with the nearest peak within one bin unless the peak jumps up by
// more than the track's threshold (an onset starts a new partial); the
// threshold relaxes from 20 dB towards 10 dB as the track settles. A track
// survives up to three frames without a peak while its bin keeps a fifth of
// its level, so a brief dip (tremolo, beating) does not cut it. Short tracks
// are noise and are dropped.
//
// Positions are bins counted from 0, fractional; NaN marks a frame in which a
// track is absent.

#include "analysis/NumMatrix.h"
#include "analysis/NumVector.h"

namespace tessarine {

struct SpectralPeaks {
    NumVector positions; // 1-based bins, fractional
    NumVector values;    // log magnitudes at the interpolated vertex
};

struct PartialTracks {
    NumMatrix position;  // tracks x frames, bins from 0
    NumMatrix amplitude; // tracks x frames, linear magnitude
    bool failed = false; // the cell bound was reached; the lasting tracks so far are kept

    int tracks() const { return position.rows(); }
};

// Track-frame cells of lasting tracks (those long enough to be kept) beyond
// which tracking gives up: bounds the time and memory of what follows when a
// noisy sound holds many partials. Short-lived tracks do not count: a long
// note births noise tracks in every frame, and counting those made a longer
// file search a narrower range.
inline constexpr long long kMaxTrackCells = 2000000;

// Local maxima above threshold of a log-magnitude column, refined to the
// vertex of the parabola through the peak bin and its neighbours.
SpectralPeaks findSpectralPeaks(const NumVector& logMagnitude, double threshold);

// Tracks of a bins x frames magnitude matrix; only peaks below maxPosition
// (1-based bins) start tracks.
PartialTracks trackPartials(const NumMatrix& magnitude, double maxPosition, long long cellLimit = kMaxTrackCells);

// Halves maxPosition and tracks again while tracking fails; maxPosition is
// left at the range that succeeded.
PartialTracks trackPartialsNarrowing(const NumMatrix& magnitude, double& maxPosition,
                                     long long cellLimit = kMaxTrackCells);

// The search range in bins of a 2N-point transform: 65 harmonics of f0, but
// nothing above 16 kHz (at 44.1 kHz; as much higher as the rate is above it).
double maxTrackPosition(int frameSize, double rate, double f0);

} // namespace tessarine
