#pragma once
// A breakpoint curve: up to 128 (time, value) points joined by straight lines.
// Every time-varying thing in a sound is one: harmonic amplitudes and
// frequencies, noise spectra (where "time" is a frequency position), morph
// paths and envelopes.
//
// A curve either owns its time list or shares the time list of another curve
// (its owner), so that the 64 harmonics of a layer keep their frames at the
// same times. Both lists have fixed capacity and live inside the object: a
// curve never allocates. Curves are not copyable (a sharing curve points at
// its owner); copyFrom copies contents between curves of the same shape.
//
// Owning curves keep their times ascending (equal neighbours allowed); every
// editing operation here keeps that true.

#include <array>
#include <cstdint>

namespace tessarine {

class BreakpointCurve {
public:
    static constexpr int kCapacity = 128;

    // Where movePoint puts the other points.
    enum MoveMode : int {
        kMoveSingle = 0,  // only the point, and only between its neighbours
        kMoveShift = 1,   // the point and every later point by the same amount
        kMoveStretch = 2, // earlier points scale from 0, later ones towards the last
    };

    BreakpointCurve() = default; // owning, empty
    BreakpointCurve(const BreakpointCurve&) = delete;
    BreakpointCurve& operator=(const BreakpointCurve&) = delete;

    // Makes this curve read owner's times from now on. Called once, at
    // construction of the structure that holds both curves, before any point.
    void shareTimesOf(const BreakpointCurve& owner);

    bool ownsTimes() const { return owner_ == nullptr; }
    int pointCount() const { return pointCount_; }
    bool empty() const { return empty_; }
    float timeAt(int index) const { return times()[static_cast<std::size_t>(index)]; }
    float value(int index) const { return values_[static_cast<std::size_t>(index)]; }
    void setValue(int index, float v);
    const float* timeData() const { return times().data(); }
    const float* valueData() const { return values_.data(); }

    void clear();
    // Replaces all points as they stand, in the given order (file readers keep
    // what was stored). A sharing curve takes only the values. count 0..128.
    void assignPoints(const float* times, const float* values, int count);
    void copyFrom(const BreakpointCurve& other);
    // Adds a point after the last one, as assignPoints would have placed it:
    // for filling a curve in order a few points at a time. An owning curve
    // only; false when full.
    bool appendPoint(float time, float value);

    // False, with the curve unchanged, when the curve is full or the time is not
    // finite; a sharing curve also refuses a time its owner does not hold.
    bool insertPoint(float time, float value);
    void removePoint(int index);
    // Keeps the points at or before time.
    void truncateAfter(float time);
    // Ignored for out-of-range indices; a sharing curve only drops its cached
    // lookup, since its owner's times are what moves.
    void movePoint(int index, float newTime, int mode);
    void scaleValues(float factor);

    // The curve's value at a time: 0 before the first point and on an empty
    // curve, the last value after the last point, linear in between. Audio-rate
    // callers ask at the same or a slightly later time again and again, so the
    // last answer and segment are cached (hence not const).
    float valueAt(float time);
    // An index is not a time: point values are read with value().
    float valueAt(int index) = delete;

    // Pins a frequency-shape curve to 0 at both ends of its range (positions 0
    // and 1), keeping a loud first point as a short ramp at 0.0025.
    void normaliseEnds();

    // The time-list edit behind movePoint, shared with the noise frame times.
    // noNextBound is the limit used for the last point.
    static void moveTime(float* times, int count, int index, float newTime, int mode, float noNextBound);

    // Cache fields, exposed for tests of the lookup's cache handling.
    int segmentIndex() const { return segmentIndex_; }

private:
    static constexpr float kNoTime = -10000000.0f;

    const std::array<float, kCapacity>& times() const { return owner_ ? owner_->ownTimes_ : ownTimes_; }
    void resetCache()
    {
        segmentIndex_ = -1;
        lastTime_ = kNoTime;
    }
    float interpolate(int i, float time) const;

    std::array<float, kCapacity> ownTimes_{};
    std::array<float, kCapacity> values_{};
    const BreakpointCurve* owner_ = nullptr;
    int pointCount_ = 0;
    bool empty_ = true;
    int segmentIndex_ = -1;
    float lastTime_ = kNoTime;
    float lastValue_ = 0.0f;
};

} // namespace tessarine
