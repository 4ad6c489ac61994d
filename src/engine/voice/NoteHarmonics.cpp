#include "engine/voice/NoteHarmonics.h"

#include <algorithm>

namespace tessarine {

void NoteHarmonics::updateDuration()
{
    duration = 0.0f;
    for (const BreakpointCurve& curve : amplitude) {
        if (curve.pointCount() > 0) {
            duration = std::max(duration, curve.timeAt(curve.pointCount() - 1));
        }
    }
}

namespace {

void blendTable(BreakpointCurve& curve, const RenderTable& table, const std::array<float, kCorners>& weights)
{
    std::array<float, RenderTable::kCapacity> values{};
    for (int p = 0; p < table.count; ++p) {
        const auto& v = table.values[static_cast<std::size_t>(p)];
        values[static_cast<std::size_t>(p)] =
            weights[0] * v[0] + weights[1] * v[1] + weights[2] * v[2] + weights[3] * v[3];
    }
    // A curve holds 128 points; the closing silent point of a full table is the one dropped.
    curve.assignPoints(table.times.data(), values.data(), std::min(table.count, BreakpointCurve::kCapacity));
}

void copyCurve(BreakpointCurve& to, const BreakpointCurve& from)
{
    to.assignPoints(from.timeData(), from.valueData(), from.pointCount());
}

} // namespace

void blendNoteHarmonics(NoteHarmonics& note, const Voice& voice, const VoiceRenderTables& tables,
                        const SlotBlend& blend, float frequency, int harmonicCount, float sampleRate)
{
    note.harmonicCount = std::clamp(harmonicCount, 1, kHarmonicCount);
    note.sampleRate = sampleRate;
    if (blend.solo) {
        const HarmonicData& data = voice.layer(blend.low, blend.soloLayer).harmonic;
        for (int h = 0; h < kHarmonicCount; ++h) {
            copyCurve(note.amplitude[static_cast<std::size_t>(h)], data.amplitude(h));
            copyCurve(note.frequency[static_cast<std::size_t>(h)], data.frequency(h));
        }
        note.fundamental = data.basePitch;
        note.duration = data.duration;
        return;
    }
    const std::array<float, kCorners> weights = {blend.weight(false, 0), blend.weight(true, 0), blend.weight(false, 1),
                                                 blend.weight(true, 1)};
    for (int h = 0; h < kHarmonicCount; ++h) {
        blendTable(note.amplitude[static_cast<std::size_t>(h)], tables.amplitude(blend.low, h), weights);
        blendTable(note.frequency[static_cast<std::size_t>(h)], tables.frequency(blend.low, h), weights);
    }
    note.fundamental = frequency;
    note.updateDuration();
}

void harmonize(NoteHarmonics& note)
{
    note.updateDuration();
    for (int h = 0; h < kHarmonicCount; ++h) {
        const float multiple = static_cast<float>(h + 1);
        const float times[2] = {0.0f, note.duration};
        const float values[2] = {multiple, multiple};
        note.frequency[static_cast<std::size_t>(h)].assignPoints(times, values, 2);
    }
}

} // namespace tessarine
