#pragma once
// One slot's harmonics as a note plays them: the 64 amplitude and frequency
// curves blended from the slot's multisamples and layers with the note's key
// and velocity weights (or copied from the one chosen sound of a solo slot).
// Each curve keeps its own times, so blending never resamples.
//
// A curve is blended into the note a few points at a time, just ahead of
// where the note reads it, instead of all 128 curves at note-on: the block
// that starts a chord then costs about what a block of the held chord costs.
// Blending reads the instrument, so it happens only in renders that may read
// it. A note an edit catches part-way holds its last blended values while the
// edit runs, and afterwards goes on from the edited sound at the time it had
// reached. Audio thread, no allocation.

#include "engine/voice/SlotBlend.h"
#include "engine/voice/RenderTables.h"

#include <array>
#include <cstdint>

namespace tessarine {

class NoteHarmonics {
public:
    static constexpr int kCurveCount = 2 * kHarmonicCount; // amplitudes, then frequencies

    float fundamental = 0.0f; // Hz: the note's pitch, or a solo sound's own base pitch
    float sampleRate = 44100.0f;
    int harmonicCount = 1;

    // Starts a note at frequency: the key and velocity blend of a slot, or its
    // solo sound. editCount is the instrument's edit count as this render sees it.
    void start(const Voice& voice, const VoiceRenderTables& tables, const SlotBlend& blend, float frequency,
               int harmonicCount, float sampleRate, std::uint64_t editCount);
    // Every partial becomes an exact multiple of the fundamental for the note's length.
    void harmonize();

    bool present(int harmonic) const { return ((present_ >> harmonic) & 1u) != 0; }

    // The first segment of every curve as the blended curve will hold it,
    // taken from the tables' start block without touching the curves or their
    // tables, field by field: the span [t0, t1) and the line v0 + (t - t0) *
    // slope. An empty span (t1 <= t0) where the curve itself must be read
    // (solo, harmonized, no segment).
    void firstSpans(float* t0, float* v0, float* t1, float* slope) const;

    // Curve c (0..63 amplitudes, 64..127 frequencies) at time t, read as the
    // whole blended curve would answer. readable: this render may read the
    // instrument, whose edit count is editCount.
    float valueAt(int c, float t, bool readable, std::uint64_t editCount);
    // Which segment the last valueAt of c ended in (the curve's own index).
    const BreakpointCurve& curve(int c) const { return curves_[static_cast<std::size_t>(c)]; }
    // Whether the note holds every point curve c will ever have: neither
    // blending nor an edit adds to it any more.
    bool complete(int c) const
    {
        const Source& source = sources_[static_cast<std::size_t>(c)];
        return source.started && source.table == nullptr && source.solo == nullptr;
    }

private:
    // Where a curve's points still to be blended come from.
    struct Source {
        const RenderTable* table = nullptr;   // the blended path
        const BreakpointCurve* solo = nullptr; // a solo sound's own curve
        int next = 0;                          // the next point to blend
        std::uint64_t editCount = 0;           // the instrument as next was found in
        bool started = false;                  // the curve has been cleared for this note
    };

    void blendUntil(int c, float t, bool readable, std::uint64_t editCount);
    int sourceCount(const Source& source) const;
    float sourceTime(const Source& source, int i) const;
    float sourceValue(const Source& source, int i) const;
    // The note's key and velocity blend of a point's four corners.
    float blended(const std::array<float, kCorners>& corners) const;

    std::array<BreakpointCurve, kCurveCount> curves_;
    std::array<Source, kCurveCount> sources_{};
    std::array<float, kCorners> weights_{};
    const VoiceRenderTables* startTables_ = nullptr; // blended notes only
    int multisample_ = 0;
    std::uint64_t present_ = 0;
    float duration_ = 0.0f; // the latest last amplitude point
    bool harmonized_ = false;
};

} // namespace tessarine
