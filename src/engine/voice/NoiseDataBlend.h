#pragma once
// The noise a slot plays for one note, made on the audio thread (no
// allocation): either the chosen multisample and layer's frames as they are
// (solo), or one frame list blended from the four corners (low and high
// multisample × soft and loud layer) with the note's pitch and velocity weights.
//
// A note makes its frames a few at a time, just ahead of where it plays, so
// starting a chord does not blend every frame of every slot at once. Frames
// are made only in renders that may read the instrument; after an edit the
// walk goes on from the edited sound, past the time it had reached.
//
// The spectrum curves of out's frames are left as they were (nothing plays
// from them). Blended notes walk the union of the corners' frame times: a time
// is kept only when it lies more than 5 ms after the previous kept one (30 ms
// once past 0.1 s, where an attack no longer needs the detail), at most 64
// frames are made, and when fewer than 16 remain only every k-th time is
// kept, so the list still reaches the end of the longest corner. Bands 0..63 only.

#include "engine/voice/SlotBlend.h"
#include "sound/model/NoiseData.h"
#include "sound/model/Voice.h"

#include <array>
#include <cstdint>

namespace tessarine {

class NoiseDataBlend {
public:
    // Starts out empty for a note; out must outlive the walk.
    void start(NoiseData& out, const Voice& voice, const SlotBlend& blend, std::uint64_t editCount);
    // Makes frames until out holds the first one at or after time, or all of
    // them; a lookup at time then reads what the whole list would give.
    // Nothing is made unless readable; editCount is the instrument's.
    void blendUntil(float time, bool readable, std::uint64_t editCount);

private:
    static constexpr int kCorners = 4;
    bool makeFrame(); // false when the sound has no more
    void resync();

    NoiseData* out_ = nullptr;
    const NoiseData* solo_ = nullptr;
    std::array<const NoiseData*, kCorners> corners_{};
    std::array<float, kCorners> weights_{};
    std::array<int, kCorners> next_{};
    int made_ = 0;
    int soloNext_ = 0;
    float lastTime_ = 0.0f;
    int sinceTaken_ = 0;
    bool done_ = true;
    std::uint64_t editCount_ = 0;
};

// The whole list at once, as a note that has played to its end holds it.
void blendNoiseData(NoiseData& out, const Voice& voice, const SlotBlend& blend);

} // namespace tessarine
