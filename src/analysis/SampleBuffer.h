#pragma once
// One imported sound as the analysis takes it: mono samples at the file's own
// rate (never converted), and the MIDI note the file's header records.
// The clean-up operations run in this order before the fundamental is chosen:
// trimSilence, normalisePeak, limitDuration.

#include <vector>

namespace tessarine {

struct SampleBuffer {
    std::vector<float> samples; // full scale +-1.0
    float sampleRate = 0.0f;    // Hz
    int rootNote = -1;          // MIDI note of the header, -1 when it records none

    int count() const { return static_cast<int>(samples.size()); }
};

inline constexpr float kSilenceThreshold = 0.0015f;
inline constexpr double kMaxAnalysedSeconds = 12.0;

// Drops the leading run of samples equal to the first one (a recorder's
// constant offset or exact silence) and the tail whose samples all lie within
// +-threshold. A sound that never leaves the threshold keeps its tail.
void trimSilence(SampleBuffer& buffer, float threshold);
// Scales the largest absolute sample to target; silence stays as it is.
void normalisePeak(SampleBuffer& buffer, float target);
// Keeps the first trunc(seconds x rate) samples of a longer sound.
void limitDuration(SampleBuffer& buffer, double seconds);

} // namespace tessarine
