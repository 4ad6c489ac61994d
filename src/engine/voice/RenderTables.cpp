#include "engine/voice/RenderTables.h"

#include "sound/model/ShortestPlayedFrameGap.h"

#include <algorithm>
#include <limits>

namespace tessarine {

namespace {

// More points than this over the four corners is not an analysed sound; such a
// harmonic stays silent rather than costing unbounded work at note-on.
constexpr int kMaxSourcePoints = 512;
constexpr int kThinningZone = 32;
constexpr float kClosingGap = 0.001f;

// A corner's value at t while the walk's cursor next is its first unread point.
float cornerValue(const BreakpointCurve& curve, int next, float t)
{
    const int count = curve.pointCount();
    if (next == 0) {
        return 0.0f; // before its first point
    }
    const float previousTime = curve.timeAt(next - 1);
    if (previousTime == t) {
        return curve.value(next - 1);
    }
    if (next >= count) {
        return 0.0f; // no point left
    }
    const float nextTime = curve.timeAt(next);
    const float span = nextTime - previousTime;
    if (!(span > 0.0f)) {
        return curve.value(next);
    }
    const float f = (t - previousTime) / span;
    return curve.value(next - 1) + (curve.value(next) - curve.value(next - 1)) * f;
}

void fillAbsentFrequencies(std::array<float, kCorners>& v)
{
    int absent = 0;
    for (float x : v) {
        absent += x == 0.0f ? 1 : 0;
    }
    if (absent == 0 || absent == kCorners) {
        return;
    }
    if (v[0] == 0.0f) {
        v[0] = v[1];
    } else if (v[1] == 0.0f) {
        v[1] = v[0];
    }
    if (v[2] == 0.0f) {
        v[2] = v[3];
    } else if (v[3] == 0.0f) {
        v[3] = v[2];
    }
    float sum = 0.0f;
    int present = 0;
    for (float x : v) {
        if (x != 0.0f) {
            sum += x;
            ++present;
        }
    }
    const float mean = present > 0 ? sum / static_cast<float>(present) : 0.0f;
    for (float& x : v) {
        if (x == 0.0f) {
            x = mean;
        }
    }
}

void appendClosingSilence(RenderTable& table)
{
    if (table.count > 0 && table.count < RenderTable::kCapacity) {
        table.times[static_cast<std::size_t>(table.count)] = table.times[static_cast<std::size_t>(table.count - 1)] +
                                                             kClosingGap;
        table.values[static_cast<std::size_t>(table.count)] = {0.0f, 0.0f, 0.0f, 0.0f};
        ++table.count;
    }
}

} // namespace

void buildRenderTable(RenderTable& table, const std::array<const BreakpointCurve*, kCorners>& corners,
                      bool isAmplitude)
{
    table.count = 0;
    std::array<int, kCorners> counts{};
    int total = 0;
    int withPoints = 0;
    int only = 0;
    for (int c = 0; c < kCorners; ++c) {
        counts[static_cast<std::size_t>(c)] = corners[static_cast<std::size_t>(c)]->pointCount();
        total += counts[static_cast<std::size_t>(c)];
        if (counts[static_cast<std::size_t>(c)] > 0) {
            ++withPoints;
            only = c;
        }
    }
    if (total == 0 || total > kMaxSourcePoints) {
        return;
    }

    if (withPoints == 1) {
        const BreakpointCurve& curve = *corners[static_cast<std::size_t>(only)];
        const int count = std::min(counts[static_cast<std::size_t>(only)], RenderTable::kMaxWalkedPoints);
        for (int p = 0; p < count; ++p) {
            table.times[static_cast<std::size_t>(p)] = curve.timeAt(p);
            auto& v = table.values[static_cast<std::size_t>(p)];
            if (isAmplitude) {
                v = {0.0f, 0.0f, 0.0f, 0.0f};
                v[static_cast<std::size_t>(only)] = curve.value(p);
            } else {
                v.fill(curve.value(p));
            }
        }
        table.count = count;
    } else {
        std::array<int, kCorners> next{};
        float lastWritten = -std::numeric_limits<float>::infinity();
        int candidatesInZone = 0;
        while (table.count < RenderTable::kMaxWalkedPoints) {
            float t = std::numeric_limits<float>::infinity();
            for (int c = 0; c < kCorners; ++c) {
                if (next[static_cast<std::size_t>(c)] < counts[static_cast<std::size_t>(c)]) {
                    t = std::min(t, corners[static_cast<std::size_t>(c)]->timeAt(next[static_cast<std::size_t>(c)]));
                }
            }
            if (t == std::numeric_limits<float>::infinity()) {
                break;
            }
            int unread = 0;
            for (int c = 0; c < kCorners; ++c) {
                auto& n = next[static_cast<std::size_t>(c)];
                if (n < counts[static_cast<std::size_t>(c)] && !(corners[static_cast<std::size_t>(c)]->timeAt(n) > t)) {
                    ++n;
                }
                unread += counts[static_cast<std::size_t>(c)] - n;
            }
            if (!(t > lastWritten + kShortestPlayedFrameGap)) {
                continue;
            }
            const int allowed = RenderTable::kMaxWalkedPoints - table.count;
            if (allowed < kThinningZone) {
                const int k = unread / allowed + 1;
                if (candidatesInZone++ % k != 0) {
                    continue;
                }
            }
            auto& v = table.values[static_cast<std::size_t>(table.count)];
            for (int c = 0; c < kCorners; ++c) {
                v[static_cast<std::size_t>(c)] =
                    cornerValue(*corners[static_cast<std::size_t>(c)], next[static_cast<std::size_t>(c)], t);
            }
            if (!isAmplitude) {
                fillAbsentFrequencies(v);
            }
            table.times[static_cast<std::size_t>(table.count)] = t;
            ++table.count;
            // A point at 0 is the sound's start; the first real frame may follow at once.
            lastWritten = t == 0.0f ? -std::numeric_limits<float>::infinity() : t;
        }
    }
    if (isAmplitude) {
        appendClosingSilence(table);
    }
}

void VoiceRenderTables::build(const Voice& voice, int multisample)
{
    if (multisample < 0 || multisample >= kMaxMultisamples) {
        return;
    }
    const int last = std::clamp(voice.multisampleCount, 1, kMaxMultisamples) - 1;
    const int nextMultisample = std::min(multisample + 1, last);
    const HarmonicData* sources[kCorners] = {
        &voice.layer(multisample, 0).harmonic, &voice.layer(std::max(nextMultisample, multisample), 0).harmonic,
        &voice.layer(multisample, 1).harmonic, &voice.layer(std::max(nextMultisample, multisample), 1).harmonic};
    for (int h = 0; h < kHarmonicCount; ++h) {
        std::array<const BreakpointCurve*, kCorners> amplitude{};
        std::array<const BreakpointCurve*, kCorners> frequency{};
        for (int c = 0; c < kCorners; ++c) {
            amplitude[static_cast<std::size_t>(c)] = &sources[c]->amplitude(h);
            frequency[static_cast<std::size_t>(c)] = &sources[c]->frequency(h);
        }
        buildRenderTable(tables_[index(multisample, h)][0], amplitude, true);
        buildRenderTable(tables_[index(multisample, h)][1], frequency, false);
    }
    std::uint64_t present = 0;
    float end = 0.0f;
    for (int h = 0; h < kHarmonicCount; ++h) {
        const RenderTable& table = tables_[index(multisample, h)][0];
        // A note's curve keeps at most a curve's capacity of a table's points.
        const int kept = std::min(table.count, BreakpointCurve::kCapacity);
        if (kept > 0) {
            present |= std::uint64_t{1} << h;
            end = std::max(end, table.times[static_cast<std::size_t>(kept - 1)]);
        }
    }
    StartBlock& start = starts_[static_cast<std::size_t>(multisample)];
    start = {};
    for (int c = 0; c < StartBlock::kTables; ++c) {
        const RenderTable& table = tables_[index(multisample, c % kHarmonicCount)][c < kHarmonicCount ? 0 : 1];
        if (std::min(table.count, BreakpointCurve::kCapacity) >= 2 && table.times[1] > table.times[0]) {
            const auto i = static_cast<std::size_t>(c);
            start.t0[i] = table.times[0];
            start.t1[i] = table.times[1];
            for (std::size_t k = 0; k < kCorners; ++k) {
                start.v0[k][i] = table.values[0][k];
                start.v1[k][i] = table.values[1][k];
            }
        }
    }
    present_[static_cast<std::size_t>(multisample)] = present;
    amplitudeEnd_[static_cast<std::size_t>(multisample)] = end;
}

} // namespace tessarine
