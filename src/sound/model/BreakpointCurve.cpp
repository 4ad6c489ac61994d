#include "sound/model/BreakpointCurve.h"

#include <cmath>
#include <cstring>

namespace tessarine {

void BreakpointCurve::shareTimesOf(const BreakpointCurve& owner)
{
    owner_ = owner.ownsTimes() ? &owner : owner.owner_;
    clear();
}

void BreakpointCurve::setValue(int index, float v)
{
    if (index >= 0 && index < pointCount_) {
        values_[static_cast<std::size_t>(index)] = v;
        resetCache();
    }
}

void BreakpointCurve::clear()
{
    pointCount_ = 0;
    empty_ = true;
    resetCache();
}

void BreakpointCurve::assignPoints(const float* times, const float* values, int count)
{
    clear();
    if (count <= 0) {
        return;
    }
    count = count > kCapacity ? kCapacity : count;
    if (ownsTimes()) {
        std::memcpy(ownTimes_.data(), times, static_cast<std::size_t>(count) * sizeof(float));
    }
    std::memcpy(values_.data(), values, static_cast<std::size_t>(count) * sizeof(float));
    pointCount_ = count;
    empty_ = false;
}

void BreakpointCurve::copyFrom(const BreakpointCurve& other)
{
    if (&other == this) {
        return;
    }
    auto count = static_cast<std::size_t>(other.pointCount_);
    if (ownsTimes()) {
        std::memcpy(ownTimes_.data(), other.times().data(), count * sizeof(float));
    }
    std::memcpy(values_.data(), other.values_.data(), count * sizeof(float));
    pointCount_ = other.pointCount_;
    empty_ = other.empty_;
    segmentIndex_ = other.segmentIndex_;
    lastTime_ = other.lastTime_;
    lastValue_ = other.lastValue_;
}

bool BreakpointCurve::appendPoint(float time, float value)
{
    if (pointCount_ >= kCapacity || !ownsTimes()) {
        return false;
    }
    const auto index = static_cast<std::size_t>(pointCount_);
    ownTimes_[index] = time;
    values_[index] = value;
    ++pointCount_;
    empty_ = false;
    lastTime_ = kNoTime;
    return true;
}

bool BreakpointCurve::insertPoint(float time, float value)
{
    if (pointCount_ >= kCapacity || !std::isfinite(time)) {
        return false;
    }
    const auto& t = times();
    int index = 0;
    if (ownsTimes()) {
        if (pointCount_ == 0 || time > t[static_cast<std::size_t>(pointCount_ - 1)]) {
            index = pointCount_;
        } else if (!(time > t[0])) {
            index = 0;
        } else {
            // A new point at an existing time goes before it.
            index = (segmentIndex_ > 0 && segmentIndex_ < pointCount_ &&
                     time > t[static_cast<std::size_t>(segmentIndex_ - 1)])
                        ? segmentIndex_
                        : 1;
            while (index < pointCount_ && t[static_cast<std::size_t>(index)] < time) {
                ++index;
            }
        }
        std::memmove(&ownTimes_[static_cast<std::size_t>(index) + 1], &ownTimes_[static_cast<std::size_t>(index)],
                     static_cast<std::size_t>(pointCount_ - index) * sizeof(float));
        ownTimes_[static_cast<std::size_t>(index)] = time;
    } else {
        // The owner already holds the time (it is inserted first); find it.
        int ownerCount = owner_->pointCount_;
        while (index < ownerCount && t[static_cast<std::size_t>(index)] < time) {
            ++index;
        }
        // Past the values this curve holds there is nothing to shift into place.
        if (index >= ownerCount || t[static_cast<std::size_t>(index)] != time || index > pointCount_) {
            return false;
        }
    }
    std::memmove(&values_[static_cast<std::size_t>(index) + 1], &values_[static_cast<std::size_t>(index)],
                 static_cast<std::size_t>(pointCount_ - index) * sizeof(float));
    values_[static_cast<std::size_t>(index)] = value;
    ++pointCount_;
    empty_ = false;
    segmentIndex_ = index;
    lastTime_ = kNoTime;
    return true;
}

void BreakpointCurve::removePoint(int index)
{
    if (index < 0 || index >= pointCount_) {
        return;
    }
    auto tail = static_cast<std::size_t>(pointCount_ - index - 1) * sizeof(float);
    auto i = static_cast<std::size_t>(index);
    if (ownsTimes()) {
        std::memmove(&ownTimes_[i], &ownTimes_[i + 1], tail);
    }
    std::memmove(&values_[i], &values_[i + 1], tail);
    --pointCount_;
    resetCache();
}

void BreakpointCurve::truncateAfter(float time)
{
    const auto& t = times();
    int keep = 0;
    while (keep < pointCount_ && !(t[static_cast<std::size_t>(keep)] > time)) {
        ++keep;
    }
    pointCount_ = keep;
    resetCache();
}

void BreakpointCurve::moveTime(float* times, int count, int index, float newTime, int mode, float noNextBound)
{
    if (index < 0 || index >= count) {
        return;
    }
    if (!(newTime >= 0.0f)) { // negative or not a number
        newTime = 0.0f;
    }
    const int last = count - 1;
    const float current = times[index];
    const float prev = index > 0 ? times[index - 1] : 0.0f;
    const float next = index < last ? times[index + 1] : noNextBound;
    switch (mode) {
    case kMoveSingle:
        if (prev <= newTime && newTime <= next) {
            times[index] = newTime;
        }
        break;
    case kMoveShift:
        if (newTime >= prev) {
            const float d = newTime - current;
            for (int j = index; j < count; ++j) {
                times[j] += d;
            }
        }
        break;
    case kMoveStretch: {
        // Later points are squeezed towards the last one, which stays; dragging
        // past it would turn the order round, so that is refused.
        if (index < last && newTime > times[last]) {
            break;
        }
        const float d = newTime - current;
        const float span = times[last] - current;
        for (int j = 0; j < count; ++j) {
            float f = 1.0f;
            if (j <= index) {
                if (current != 0.0f) {
                    f = times[j] / current;
                }
            } else if (count >= 2) {
                f = span > 0.0f ? 1.0f - (times[j] - current) / span : 0.0f;
            }
            times[j] += f * d;
        }
        break;
    }
    default:
        break;
    }
}

void BreakpointCurve::movePoint(int index, float newTime, int mode)
{
    if (!ownsTimes()) {
        resetCache(); // the owner's times are about to move under this curve
        return;
    }
    if (index < 0 || index >= pointCount_) {
        return;
    }
    moveTime(ownTimes_.data(), pointCount_, index, newTime, mode, 1000000000.0f);
    resetCache();
}

void BreakpointCurve::scaleValues(float factor)
{
    for (int i = 0; i < pointCount_; ++i) {
        values_[static_cast<std::size_t>(i)] *= factor;
    }
    resetCache();
}

float BreakpointCurve::interpolate(int i, float time) const
{
    const auto& t = times();
    auto a = static_cast<std::size_t>(i - 1);
    auto b = static_cast<std::size_t>(i);
    return values_[a] + (time - t[a]) / (t[b] - t[a]) * (values_[b] - values_[a]);
}

float BreakpointCurve::valueAt(float time)
{
    if (pointCount_ == 0) {
        return 0.0f;
    }
    if (time == lastTime_) {
        return lastValue_;
    }
    lastTime_ = time;
    const auto& t = times();
    const int last = pointCount_ - 1;
    float answer = 0.0f;
    int start = 1;
    if (segmentIndex_ > 0 && segmentIndex_ <= last && t[static_cast<std::size_t>(segmentIndex_ - 1)] < time) {
        if (time < t[static_cast<std::size_t>(segmentIndex_)]) {
            answer = interpolate(segmentIndex_, time);
            lastValue_ = answer;
            return answer;
        }
        start = segmentIndex_;
    }
    if (!(t[0] < time)) {
        answer = t[0] == time ? values_[0] : 0.0f;
        segmentIndex_ = -1;
    } else if (time > t[static_cast<std::size_t>(last)]) {
        answer = values_[static_cast<std::size_t>(last)];
        segmentIndex_ = -1;
    } else {
        int i = start;
        while (i < last && t[static_cast<std::size_t>(i)] < time) {
            ++i;
        }
        // Times shared from an owner may be out of order in a damaged file; the
        // search is bounded by the point count and the division guarded.
        if (t[static_cast<std::size_t>(i)] > t[static_cast<std::size_t>(i - 1)]) {
            answer = interpolate(i, time);
        } else {
            answer = values_[static_cast<std::size_t>(i)];
        }
        segmentIndex_ = i;
    }
    lastValue_ = answer;
    return answer;
}

void BreakpointCurve::normaliseEnds()
{
    if (pointCount_ == 0 || !ownsTimes()) {
        if (ownsTimes()) {
            insertPoint(0.0f, 0.0f);
            insertPoint(1.0f, 0.0f);
        }
        return;
    }
    if (ownTimes_[0] < 0.001f) {
        if (values_[0] > 0.1f) {
            insertPoint(0.0025f, values_[0]);
        }
        ownTimes_[0] = 0.0f;
        values_[0] = 0.0f;
    } else {
        insertPoint(0.0f, 0.0f);
    }
    auto last = static_cast<std::size_t>(pointCount_ - 1);
    if (ownTimes_[last] > 0.99f) {
        ownTimes_[last] = 1.0f;
        values_[last] = 0.0f;
    } else {
        insertPoint(1.0f, 0.0f);
    }
    resetCache();
}

} // namespace tessarine
