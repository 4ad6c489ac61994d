#include "sound/model/NoiseData.h"

#include <algorithm>

namespace tessarine {

NoiseFrame* NoiseData::frameAt(int index)
{
    return index >= 0 && index < frameCount_ ? &frames_[static_cast<std::size_t>(index)] : nullptr;
}

bool NoiseData::insertFrame(float time)
{
    if (frameCount_ >= kMaxNoiseFrames) {
        return false;
    }
    int index = 0;
    while (index < frameCount_ && frameTimes_[static_cast<std::size_t>(index)] < time) {
        ++index;
    }
    for (int i = frameCount_; i > index; --i) {
        frames_[static_cast<std::size_t>(i)].copyFrom(frames_[static_cast<std::size_t>(i - 1)]);
        frameTimes_[static_cast<std::size_t>(i)] = frameTimes_[static_cast<std::size_t>(i - 1)];
    }
    ++frameCount_;
    frameTimes_[static_cast<std::size_t>(index)] = time;
    int source = index > 0 ? index - 1 : index + 1;
    if (source < frameCount_) {
        frames_[static_cast<std::size_t>(index)].copyFrom(frames_[static_cast<std::size_t>(source)]);
    }
    return true;
}

void NoiseData::removeFrame(int index)
{
    if (index < 0 || index >= frameCount_) {
        return;
    }
    for (int i = index; i + 1 < frameCount_; ++i) {
        frames_[static_cast<std::size_t>(i)].copyFrom(frames_[static_cast<std::size_t>(i + 1)]);
        frameTimes_[static_cast<std::size_t>(i)] = frameTimes_[static_cast<std::size_t>(i + 1)];
    }
    --frameCount_;
}

int NoiseData::nearestFrame(float time) const
{
    if (frameCount_ == 0) {
        return -1;
    }
    if (!(time > frameTimes_[0])) {
        return 0;
    }
    for (int i = 1; i < frameCount_; ++i) {
        float later = frameTimes_[static_cast<std::size_t>(i)];
        if (!(later < time)) {
            float earlier = frameTimes_[static_cast<std::size_t>(i - 1)];
            return time - earlier <= later - time ? i - 1 : i;
        }
    }
    return frameCount_ - 1;
}

void NoiseData::moveFrame(int index, float newTime, int mode)
{
    BreakpointCurve::moveTime(frameTimes_.data(), frameCount_, index, newTime, mode, 100000000000.0f);
}

void NoiseData::setFrameCount(int count)
{
    frameCount_ = std::clamp(count, 0, kMaxNoiseFrames);
}

void NoiseData::copyFrom(const NoiseData& other)
{
    if (&other == this) {
        return;
    }
    frameTimes_ = other.frameTimes_;
    for (int i = 0; i < kMaxNoiseFrames; ++i) {
        frames_[static_cast<std::size_t>(i)].copyFrom(other.frames_[static_cast<std::size_t>(i)]);
    }
    frameCount_ = other.frameCount_;
    bandCount_ = other.bandCount_;
    renderValue = other.renderValue;
}

void NoiseData::prepare()
{
    if (frameCount_ == 0) {
        return;
    }
    // Every spectrum starts at 0 at 0 Hz: no DC in the noise.
    for (int i = 0; i < frameCount_; ++i) {
        BreakpointCurve& spectrum = frames_[static_cast<std::size_t>(i)].spectrum;
        if (spectrum.pointCount() > 0) {
            spectrum.setValue(0, 0.0f);
        }
    }
    float firstSum = 0.0f;
    for (float band : frames_[0].bands) {
        firstSum += band;
    }
    if (firstSum != 0.0f) {
        // Fade the noise in over the first 10 ms from a silent frame at 0. At 64
        // frames there is no room for it, and the first frame is left as it is.
        if (frameTimes_[0] < 0.01f) {
            moveFrame(0, 0.01f, BreakpointCurve::kMoveShift);
        }
        // Frame 0 is now at 0.01 or later, so the new frame lands at index 0.
        if (insertFrame(0.0f)) {
            NoiseFrame& silentFrame = frames_[0];
            silentFrame.spectrum.scaleValues(0.0f);
            silentFrame.resampleBands();
        }
    }
    // Put frame times back in order from the end, so one pass sorts them all.
    for (int i = frameCount_ - 1; i > 0; --i) {
        float& earlier = frameTimes_[static_cast<std::size_t>(i - 1)];
        float later = frameTimes_[static_cast<std::size_t>(i)];
        if (later < earlier) {
            earlier = later - 0.00000001f;
        }
    }
}

void NoiseData::applyCutoff(float frequencyHz)
{
    for (int i = 0; i < frameCount_; ++i) {
        frames_[static_cast<std::size_t>(i)].applyCutoff(frequencyHz);
    }
}

void NoiseData::resampleBands()
{
    for (int i = 0; i < frameCount_; ++i) {
        frames_[static_cast<std::size_t>(i)].resampleBands();
    }
}

} // namespace tessarine
