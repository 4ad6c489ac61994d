#include "engine/voice/NoteHarmonics.h"

#include <algorithm>

namespace tessarine {

void NoteHarmonics::start(const Voice& voice, const VoiceRenderTables& tables, const SlotBlend& blend,
                          float frequency, int count, float rate, std::uint64_t editCount)
{
    harmonicCount = std::clamp(count, 1, kHarmonicCount);
    sampleRate = rate;
    present_ = 0;
    duration_ = 0.0f;
    startTables_ = nullptr;
    if (blend.solo) {
        const HarmonicData& data = voice.layer(blend.low, blend.soloLayer).harmonic;
        for (int h = 0; h < kHarmonicCount; ++h) {
            const BreakpointCurve& amplitude = data.amplitude(h);
            sources_[static_cast<std::size_t>(h)] = {nullptr, &amplitude, 0, editCount, false};
            sources_[static_cast<std::size_t>(kHarmonicCount + h)] = {nullptr, &data.frequency(h), 0, editCount, false};
            if (amplitude.pointCount() > 0) {
                present_ |= std::uint64_t{1} << h;
                duration_ = std::max(duration_, amplitude.timeAt(amplitude.pointCount() - 1));
            }
        }
        fundamental = data.basePitch;
        return;
    }
    weights_ = {blend.weight(false, 0), blend.weight(true, 0), blend.weight(false, 1), blend.weight(true, 1)};
    for (int h = 0; h < kHarmonicCount; ++h) {
        sources_[static_cast<std::size_t>(h)] = {&tables.amplitude(blend.low, h), nullptr, 0, editCount, false};
        sources_[static_cast<std::size_t>(kHarmonicCount + h)] = {&tables.frequency(blend.low, h), nullptr, 0,
                                                                  editCount, false};
    }
    startTables_ = &tables;
    multisample_ = blend.low;
    present_ = tables.presentHarmonics(blend.low);
    duration_ = tables.amplitudeEnd(blend.low);
    fundamental = frequency;
}

void NoteHarmonics::harmonize()
{
    for (int h = 0; h < kHarmonicCount; ++h) {
        const float multiple = static_cast<float>(h + 1);
        const float times[2] = {0.0f, duration_};
        const float values[2] = {multiple, multiple};
        const auto c = static_cast<std::size_t>(kHarmonicCount + h);
        curves_[c].assignPoints(times, values, 2);
        sources_[c] = {}; // nothing left to blend
        sources_[c].started = true;
    }
}

void NoteHarmonics::firstSpans(float* t0, float* v0, float* t1, float* slope) const
{
    for (int c = 0; c < kCurveCount; ++c) {
        const auto i = static_cast<std::size_t>(c);
        t0[i] = 1.0f;
        t1[i] = 0.0f;
        v0[i] = slope[i] = 0.0f;
        if (startTables_ == nullptr || sources_[i].table == nullptr) {
            continue;
        }
        const StartSegment& start = startTables_->startSegment(multisample_, c);
        if (start.t1 > start.t0) {
            const float first = blended(start.v0);
            t0[i] = start.t0;
            t1[i] = start.t1;
            v0[i] = first;
            slope[i] = (blended(start.v1) - first) / (start.t1 - start.t0);
        }
    }
}

int NoteHarmonics::sourceCount(const Source& source) const
{
    if (source.table != nullptr) {
        // A curve holds 128 points; the closing silent point of a full table is the one dropped.
        return std::min(source.table->count, BreakpointCurve::kCapacity);
    }
    return source.solo != nullptr ? source.solo->pointCount() : 0;
}

float NoteHarmonics::sourceTime(const Source& source, int i) const
{
    return source.table != nullptr ? source.table->times[static_cast<std::size_t>(i)] : source.solo->timeAt(i);
}

float NoteHarmonics::sourceValue(const Source& source, int i) const
{
    if (source.table == nullptr) {
        return source.solo->value(i);
    }
    return blended(source.table->values[static_cast<std::size_t>(i)]);
}

float NoteHarmonics::blended(const std::array<float, kCorners>& corners) const
{
    return weights_[0] * corners[0] + weights_[1] * corners[1] + weights_[2] * corners[2] + weights_[3] * corners[3];
}

// Blends points until the curve holds the first one at or after t (or all of
// them): a lookup at t then answers exactly as the whole curve would.
void NoteHarmonics::blendUntil(int c, float t, bool readable, std::uint64_t editCount)
{
    Source& source = sources_[static_cast<std::size_t>(c)];
    BreakpointCurve& curve = curves_[static_cast<std::size_t>(c)];
    if (!source.started) {
        curve.clear();
        source.started = true;
    }
    if (!readable || (source.table == nullptr && source.solo == nullptr)) {
        return;
    }
    const int count = sourceCount(source);
    if (source.editCount != editCount) {
        // The sound was edited since: go on from the first of its points after
        // the ones this note already plays.
        source.editCount = editCount;
        if (curve.pointCount() > 0) {
            const float last = curve.timeAt(curve.pointCount() - 1);
            source.next = 0;
            while (source.next < count && !(sourceTime(source, source.next) > last)) {
                ++source.next;
            }
        }
    }
    while (source.next < count && (curve.pointCount() == 0 || curve.timeAt(curve.pointCount() - 1) < t)) {
        if (!curve.appendPoint(sourceTime(source, source.next), sourceValue(source, source.next))) {
            source.next = count;
            break;
        }
        ++source.next;
    }
    if (source.next >= count) {
        source.table = nullptr; // the whole curve is the note's own now
        source.solo = nullptr;
    }
}

float NoteHarmonics::valueAt(int c, float t, bool readable, std::uint64_t editCount)
{
    blendUntil(c, t, readable, editCount);
    return curves_[static_cast<std::size_t>(c)].valueAt(t);
}

} // namespace tessarine
