#pragma once

namespace tessarine {

// Playback keeps no harmonic frame within this many seconds after the one it
// kept before (the first after time 0 excepted): closer frames add nothing
// audible and would crowd out later ones. An analysis that wants every frame
// it writes to be played spaces them further apart than this.
inline constexpr float kShortestPlayedFrameGap = 0.03f;

} // namespace tessarine
