#pragma once
// The harmonic balance as a strict listener's analyser measures it, beside the
// lenient figures of FidelityFigures: on the recording's steadiest second, one
// Blackman-Harris transform over the whole segment of each sound, the peak
// level of harmonic k within ±3 % of k f0 for k = 1..10, the harmonics the
// recording holds within 40 dB of its strongest, render minus recording with
// the mean difference removed (the level of an import is free). The worst
// harmonic per note is the figure. A second figure takes the same levels
// averaged (in power) over segments covering 10 to 70 % of the recording's
// sounding length, so a bias shows apart from a moment's smoothing.

#include <vector>

namespace tessarine::host {

struct StrictBalance {
    int compared = 0;           // harmonics within 40 dB of the strongest, on the steadiest second
    double worstDb = 0.0;       // largest |render - recording| after the mean difference
    int comparedSpan = 0;       // the same over 10..70 % of the note
    double worstSpanDb = 0.0;
    double segmentStart = 0.0;  // seconds: where the steadiest second begins
    double segmentSeconds = 0.0;
};

// Both sounds mono at rate, time 0 at their first sound; f0 the recording's
// reference pitch (no figures without one), sounding its sounding length.
StrictBalance strictBalance(const std::vector<float>& recording, const std::vector<float>& render, double rate,
                            double f0, double sounding);

// Where the steadiest stretch of `seconds` within the first `sounding` seconds
// begins: the one whose 10 ms levels (dB) vary least. 0 for a shorter sound.
double steadiestSegment(const std::vector<float>& x, double rate, double sounding, double seconds);

} // namespace tessarine::host
