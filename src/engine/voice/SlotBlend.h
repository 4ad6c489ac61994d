#pragma once
// How a note mixes the stored sounds of one slot.

#include "engine/voice/NoteSettings.h"
#include "sound/model/Voice.h"

namespace tessarine {

// Which stored sounds a slot's note blends: multisamples lo and hi, soft and
// loud layer, with the pitch weight k and the velocity weight v. A solo slot
// plays exactly one multisample and layer.
struct SlotBlend {
    int low = 0;
    int high = 0;
    float pitchWeight = 0.0f;    // towards high
    float velocityWeight = 0.0f; // towards the loud layer
    bool solo = false;
    int soloLayer = 0;

    // Weight of (multisample low or high, layer 0 or 1).
    float weight(bool highMultisample, int layer) const
    {
        float k = highMultisample ? pitchWeight : 1.0f - pitchWeight;
        float v = layer == 1 ? velocityWeight : 1.0f - velocityWeight;
        return k * v;
    }
};

// The blend of one slot for a note at frequency f with the given velocity factor.
SlotBlend chooseMultisamples(const Voice& voice, const NoteSettings::Slot& settings, float frequency,
                             float velocityFactor);

} // namespace tessarine
