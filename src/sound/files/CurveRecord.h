#pragma once
// The curve record: int32 pointCount (0..128), then pointCount float32 times
// and pointCount float32 values. A sharing curve writes its owner's times and
// skips them when reading, so every curve record has the same layout.
//
// What a reader lets through is what the analysis and the editor can make:
// every time and value finite and inside the bounds of its kind of curve
// below. A damaged or hostile file must never reach the oscillators with a
// gain no sound could have.

#include "sound/model/BreakpointCurve.h"
#include "sound/files/RecordStream.h"

namespace tessarine {

// Times (or spectrum positions) from 0 to lastTime, values from low to high.
struct CurveBounds {
    float lastTime;
    float low;
    float high;
};

// An hour: far beyond the 12 s an analysis keeps and any path drawn in the editor.
inline constexpr float kLongestTime = 3600.0f;
// A partial of a full-scale square wave is 4/pi; no analysed or drawn harmonic comes near 4.
inline constexpr float kLoudestHarmonic = 4.0f;
// Noise magnitudes are transform magnitudes: full-scale noise analysed at
// 44.1 kHz stays under 220, at 1 MHz under 7,000.
inline constexpr float kLoudestNoiseBand = 10000.0f;

inline constexpr CurveBounds kAmplitudeBounds{kLongestTime, 0.0f, kLoudestHarmonic};
// Frequencies are repaired per harmonic after reading; this only keeps them finite.
inline constexpr CurveBounds kFrequencyBounds{kLongestTime, -1.0f, 66.0f};
inline constexpr CurveBounds kSpectrumBounds{1.0f, 0.0f, kLoudestNoiseBand};
// Morph paths (pad positions), the modulation envelope, the spectral shape's gains.
inline constexpr CurveBounds kUnitBounds{kLongestTime, 0.0f, 1.0f};
inline constexpr CurveBounds kShapeBounds{1.0f, 0.0f, 1.0f};

// Clears the curve first; a count outside 0..128, a time that is not a finite
// number (on a curve that owns its times) or a short record fails and leaves it
// cleared. A value that is not a finite number reads as nonFiniteValue; times
// and values beyond the bounds are held to them (times keep their order).
bool readCurve(RecordStream& stream, BreakpointCurve& curve, const CurveBounds& bounds,
               float nonFiniteValue = 0.0f);
bool writeCurve(RecordStream& stream, const BreakpointCurve& curve);

} // namespace tessarine
