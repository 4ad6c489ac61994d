#pragma once
// A tempo-synced feedback delay with its own length on each side and no
// cross-feed. Lengths are whole sixteenth notes at the host tempo, limited to
// the 24 seconds each line holds.

#include <array>
#include <memory>

namespace tessarine {

class StereoDelay {
public:
    // Allocates 24 s per side and clears. Until the first usable rate the delay
    // passes its input through.
    void setSampleRate(float rate);

    void setMix(float delayMix);           // mix = 0.5 x value
    void setFeedback(float delayFeedback); // each repeat = 0.8 x value times the last
    // Left and right lengths by the tempo-step rule; a change of length clears
    // the echoes, since they no longer line up with the beat.
    void setSync(float delaySyncL, float delaySyncR);
    // Beats per minute; 0 or NaN is 120. A different tempo clears the echoes.
    void setTempo(double bpm);

    void reset();
    void process(float* inOut0, float* inOut1, int frames);

    // Current length of one side in samples (0 left, 1 right).
    int lengthOf(int side) const { return lines_[static_cast<std::size_t>(side & 1)].length; }

private:
    struct Line {
        // Left uninitialised: reset marks the whole line unwritten and nothing
        // is read before it is written, so the pages of a 24 s line are only
        // touched as far as the delay actually reaches.
        std::unique_ptr<float[]> buffer;
        int capacity = 0;
        int steps = 1;      // length in sixteenth notes
        int length = 1;     // length in samples
        int index = 0;
        bool wrapped = false; // false: nothing at or after index was written since the last reset
    };

    void updateLengths();
    void processLine(Line& line, float* io, int frames) const;

    std::array<Line, 2> lines_;
    float sampleRate_ = 0.0f;
    float mix_ = 0.5f;
    float feedback_ = 0.32f;
    double tempo_ = 120.0;
};

} // namespace tessarine
