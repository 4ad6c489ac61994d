#pragma once

namespace tessarine {

// The layer a voice page's views show: its slot (-1 for none), the multisample
// of the slot's list and the layer of its soft/loud selector.
struct VoicePlace {
    int slot = -1;
    int multisample = 0;
    int layer = 0;
};

} // namespace tessarine
