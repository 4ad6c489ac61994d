#pragma once
// The part of a sound the analysis takes, gathered while the sound is read in
// blocks: what the clean-up would keep of the whole sound, held in memory for
// at most `limit` samples however long the file is.
//
// The clean-up drops the leading run of samples equal to the first one (a
// recorder's constant offset or exact silence) and the tail whose samples all
// lie within +-threshold x the file's largest absolute sample (a loud sample only inside the
// leading run leaves nothing), scales the largest
// absolute sample of what is left to 1 (silence stays as it is), and keeps the
// first `limit` samples of that. The peak and the tail are those of the whole
// sound, not of the part kept, so a long file is analysed as its first
// seconds would be within it. A sound that goes on past the limit fades out
// over the last `fade` samples kept: a voice that stopped dead where the
// file was cut would end in a click.
//
// The tail is measured against the peak, not full scale: a note recorded
// 30 dB under full scale would otherwise lose the last 30 dB of its decay
// (a vibraphone ringing to 1.6 s ended at 0.9 s). For a sound that peaks at
// full scale the two are the same.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessarine {

class SoundWindow {
public:
    SoundWindow(std::size_t limit, float threshold, std::size_t fade = 0)
        : limit_(limit), threshold_(threshold), fade_(std::min(fade, limit))
    {
    }

    // The next samples of the sound, in order. False when the samples to be
    // kept cannot be allocated; the window is then unusable.
    bool add(const float* samples, std::size_t count);

    // Moves the samples kept, cleaned up, into out; false (out empty) when
    // they cannot be allocated.
    bool finish(std::vector<float>& out);

    // After finish: the length of the cleaned-up sound in samples when it was
    // longer than the limit and so cut (and faded), else 0.
    std::uint64_t cutFrom() const { return cutFrom_; }

private:
    void fadeOut(std::vector<float>& samples) const;

    std::size_t limit_;
    float threshold_;
    std::size_t fade_;
    std::uint64_t cutFrom_ = 0;
    std::vector<float> kept_; // from the first sample that differs from sample 0
    std::uint64_t seen_ = 0;
    std::uint64_t start_ = 0; // index of that sample, once started_
    bool started_ = false;
    float first_ = 0.0f;
    // The tail is found once the peak is known: in the samples kept, or, past
    // them, by the largest absolute sample of each block of kBlock samples
    // (one float per 1024 samples beyond the limit).
    static constexpr std::size_t kBlock = 1024;
    std::vector<float> blockPeaks_;
    std::uint64_t pastLimit_ = 0; // samples seen beyond the part kept
    float peak_ = 0.0f;           // largest absolute sample from start_ on

    // The index of the last sample beyond +-level, or -1. Past the part kept
    // the end of its block stands for it: only cutFrom() sees those.
    std::int64_t lastBeyond(float level) const;
};

} // namespace tessarine
