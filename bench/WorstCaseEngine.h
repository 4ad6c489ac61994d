#pragma once
// The engine in the worst case a musician can ask for: four different
// analysed-size sounds morphed at the centre so all four corners count, 64
// harmonics, noise, loops held, 44.1 kHz. Shared by the voice-pass benchmarks.

#include "engine/SynthEngine.h"

#include <memory>

namespace tessarine::bench {

enum class Extras : bool { VoicesOnly = false, EverythingOn = true };

// Null when the voices could not be written or loaded; extras adds the voice
// filter and every global effect.
std::unique_ptr<SynthEngine> makeWorstCaseEngine(Extras extras);

// Twelve keys three semitones apart, as a wide chord.
void playChord(SynthEngine& engine);
void releaseChord(SynthEngine& engine);

inline constexpr float kWorstCaseRate = 44100.0f;

} // namespace tessarine::bench
