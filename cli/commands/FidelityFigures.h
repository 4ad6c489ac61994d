#pragma once
// How faithfully a voice plays back the note it was analysed from, in the
// figures a listener's analyser would give: the levels of harmonics 1 to 10
// and the log-spectral distance on the steady part, the sounding length of
// each sound, and the low harmonics the voice drops where the recording holds
// them. The recording and the render are measured by the same code, on the
// same span of seconds, each starting at its first sound; none of it shares
// code with the analysis it judges, so an analysis fault cannot hide itself.

#include <functional>
#include <vector>

namespace tessarine::host {

inline constexpr int kComparedHarmonics = 10;

struct FidelityFigures {
    // Harmonic levels, normalised by their mean difference; only harmonics
    // the recording holds above its floor (60 dB under its strongest) count.
    int harmonicsCompared = 0;
    double harmonicDiffDb[kComparedHarmonics] = {}; // render - recording; 0 where not compared
    bool harmonicCompared[kComparedHarmonics] = {};
    double maxHarmonicDiffDb = 0.0;
    double levelOffsetDb = 0.0;     // recording - render before normalising
    double spectralDistanceDb = 0.0; // log-spectral distance after the same normalisation, up to 16 kHz
    double playedSpectralDistanceDb = 0.0; // the same up to 5.5 kHz, where 64-band noise ends
    double recordingSeconds = 0.0;
    double renderSeconds = 0.0;
    int holes = 0;

    bool harmonicsWithin(double db) const { return harmonicsCompared > 0 && maxHarmonicDiffDb <= db; }
};

// Seconds until the 10 ms level last stands within 60 dB of its peak (the
// whole length when it never falls that far).
double soundingSeconds(const std::vector<float>& x, double rate);

// The recording's own pitch, by the YIN difference function with parabolic
// interpolation, the median of windows over the steady part: Hz, or 0 when no
// period stands out in most of them (noise, silence).
double referencePitch(const std::vector<float>& x, double rate, double sounding);

// The voice's amplitude for harmonic k (1-based) of the reference pitch at a
// time in seconds: that of the partial the voice plays there, 0 for none.
using VoiceAmplitude = std::function<float(int k, double seconds)>;

// Compares render with recording (both mono at rate, time 0 at their first
// sound). f0 is the recording's reference pitch, 0 for an unpitched sound;
// the harmonic figures and holes need one. voiceSeconds: the voice's length.
FidelityFigures compareSounds(const std::vector<float>& recording, const std::vector<float>& render, double rate,
                              double f0, double voiceSeconds, const VoiceAmplitude& voiceAmplitude);

} // namespace tessarine::host
