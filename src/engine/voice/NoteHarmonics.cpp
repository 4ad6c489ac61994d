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
    harmonized_ = false;
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
    harmonized_ = true;
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
    constexpr auto n = static_cast<std::size_t>(kCurveCount);
    if (startTables_ == nullptr) {
        std::fill_n(t0, n, 1.0f);
        std::fill_n(t1, n, 0.0f);
        std::fill_n(v0, n, 0.0f);
        std::fill_n(slope, n, 0.0f);
        return;
    }
    // One pass of selects over the start block, in the arithmetic of blended().
    const StartBlock& start = startTables_->startBlock(multisample_);
    const auto& a = start.v0;
    const auto& b = start.v1;
    const float w0 = weights_[0], w1 = weights_[1], w2 = weights_[2], w3 = weights_[3];
    for (std::size_t i = 0; i < n; ++i) {
        const bool usable = start.t1[i] > start.t0[i];
        const float first = w0 * a[0][i] + w1 * a[1][i] + w2 * a[2][i] + w3 * a[3][i];
        const float last = w0 * b[0][i] + w1 * b[1][i] + w2 * b[2][i] + w3 * b[3][i];
        const float span = usable ? start.t1[i] - start.t0[i] : 1.0f; // never a division by 0
        t0[i] = usable ? start.t0[i] : 1.0f;
        t1[i] = usable ? start.t1[i] : 0.0f;
        v0[i] = usable ? first : 0.0f;
        slope[i] = usable ? (last - first) / span : 0.0f;
    }
    // A harmonized note's frequencies are its own curves, not the tables'.
    for (std::size_t i = 0; harmonized_ && i < n; ++i) {
        if (sources_[i].table == nullptr) {
            t0[i] = 1.0f;
            t1[i] = 0.0f;
            v0[i] = slope[i] = 0.0f;
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
