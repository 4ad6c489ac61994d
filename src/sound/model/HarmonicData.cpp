#include "sound/model/HarmonicData.h"

#include "sound/model/SharedTables.h"

#include <cmath>

namespace tessarine {

HarmonicData::HarmonicData()
{
    for (int h = 1; h < kHarmonicCount; ++h) {
        amplitude(h).shareTimesOf(amplitude(0));
        frequency(h).shareTimesOf(frequency(0));
    }
    (void)sineTable(); // built before the audio thread first needs it
}

void HarmonicData::clear()
{
    for (int h = 0; h < kHarmonicCount; ++h) {
        amplitude(h).clear();
        frequency(h).clear();
    }
    totalCurve_.clear();
    duration = 0.0f;
}

void HarmonicData::copyFrom(const HarmonicData& other)
{
    if (&other == this) {
        return;
    }
    // Owners first, so the sharers' times are in place when they are read.
    for (int h = 0; h < kHarmonicCount; ++h) {
        amplitude(h).copyFrom(other.amplitude(h));
        frequency(h).copyFrom(other.frequency(h));
    }
    totalCurve_.copyFrom(other.totalCurve_);
    basePitch = other.basePitch;
    sampleRate = other.sampleRate;
    duration = other.duration;
}

void HarmonicData::updateDuration()
{
    duration = 0.0f;
    for (const BreakpointCurve& curve : amplitudeCurves_) {
        int n = curve.pointCount();
        if (n > 0 && curve.timeAt(n - 1) > duration) {
            duration = curve.timeAt(n - 1);
        }
    }
}

void HarmonicData::buildTotalCurve()
{
    totalCurve_.clear();
    const BreakpointCurve& frames = amplitude(0);
    for (int i = 0; i < frames.pointCount(); ++i) {
        float sum = 0.0f;
        for (const BreakpointCurve& curve : amplitudeCurves_) {
            if (i < curve.pointCount()) {
                sum += curve.value(i);
            }
        }
        totalCurve_.insertPoint(frames.timeAt(i), sum);
    }
}

void HarmonicData::prepare()
{
    buildTotalCurve();
    bool changed = false;
    if (frameCount() > 0 && totalCurve_.valueAt(0.0f) != 0.0f) {
        // A sound that starts loud would click; fade it in from a silent frame at 0.
        if (!(amplitude(0).timeAt(0) >= 0.01f)) {
            for (int h = 0; h < kHarmonicCount; ++h) {
                amplitude(h).movePoint(0, 0.01f, BreakpointCurve::kMoveShift);
                frequency(h).movePoint(0, 0.01f, BreakpointCurve::kMoveShift);
            }
        }
        amplitude(0).insertPoint(0.0f, 0.0f);
        frequency(0).insertPoint(0.0f, frequency(0).pointCount() > 0 ? frequency(0).value(0) : 1.0f);
        for (int h = 1; h < kHarmonicCount; ++h) {
            amplitude(h).insertPoint(0.0f, 0.0f);
            BreakpointCurve& f = frequency(h);
            f.insertPoint(0.0f, f.pointCount() > 0 ? f.value(0) : static_cast<float>(h + 1));
        }
        changed = true;
    }
    int totalCount = totalCurve_.pointCount();
    if (totalCount > 0 && totalCurve_.value(totalCount - 1) != 0.0f) {
        for (BreakpointCurve& curve : amplitudeCurves_) {
            if (curve.pointCount() > 0) {
                curve.setValue(curve.pointCount() - 1, 0.0f);
            }
        }
        changed = true;
    }
    if (changed) {
        buildTotalCurve();
    }
}

float cutoffGain(float f, float frequencyHz)
{
    const float l = std::log2(frequencyHz) - 0.125f;
    const float f0 = std::exp2(l);
    if (!(f > f0)) {
        return 1.0f;
    }
    const float octaves = std::log2(f) - l;
    return octaves < 1.0f ? std::pow(0.125f, octaves) : 0.0f;
}

void HarmonicData::applyCutoff(float frequencyHz)
{
    for (int h = 0; h < kHarmonicCount; ++h) {
        float gain = cutoffGain(static_cast<float>(h + 1) * basePitch, frequencyHz);
        if (gain != 1.0f) {
            amplitude(h).scaleValues(gain);
        }
    }
}

} // namespace tessarine
