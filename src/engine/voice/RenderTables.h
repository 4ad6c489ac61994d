#pragma once
// The harmonic data of a voice rearranged for playing: for every multisample
// and harmonic one amplitude and one frequency table whose points carry the
// four corners a note can blend between — this multisample and the next, soft
// and loud layer — at common times. A note-on then blends a slot with one pass
// over each table instead of four curve lookups per point.
//
// Rebuilt whenever a voice is prepared (never stored), on the preparing
// thread while the audio thread leaves the voice alone.

#include "sound/model/HarmonicData.h"
#include "sound/model/Voice.h"

#include <array>
#include <cstdint>

namespace tessarine {

// Corner order: (m, soft), (m + 1, soft), (m, loud), (m + 1, loud).
inline constexpr int kCorners = 4;

struct RenderTable {
    // Room for the 128 walked points and the closing silent point of an amplitude table.
    static constexpr int kCapacity = 129;
    static constexpr int kMaxWalkedPoints = 128;

    int count = 0;
    std::array<float, kCapacity> times{};
    std::array<std::array<float, kCorners>, kCapacity> values{};
};

// Builds one table from four corner curves; isAmplitude picks the amplitude
// rules (absent corners are silent, a closing silent point) over the frequency
// rules (absent corners borrow a neighbour's frequency).
void buildRenderTable(RenderTable& table, const std::array<const BreakpointCurve*, kCorners>& corners,
                      bool isAmplitude);

// The first segment of each of a multisample's 128 tables (amplitudes
// 0..63, then frequencies), with its four corners' values: what a note reads
// first, kept together field by field so that starting a note reads a few
// kilobytes in one pass instead of touching every table.
struct StartBlock {
    static constexpr int kTables = 2 * kHarmonicCount;
    std::array<float, kTables> t0{};
    std::array<float, kTables> t1{}; // t1 <= t0: the table has no first segment
    std::array<std::array<float, kTables>, kCorners> v0{};
    std::array<std::array<float, kTables>, kCorners> v1{};
};

class VoiceRenderTables {
public:
    const RenderTable& amplitude(int multisample, int harmonic) const
    {
        return tables_[index(multisample, harmonic)][0];
    }
    const RenderTable& frequency(int multisample, int harmonic) const
    {
        return tables_[index(multisample, harmonic)][1];
    }

    // All 64 harmonics of one multisample, from the voice as it now stands.
    void build(const Voice& voice, int multisample);

    // What a note-on needs to know of a multisample without reading its 128
    // tables: which harmonics have amplitude points, and the latest last
    // amplitude point (the time a blended note's curves end).
    std::uint64_t presentHarmonics(int multisample) const { return present_[checked(multisample)]; }
    float amplitudeEnd(int multisample) const { return amplitudeEnd_[checked(multisample)]; }
    const StartBlock& startBlock(int multisample) const { return starts_[checked(multisample)]; }

private:
    static std::size_t checked(int multisample)
    {
        return static_cast<std::size_t>(multisample >= 0 && multisample < kMaxMultisamples ? multisample : 0);
    }
    static std::size_t index(int multisample, int harmonic)
    {
        return static_cast<std::size_t>(multisample * kHarmonicCount + harmonic);
    }
    std::array<std::array<RenderTable, 2>, kMaxMultisamples * kHarmonicCount> tables_{};
    std::array<std::uint64_t, kMaxMultisamples> present_{};
    std::array<float, kMaxMultisamples> amplitudeEnd_{};
    std::array<StartBlock, kMaxMultisamples> starts_{};
};

} // namespace tessarine
