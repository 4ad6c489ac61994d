#pragma once
// The modulation matrix's menus: 127 sources and 54 targets. A source or target
// parameter holds the menu number itself, and the engine finds a target's
// parameter through the same table the editor shows.

#include <array>

namespace tessarine {

inline constexpr int kSourceCount = 127;
inline constexpr int kTargetCount = 54;
inline constexpr int kFirstControllerSource = 8; // source 8 + n is MIDI controller n

enum ModSource : int {
    kSourceNone = 0,
    kSourceVelocity = 1,
    kSourceAftertouch = 2,
    kSourceKeyPosition = 3,
    kSourceLfo1 = 4,
    kSourceLfo2 = 5,
    kSourceEnvelope = 6,
};

// The menu text of a source; an empty text for a number outside 0..126.
const char* modulationSourceText(int number);

// The parameter index a target number modulates; -1 for "None" or a number
// outside the list.
int modulationTargetParameter(int number);

// The menu text of a target: "None", or the name of its parameter; empty outside the list.
const char* modulationTargetText(int number);

} // namespace tessarine
