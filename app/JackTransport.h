#pragma once
// JACK's transport in the instrument's terms. JACK counts bars, beats and
// ticks from one, in beats of the time signature's beat type; the instrument
// counts quarter notes from zero.

#include "core/CoreHost.h"

#include <jack/types.h>

namespace tessarine::app {

// Fills transport from a position that carries bar, beat and tick; false
// (transport untouched) for one without them or with values no timebase
// master could mean (no beats per bar, no ticks per beat).
bool transportFromPosition(const jack_position_t& position, bool withBar, HostTransport& transport);

} // namespace tessarine::app
