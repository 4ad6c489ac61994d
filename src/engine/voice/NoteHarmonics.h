#pragma once
// One slot's harmonics as a note plays them: the 64 amplitude and frequency
// curves blended at note-on from the slot's multisamples and layers with the
// note's key and velocity weights (or copied from the one chosen sound of a
// solo slot). Each curve keeps its own times, so blending never resamples.

#include "engine/voice/SlotBlend.h"
#include "engine/voice/RenderTables.h"

#include <array>

namespace tessarine {

struct NoteHarmonics {
    std::array<BreakpointCurve, kHarmonicCount> amplitude;
    std::array<BreakpointCurve, kHarmonicCount> frequency;
    float fundamental = 0.0f; // Hz: the note's pitch, or a solo sound's own base pitch
    float sampleRate = 44100.0f;
    float duration = 0.0f;    // the latest last point over the amplitude curves
    int harmonicCount = 1;

    void updateDuration();
};

// Blends a slot for a note at frequency (the key and velocity path) or copies
// the solo sound; audio thread, no allocation.
void blendNoteHarmonics(NoteHarmonics& note, const Voice& voice, const VoiceRenderTables& tables,
                        const SlotBlend& blend, float frequency, int harmonicCount, float sampleRate);

// Every partial becomes an exact multiple of the fundamental for the note's length.
void harmonize(NoteHarmonics& note);

} // namespace tessarine
