#pragma once
// The noise frames of one analysed layer: up to 64 spectra at ascending times.
// The frames live in one fixed array; inserting or removing a frame copies
// contents between slots, never allocates.

#include "sound/model/NoiseFrame.h"

#include <array>

namespace tessarine {

inline constexpr int kMaxNoiseFrames = 64;
// Voices stored before full-band noise play only their lowest 64 bands (to
// about 5.5 kHz); they keep doing so, so that a song sounds as it was saved.
inline constexpr int kLegacyNoiseBands = 64;

class NoiseData {
public:
    NoiseData() = default;
    NoiseData(const NoiseData&) = delete;
    NoiseData& operator=(const NoiseData&) = delete;

    int frameCount() const { return frameCount_; }
    float frameTime(int index) const { return frameTimes_[static_cast<std::size_t>(index)]; }
    NoiseFrame& frame(int index) { return frames_[static_cast<std::size_t>(index)]; }
    const NoiseFrame& frame(int index) const { return frames_[static_cast<std::size_t>(index)]; }
    int renderValue = 0; // the engine's, handed to every frame

    // How many of the 256 bands play: kLegacyNoiseBands or kNoiseBandCount.
    int bandCount() const { return bandCount_; }
    void setFullBand(bool full) { bandCount_ = full ? kNoiseBandCount : kLegacyNoiseBands; }
    bool fullBand() const { return bandCount_ == kNoiseBandCount; }

    // The frame at index, or nullptr outside 0..frameCount - 1.
    NoiseFrame* frameAt(int index);

    // A new frame before the first one at or after time, holding a copy of its
    // neighbour (the one before, or the one after at index 0). False at 64 frames.
    bool insertFrame(float time);
    void removeFrame(int index);
    // -1 with no frames; the earlier of two equally near frames.
    int nearestFrame(float time) const;
    void moveFrame(int index, float newTime, int mode);
    // Overwrites a frame's time directly; for the file reader.
    void setFrameTime(int index, float time) { frameTimes_[static_cast<std::size_t>(index)] = time; }
    // Sets the count without touching frames; for the file reader, 0..64.
    void setFrameCount(int count);

    void clear()
    {
        frameCount_ = 0;
        bandCount_ = kLegacyNoiseBands;
    }
    void copyFrom(const NoiseData& other);

    // Makes the noise safe to play: a loud first frame gets a silent frame at 0
    // before it (at 0.01 s or later), and times are put back in order.
    void prepare();
    void applyCutoff(float frequencyHz);
    void resampleBands();

private:
    std::array<NoiseFrame, kMaxNoiseFrames> frames_;
    std::array<float, kMaxNoiseFrames> frameTimes_{};
    int frameCount_ = 0;
    int bandCount_ = kLegacyNoiseBands;
};

} // namespace tessarine
