#pragma once
// One imported sound as the analysis takes it: mono samples at the file's own
// rate (never converted), cleaned up by the import (SoundWindow), and the MIDI
// note the file's header records.

#include <vector>

namespace tessarine {

struct SampleBuffer {
    std::vector<float> samples; // full scale +-1.0
    float sampleRate = 0.0f;    // Hz
    int rootNote = -1;          // MIDI note of the header, -1 when it records none
    double cutFromSeconds = 0.0; // the cleaned-up sound's length when it was cut to the limit, else 0

    int count() const { return static_cast<int>(samples.size()); }
};

// The quiet tail below this share of the sound's peak (66 dB down) is dropped
// before analysis: a decay is kept until it has fallen past what the ear
// follows over the note's own level.
inline constexpr float kSilenceThreshold = 0.0005f;
// Only the first seconds of a longer sound are analysed.
inline constexpr double kMaxAnalysedSeconds = 12.0;
// A sound cut to that limit fades out over its last this many seconds.
inline constexpr double kCutFadeSeconds = 0.1;

} // namespace tessarine
